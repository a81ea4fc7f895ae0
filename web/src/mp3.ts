// MP3 export through LAME compiled to WebAssembly (npm's wasm-media-encoders), fetched from this
// page's own folder only when an MP3 is asked for, never before: the WAV page stays small.

import type { Stereo } from './audio-files.js';
import type { Progress } from './episode.js';
import { type EpisodeTags, id3v2 } from './tags.js';

interface Mp3Encoder {
  configure(params: { sampleRate: number; channels: 1 | 2; bitrate?: number; vbrQuality?: number }): void;
  encode(samples: readonly Float32Array[]): Uint8Array;
  finalize(): Uint8Array;
}

interface EncoderLibrary {
  createEncoder(mimeType: 'audio/mpeg', wasm: string): Promise<Mp3Encoder>;
}

// The rates an MP3 file can carry.
export const kMp3RatesHz = [8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000];
const kBitrateKbps = 192;
const kChunkFrames = 1152 * 64;

let library: Promise<EncoderLibrary> | null = null;

function loadLibrary(): Promise<EncoderLibrary> {
  library ??= new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = 'mp3/WasmMediaEncoder.min.js';
    script.onload = () => resolve((window as unknown as { WasmMediaEncoder: EncoderLibrary }).WasmMediaEncoder);
    script.onerror = () => {
      library = null;
      reject(new Error('the MP3 encoder could not be loaded'));
    };
    document.head.append(script);
  });
  return library;
}

// The episode as an MP3 after an ID3v2 tag with `tags`.
export async function encodeMp3([left, right]: Stereo, rateHz: number, progress: Progress, tags: EpisodeTags): Promise<Blob> {
  if (!kMp3RatesHz.includes(rateHz)) throw new Error(`an MP3 cannot carry ${rateHz} Hz; export a WAV instead`);
  const encoder = await (await loadLibrary()).createEncoder('audio/mpeg', 'mp3/mp3.wasm');
  encoder.configure({ sampleRate: rateHz, channels: 2, bitrate: kBitrateKbps });
  const parts: Uint8Array[] = [id3v2(tags)];
  for (let at = 0; at < left.length; at += kChunkFrames) {
    const end = Math.min(left.length, at + kChunkFrames);
    // The encoder hands out a view of its own memory: copy before the next call.
    parts.push(encoder.encode([left.subarray(at, end), right.subarray(at, end)]).slice());
    await progress(end / left.length);
  }
  parts.push(encoder.finalize().slice());
  return new Blob(parts, { type: 'audio/mpeg' });
}
