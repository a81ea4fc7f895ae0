// WAV files of the finished episode: 16-bit PCM (TPDF-dithered as quellmar-duck's are, or plainly
// rounded) or 32-bit float, with the title and artist in a LIST INFO chunk.

import type { Stereo } from './audio-files.js';
import type { QuellmarModule } from './engine.js';
import { type EpisodeTags, wavInfoChunk } from './tags.js';

export type WavFormat = 'pcm16' | 'float32';

const kQuantizerBlockFrames = 65536;
const kNoTags: EpisodeTags = { title: '', artist: '', cover: null };

export function encodeWav(module: QuellmarModule, [left, right]: Stereo, rateHz: number, format: WavFormat,
  tags: EpisodeTags = kNoTags, dither = true): Blob {
  const bytesPerSample = format === 'pcm16' ? 2 : 4;
  const frames = left.length;
  const dataBytes = frames * 2 * bytesPerSample;
  const info = wavInfoChunk(tags);
  const header = new Uint8Array(44 + info.length);
  const view = new DataView(header.buffer);
  const text = (at: number, value: string) => {
    for (let i = 0; i < value.length; ++i) view.setUint8(at + i, value.charCodeAt(i));
  };
  text(0, 'RIFF');
  view.setUint32(4, 36 + info.length + dataBytes, true);
  text(8, 'WAVEfmt ');
  view.setUint32(16, 16, true);
  view.setUint16(20, format === 'pcm16' ? 1 : 3, true);
  view.setUint16(22, 2, true);
  view.setUint32(24, rateHz, true);
  view.setUint32(28, rateHz * 2 * bytesPerSample, true);
  view.setUint16(32, 2 * bytesPerSample, true);
  view.setUint16(34, bytesPerSample * 8, true);
  header.set(info, 36);
  text(36 + info.length, 'data');
  view.setUint32(40 + info.length, dataBytes, true);
  // The samples in an array of their own (little-endian, as every browser's typed arrays are).
  let samples: Float32Array | Int16Array;
  if (format === 'float32') {
    samples = new Float32Array(frames * 2);
    for (let i = 0; i < frames; ++i) {
      samples[2 * i] = left[i];
      samples[2 * i + 1] = right[i];
    }
  } else {
    samples = new Int16Array(frames * 2);
    const quantizer = module.createQuantizer16(dither, kQuantizerBlockFrames);
    try {
      quantizer.convert([left, right], samples);
    } finally {
      quantizer.dispose();
    }
  }
  return new Blob([header, samples], { type: 'audio/wav' });
}
