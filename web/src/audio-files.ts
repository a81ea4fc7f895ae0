// Sound files as the page takes them: the rate read from the file's header (so that the bed keeps
// its own and the voices are resampled to it), decoded by the browser, folded to stereo.

export type Stereo = [Float32Array, Float32Array];

export interface DecodedSound {
  name: string;
  channels: Stereo;
  // The file's own rate and channel count, for the page's messages.
  fileRateHz: number;
  fileChannels: number;
}

function textAt(bytes: ArrayBuffer, at: number, length: number): string {
  return at + length <= bytes.byteLength ? String.fromCharCode(...new Uint8Array(bytes, at, length)) : '';
}

// Where a WAV file's chunk `id` starts (its header) and its size; null when it is no WAV or has none.
function wavChunk(bytes: ArrayBuffer, id: string): { at: number; size: number } | null {
  if (textAt(bytes, 0, 4) !== 'RIFF' || textAt(bytes, 8, 4) !== 'WAVE') return null;
  const view = new DataView(bytes);
  for (let at = 12; at + 8 <= view.byteLength; ) {
    const size = view.getUint32(at + 4, true);
    if (textAt(bytes, at, 4) === id) return { at, size };
    at += 8 + size + (size & 1);
  }
  return null;
}

// The sample rate a WAV, FLAC, MP3 or Ogg file states in its header; null when unknown.
export function headerRateHz(bytes: ArrayBuffer): number | null {
  const view = new DataView(bytes);
  const text = (at: number, length: number) => textAt(bytes, at, length);
  if (text(0, 4) === 'RIFF' && text(8, 4) === 'WAVE') {
    const format = wavChunk(bytes, 'fmt ');
    return format && format.at + 16 <= view.byteLength ? view.getUint32(format.at + 12, true) : null;
  }
  if (text(0, 4) === 'fLaC' && view.byteLength >= 21) {
    // STREAMINFO's 20-bit rate after the block header and the block and frame sizes.
    return (view.getUint8(18) << 12) | (view.getUint8(19) << 4) | (view.getUint8(20) >> 4);
  }
  if (text(0, 4) === 'OggS') return 48000;
  let at = 0;
  if (text(0, 3) === 'ID3' && view.byteLength >= 10) {
    at = 10 + ((view.getUint8(6) << 21) | (view.getUint8(7) << 14) | (view.getUint8(8) << 7) | view.getUint8(9));
  }
  for (const end = Math.min(view.byteLength - 4, at + 65536); at < end; ++at) {
    if (view.getUint8(at) !== 0xff || (view.getUint8(at + 1) & 0xe0) !== 0xe0) continue;
    const version = (view.getUint8(at + 1) >> 3) & 3;
    const rateIndex = (view.getUint8(at + 2) >> 2) & 3;
    if (version === 1 || rateIndex === 3) continue;
    const base = [44100, 48000, 32000][rateIndex];
    return version === 3 ? base : version === 2 ? base / 2 : base / 4;
  }
  return null;
}

// What each of a file's channels adds to the left and right (ITU-R BS.775, as quellmar-duck
// folds: centre and surrounds at -3 dB on their side, the LFE dropped), in WAV's order.
function foldWeights(channels: number): Array<[number, number]> {
  const half = Math.SQRT1_2;
  const order: Array<[number, number]> = [[1, 0], [0, 1], [half, half], [0, 0], [half, 0], [0, half], [half, 0], [0, half]];
  return Array.from({ length: channels }, (_, c) => order[c] ?? [0, 0]);
}

// A file's channels (WAV's order) as stereo: one or two as they are, more folded down.
export function foldPlanes(planes: Float32Array[]): Stereo {
  if (planes.length === 1) return [planes[0], planes[0].slice()];
  if (planes.length === 2) return [planes[0], planes[1]];
  const frames = planes[0].length;
  const left = new Float32Array(frames);
  const right = new Float32Array(frames);
  foldWeights(planes.length).forEach(([toLeft, toRight], c) => {
    const data = planes[c];
    for (let i = 0; i < frames; ++i) {
      left[i] += toLeft * data[i];
      right[i] += toRight * data[i];
    }
  });
  return [left, right];
}

export function foldToStereo(buffer: AudioBuffer): Stereo {
  return foldPlanes(Array.from({ length: buffer.numberOfChannels }, (_, c) => buffer.getChannelData(c)));
}

// Decodes `file` at `rateHz` (the browser resamples when the file's rate differs). Throws an
// Error naming the file when the browser cannot decode it.
export async function decodeFile(file: File, rateHz: number | null): Promise<DecodedSound> {
  const bytes = await file.arrayBuffer();
  const fileRateHz = headerRateHz(bytes);
  const context = new OfflineAudioContext(1, 1, rateHz ?? fileRateHz ?? 48000);
  let buffer: AudioBuffer;
  // A WAV of no samples is not a fault of decoding: say what it is.
  const empty = new Error(`${file.name}: holds no samples`);
  if (wavChunk(bytes, 'data')?.size === 0) throw empty;
  try {
    buffer = await context.decodeAudioData(bytes);
  } catch {
    throw new Error(`${file.name}: this browser cannot decode it as sound`);
  }
  if (buffer.length === 0) throw empty;
  return {
    name: file.name,
    channels: foldToStereo(buffer),
    fileRateHz: fileRateHz ?? buffer.sampleRate,
    fileChannels: buffer.numberOfChannels,
  };
}

// The voices summed in the order given, as quellmar-duck sums its keys: a voice that has ended
// adds silence.
export function sumKeys(keys: Stereo[], frames: number): Stereo {
  const sum: Stereo = [new Float32Array(frames), new Float32Array(frames)];
  for (const key of keys) {
    for (let c = 0; c < 2; ++c) {
      const source = key[c];
      const target = sum[c];
      const end = Math.min(frames, source.length);
      for (let i = 0; i < end; ++i) target[i] += source[i];
    }
  }
  return sum;
}

// `sound` lengthened with silence to `frames` (or returned as it is).
export function padded(sound: Stereo, frames: number): Stereo {
  if (sound[0].length >= frames) return sound;
  const out: Stereo = [new Float32Array(frames), new Float32Array(frames)];
  out[0].set(sound[0]);
  out[1].set(sound[1]);
  return out;
}
