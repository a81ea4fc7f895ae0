// MP3 export through LAME compiled to WebAssembly (npm's wasm-media-encoders), fetched from this
// page's own folder only when an MP3 is asked for, never before: the WAV page stays small.

import type { EpisodeWriter } from './episode.js';
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
// quellmar-duck's rate for a stereo MP3: transparent enough for speech over music.
const kBitrateKbps = 128;

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

// A writer of the episode as an MP3 after an ID3v2 tag with `tags`; the encoder is loaded when
// the writer is made.
export async function mp3Writer(rateHz: number, tags: EpisodeTags): Promise<EpisodeWriter> {
  if (!kMp3RatesHz.includes(rateHz)) throw new Error(`an MP3 cannot carry ${rateHz} Hz; export a WAV instead`);
  const lame = await loadLibrary();
  return async (blocks) => {
    const encoder = await lame.createEncoder('audio/mpeg', 'mp3/mp3.wasm');
    encoder.configure({ sampleRate: rateHz, channels: 2, bitrate: kBitrateKbps });
    const parts: Uint8Array[] = [id3v2(tags)];
    // The encoder hands out a view of its own memory: copied before the next call.
    for await (const block of blocks) parts.push(encoder.encode(block).slice());
    parts.push(encoder.finalize().slice());
    return new Blob(parts, { type: 'audio/mpeg' });
  };
}
