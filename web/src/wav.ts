// WAV files of the finished episode: 16-bit PCM (TPDF-dithered as quellmar-duck's are, or plainly
// rounded) or 32-bit float, with the title and artist in a LIST INFO chunk.

import type { EpisodeWriter } from './episode.js';
import type { QuellmarModule } from './engine.js';
import { type EpisodeTags, wavInfoChunk } from './tags.js';

export type WavFormat = 'pcm16' | 'float32';

const kQuantizerBlockFrames = 65536;
const kNoTags: EpisodeTags = { title: '', artist: '', cover: null };

// Chunks of samples gathered into parts of about this many frames, so that an hour's file is a
// few hundred parts.
const kPartFrames = 1 << 18;

// A writer of WAV files from the episode's blocks.
export function wavWriter(module: QuellmarModule, rateHz: number, format: WavFormat, tags: EpisodeTags = kNoTags,
  dither = true): EpisodeWriter {
  return async (blocks, frames) => {
    const bytesPerSample = format === 'pcm16' ? 2 : 4;
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
    // The samples interleaved in parts of their own (little-endian, as every browser's typed
    // arrays are); the dither runs on from block to block.
    const quantizer = format === 'pcm16' ? module.createQuantizer16(dither, kQuantizerBlockFrames) : null;
    const parts: BlobPart[] = [header];
    let part: Float32Array | Int16Array | null = null;
    let filled = 0;
    try {
      for await (const [left, right] of blocks) {
        for (let done = 0; done < left.length; ) {
          part ??= quantizer ? new Int16Array(2 * kPartFrames) : new Float32Array(2 * kPartFrames);
          const count = Math.min(kPartFrames - filled, left.length - done);
          const target = part.subarray(2 * filled, 2 * (filled + count));
          if (quantizer) {
            quantizer.convert([left.subarray(done, done + count), right.subarray(done, done + count)], target as Int16Array);
          } else {
            for (let i = 0; i < count; ++i) {
              target[2 * i] = left[done + i];
              target[2 * i + 1] = right[done + i];
            }
          }
          filled += count;
          done += count;
          if (filled === kPartFrames) {
            parts.push(part);
            part = null;
            filled = 0;
          }
        }
      }
    } finally {
      quantizer?.dispose();
    }
    if (part && filled > 0) parts.push(part.subarray(0, 2 * filled));
    return new Blob(parts, { type: 'audio/wav' });
  };
}
