// WAV files of the finished episode: 16-bit PCM (TPDF-dithered as quellmar-duck's are, or plainly
// rounded) or 32-bit float.

import type { Stereo } from './audio-files.js';
import type { QuellmarModule } from './engine.js';

export type WavFormat = 'pcm16' | 'float32';

const kQuantizerBlockFrames = 65536;

export function encodeWav(module: QuellmarModule, [left, right]: Stereo, rateHz: number, format: WavFormat,
  dither = true): Blob {
  const bytesPerSample = format === 'pcm16' ? 2 : 4;
  const frames = left.length;
  const dataBytes = frames * 2 * bytesPerSample;
  const buffer = new ArrayBuffer(44 + dataBytes);
  const view = new DataView(buffer);
  const text = (at: number, value: string) => {
    for (let i = 0; i < value.length; ++i) view.setUint8(at + i, value.charCodeAt(i));
  };
  text(0, 'RIFF');
  view.setUint32(4, 36 + dataBytes, true);
  text(8, 'WAVEfmt ');
  view.setUint32(16, 16, true);
  view.setUint16(20, format === 'pcm16' ? 1 : 3, true);
  view.setUint16(22, 2, true);
  view.setUint32(24, rateHz, true);
  view.setUint32(28, rateHz * 2 * bytesPerSample, true);
  view.setUint16(32, 2 * bytesPerSample, true);
  view.setUint16(34, bytesPerSample * 8, true);
  text(36, 'data');
  view.setUint32(40, dataBytes, true);
  if (format === 'float32') {
    const samples = new Float32Array(buffer, 44, frames * 2);
    for (let i = 0; i < frames; ++i) {
      samples[2 * i] = left[i];
      samples[2 * i + 1] = right[i];
    }
  } else {
    const quantizer = module.createQuantizer16(dither, kQuantizerBlockFrames);
    try {
      quantizer.convert([left, right], new Int16Array(buffer, 44, frames * 2));
    } finally {
      quantizer.dispose();
    }
  }
  return new Blob([buffer], { type: 'audio/wav' });
}
