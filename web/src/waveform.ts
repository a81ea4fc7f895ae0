// The two waveforms on canvas: per column the lowest and highest sample, and over the bed the
// ducker's gain as a curve (top: 0 dB, bottom: the deepest the view shows), and the playhead.

import type { Stereo } from './audio-files.js';

export interface Peaks {
  low: Float32Array;
  high: Float32Array;
}


// The lowest and highest sample of both channels in each of `columns` columns over `frames`
// frames, of a sound read piece by piece from its start.
export class PeakBins {
  private readonly low: Float32Array;
  private readonly high: Float32Array;
  private readonly perColumn: number;
  private frames = 0;

  constructor(columns: number, frames: number) {
    this.low = new Float32Array(columns);
    this.high = new Float32Array(columns);
    this.perColumn = Math.max(frames, 1) / columns;
  }

  add([left, right]: Stereo): void {
    const last = this.low.length - 1;
    for (let i = 0; i < left.length; ++i, ++this.frames) {
      const column = Math.min(last, Math.floor(this.frames / this.perColumn));
      const lo = Math.min(left[i], right[i]);
      const hi = Math.max(left[i], right[i]);
      if (lo < this.low[column]) this.low[column] = lo;
      if (hi > this.high[column]) this.high[column] = hi;
    }
  }

  peaks(): Peaks {
    return { low: this.low, high: this.high };
  }
}

// The peaks of a sound held whole, as PeakBins gives them.
export function peaksOf(sound: Stereo, columns: number, frames: number): Peaks {
  const bins = new PeakBins(columns, frames);
  bins.add(sound);
  return bins.peaks();
}

// The lowest gain in each of `columns` columns over `frames` frames, taken piece by piece.
export class GainColumns {
  readonly lowest: Float32Array;
  private readonly perColumn: number;

  constructor(columns: number, frames: number) {
    this.lowest = new Float32Array(columns).fill(1);
    this.perColumn = Math.max(frames, 1) / columns;
  }

  // Takes the gains of frames `at` onwards.
  add(gains: Float32Array, at: number): void {
    const last = this.lowest.length - 1;
    for (let i = 0; i < gains.length; ++i) {
      const column = Math.min(last, Math.floor((at + i) / this.perColumn));
      if (gains[i] < this.lowest[column]) this.lowest[column] = gains[i];
    }
  }
}

const kCurveFloorDb = -30;

export function drawWave(canvas: HTMLCanvasElement, peaks: Peaks | null, colour: string, gains: Float32Array | null,
  playheadFraction: number | null): void {
  const context = canvas.getContext('2d');
  if (!context) return;
  const { width, height } = canvas;
  context.clearRect(0, 0, width, height);
  context.fillStyle = '#10151c';
  context.fillRect(0, 0, width, height);
  const middle = height / 2;
  if (peaks) {
    context.fillStyle = colour;
    for (let x = 0; x < peaks.low.length && x < width; ++x) {
      const top = middle - peaks.high[x] * middle;
      const bottom = middle - peaks.low[x] * middle;
      context.fillRect(x, top, 1, Math.max(1, bottom - top));
    }
  }
  if (gains) {
    context.strokeStyle = '#ffb000';
    context.lineWidth = 2;
    context.beginPath();
    for (let x = 0; x < gains.length && x < width; ++x) {
      const db = Math.max(kCurveFloorDb, 20 * Math.log10(Math.max(gains[x], 1e-6)));
      const y = 2 + ((height - 4) * db) / kCurveFloorDb;
      if (x === 0) context.moveTo(x, y);
      else context.lineTo(x, y);
    }
    context.stroke();
  }
  if (playheadFraction !== null) {
    context.fillStyle = '#ffffff';
    context.fillRect(Math.round(playheadFraction * width), 0, 2, height);
  }
}
