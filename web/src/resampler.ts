// A streaming sample-rate converter for planar stereo: output frame n is the band-limited input
// read at input frame n * from / to (silence before the first frame and after the last), through
// a Kaiser-windowed sinc whose phases are tabled. Times are kept in integers, so an hour does not
// drift, and the output does not depend on how the input is cut into pieces.

import type { Stereo } from './audio-files.js';
export type { Stereo };

// The cutoff as a fraction of the lower rate's Nyquist and the half-width in frames of the lower
// rate: the passband reaches 0.9 of that Nyquist and the stopband (100 dB down, the window's
// beta) starts at 1.04 of it, so what a downsample folds back lands above the passband.
const kCutoffOfNyquist = 0.97;
const kHalfWidthFrames = 48;
const kKaiserBeta = 10;
// A ratio whose outputs fall on at most this many phases of an input frame has a table row per
// phase; another has this many rows, and the kernel between two rows is interpolated linearly.
const kPhases = 1024;

const gcd = (a: number, b: number): number => (b === 0 ? a : gcd(b, a % b));

// The modified Bessel function of order 0, by its power series.
function besselI0(x: number): number {
  let sum = 1;
  for (let k = 1, term = 1; term > 1e-17 * sum; ++k) sum += term *= (x / (2 * k)) ** 2;
  return sum;
}

export class StreamResampler {
  // Output frame n is at input frame n * stepFrames / per (the rates over their gcd).
  private readonly stepFrames: number;
  private readonly per: number;
  private readonly halfTaps: number;
  private readonly phases: number;
  private readonly table: Float64Array;
  // The input that outputs to come read, left and right interleaved, from input frame `keptFrom`.
  private kept: Float64Array;
  private keptFrom: number;
  private inputFrames = 0;
  private outputFrames = 0;

  constructor(fromRateHz: number, toRateHz: number) {
    if (![fromRateHz, toRateHz].every((rateHz) => Number.isInteger(rateHz) && rateHz > 0)) {
      throw new RangeError(`Rates in whole hertz above zero, not ${fromRateHz} and ${toRateHz}.`);
    }
    this.stepFrames = fromRateHz / gcd(fromRateHz, toRateHz);
    this.per = toRateHz / gcd(fromRateHz, toRateHz);
    const lowerRateHz = Math.min(fromRateHz, toRateHz);
    // In input frames: the cutoff in cycles per frame, and the half-width (longer to downsample).
    const cutoff = (kCutoffOfNyquist * lowerRateHz) / (2 * fromRateHz);
    const halfTaps = (this.halfTaps = Math.ceil((kHalfWidthFrames * fromRateHz) / lowerRateHz));
    const taps = 2 * halfTaps;
    const phases = (this.phases = Math.min(this.per, kPhases));
    // Row p is the kernel for an output p / phases of a frame past input frame `whole`: its tap j
    // reads input frame whole - halfTaps + 1 + j, x frames before the output.
    this.table = new Float64Array((phases + 1) * taps);
    for (let p = 0; p <= phases; ++p) {
      const row = this.table.subarray(p * taps, (p + 1) * taps);
      for (let j = 0; j < taps; ++j) {
        const x = p / phases + halfTaps - 1 - j;
        const edge = Math.min(1, Math.abs(x / halfTaps));
        const arc = 2 * Math.PI * cutoff * x;
        row[j] = besselI0(kKaiserBeta * Math.sqrt(1 - edge * edge)) * (x === 0 ? 1 : Math.sin(arc) / arc);
      }
      // Scaled so that each phase passes a constant unchanged.
      const sum = row.reduce((a, b) => a + b);
      row.forEach((k, j) => (row[j] = k / sum));
    }
    this.kept = new Float64Array(2 * halfTaps);
    this.keptFrom = -halfTaps;
  }

  push(input: Stereo): Stereo {
    if (this.stepFrames === this.per) return [input[0].slice(), input[1].slice()];
    this.inputFrames += input[0].length;
    this.keep(input);
    // An output is complete once the input its last tap reads has come.
    return this.render(this.outputsBefore(this.keptFrom + this.kept.length / 2 - this.halfTaps));
  }

  flush(): Stereo {
    if (this.stepFrames === this.per) return [new Float32Array(0), new Float32Array(0)];
    this.keep([new Float32Array(this.halfTaps), new Float32Array(this.halfTaps)]);
    return this.render(this.outputsBefore(this.inputFrames));
  }

  // How many outputs fall before input frame `frames`: ceil(frames * to / from).
  private outputsBefore(frames: number): number {
    return frames <= 0 ? 0 : Math.floor((frames * this.per + this.stepFrames - 1) / this.stepFrames);
  }

  // The kept input, less what no output to come reads, followed by `input`.
  private keep([left, right]: Stereo): void {
    const next = Math.floor((this.outputFrames * this.stepFrames) / this.per);
    const first = Math.min(next - this.halfTaps + 1, this.keptFrom + this.kept.length / 2);
    const rest = this.kept.subarray(2 * (first - this.keptFrom));
    this.kept = new Float64Array(rest.length + 2 * left.length);
    this.kept.set(rest);
    for (let i = 0, at = rest.length; i < left.length; ++i, at += 2) {
      this.kept[at] = left[i];
      this.kept[at + 1] = right[i];
    }
    this.keptFrom = first;
  }

  // The outputs before output frame `until`, whose input is all kept: per tap one multiply-add
  // per channel, and on an untabled phase one more to interpolate the kernel. Even and odd taps
  // are summed apart, which lets the additions overlap.
  private render(until: number): Stereo {
    const frames = Math.max(0, until - this.outputFrames);
    const [left, right]: Stereo = [new Float32Array(frames), new Float32Array(frames)];
    const { kept, table, per, phases } = this;
    const taps = 2 * this.halfTaps;
    for (let n = 0; n < frames; ++n) {
      const position = (this.outputFrames + n) * this.stepFrames;
      const whole = Math.floor(position / per);
      const phase = ((position - whole * per) * phases) / per;
      const p = Math.floor(phase);
      const fraction = phase - p;
      const at = 2 * (whole - this.halfTaps + 1 - this.keptFrom);
      const end = at + 2 * taps;
      let evenLeft = 0;
      let evenRight = 0;
      let oddLeft = 0;
      let oddRight = 0;
      if (fraction === 0) {
        for (let i = at, t = p * taps; i < end; i += 4, t += 2) {
          evenLeft += table[t] * kept[i];
          evenRight += table[t] * kept[i + 1];
          oddLeft += table[t + 1] * kept[i + 2];
          oddRight += table[t + 1] * kept[i + 3];
        }
      } else {
        for (let i = at, t = p * taps; i < end; i += 4, t += 2) {
          const even = table[t] + fraction * (table[t + taps] - table[t]);
          const odd = table[t + 1] + fraction * (table[t + taps + 1] - table[t + 1]);
          evenLeft += even * kept[i];
          evenRight += even * kept[i + 1];
          oddLeft += odd * kept[i + 2];
          oddRight += odd * kept[i + 3];
        }
      }
      left[n] = evenLeft + oddLeft;
      right[n] = evenRight + oddRight;
    }
    this.outputFrames += frames;
    return [left, right];
  }
}

// Blocks at `toRateHz` made from blocks at `fromRateHz` (the same blocks where the rates agree).
export async function* resampledBlocks(blocks: AsyncIterable<Stereo>, fromRateHz: number,
  toRateHz: number): AsyncGenerator<Stereo> {
  const resampler = fromRateHz === toRateHz ? null : new StreamResampler(fromRateHz, toRateHz);
  for await (const block of blocks) yield resampler ? resampler.push(block) : block;
  if (resampler) yield resampler.flush();
}
