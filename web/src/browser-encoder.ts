// The browser's own encoders (WebCodecs' AudioEncoder), fed the finished episode in chunks: what
// the Opus and M4A exports share. Their containers are written here, so nothing is fetched.

import type { Stereo } from './audio-files.js';
import type { Progress } from './episode.js';

// The few WebCodecs types used here: TypeScript's DOM library does not declare them yet.
interface EncodedChunk {
  readonly byteLength: number;
  readonly timestamp: number;
  copyTo(destination: Uint8Array): void;
}
interface ChunkMetadata {
  decoderConfig?: { description?: ArrayBuffer | ArrayBufferView };
}
interface EncoderConfig {
  codec: string;
  sampleRate: number;
  numberOfChannels: number;
  bitrate?: number;
}
interface Encoder {
  readonly encodeQueueSize: number;
  ondequeue: (() => void) | null;
  configure(config: EncoderConfig): void;
  encode(data: object): void;
  flush(): Promise<void>;
  close(): void;
}
interface WebCodecs {
  AudioEncoder: {
    new (init: { output: (chunk: EncodedChunk, metadata?: ChunkMetadata) => void; error: (error: Error) => void }): Encoder;
    isConfigSupported(config: EncoderConfig): Promise<{ supported?: boolean }>;
  };
  AudioData: new (init: {
    format: 'f32-planar'; sampleRate: number; numberOfFrames: number; numberOfChannels: number; timestamp: number;
    data: Float32Array;
  }) => { close(): void };
}
const webCodecs = globalThis as unknown as Partial<WebCodecs>;

const kBitrateBps = 128000;
const kChunkFrames = 16384;
// Chunks the encoder may hold before the next is fed: its queue stays small.
const kMostQueued = 4;

// Whether this browser encodes `codec` (WebCodecs' name: 'opus', 'mp4a.40.2') in stereo at `rateHz`.
export async function canEncode(codec: string, rateHz: number): Promise<boolean> {
  if (typeof webCodecs.AudioEncoder !== 'function' || typeof webCodecs.AudioData !== 'function') return false;
  try {
    const answer = await webCodecs.AudioEncoder.isConfigSupported(
      { codec, sampleRate: rateHz, numberOfChannels: 2, bitrate: kBitrateBps });
    return answer.supported === true;
  } catch {
    return false;
  }
}

async function resampled([left, right]: Stereo, rateHz: number, toRateHz: number): Promise<Stereo> {
  const context = new OfflineAudioContext(2, Math.ceil((left.length * toRateHz) / rateHz), toRateHz);
  const buffer = context.createBuffer(2, left.length, rateHz);
  buffer.copyToChannel(left, 0);
  buffer.copyToChannel(right, 1);
  const source = new AudioBufferSourceNode(context, { buffer });
  source.connect(context.destination);
  source.start();
  const rendered = await context.startRendering();
  return [rendered.getChannelData(0), rendered.getChannelData(1)];
}

export interface Encoded {
  packets: Uint8Array[];
  // The first packet's time in microseconds: below zero where the encoder says how much it primes.
  firstTimestampUs: number;
  // The decoder's configuration the encoder gives with its first packet (OpusHead,
  // AudioSpecificConfig), if any.
  description: Uint8Array | null;
}

function bytesOf(view: ArrayBuffer | ArrayBufferView): Uint8Array {
  return view instanceof ArrayBuffer ? new Uint8Array(view.slice(0))
    : new Uint8Array(view.buffer.slice(view.byteOffset, view.byteOffset + view.byteLength));
}

// Encodes [left, right] at `rateHz` with `codec`, followed by `tailFrames` of silence so that the
// encoder's delay gives out the last samples.
async function encodeWithBrowser(codec: string, [left, right]: Stereo, rateHz: number, tailFrames: number,
  progress: Progress): Promise<Encoded> {
  const codecs = webCodecs as WebCodecs;
  const encoded: Encoded = { packets: [], firstTimestampUs: 0, description: null };
  // What the encoder's callbacks report: its failure, and whom to wake when its queue shrinks.
  const status: { failure: Error | null; wake: (() => void) | null } = { failure: null, wake: null };
  const encoder = new codecs.AudioEncoder({
    output: (chunk, metadata) => {
      const packet = new Uint8Array(chunk.byteLength);
      chunk.copyTo(packet);
      if (encoded.packets.length === 0) encoded.firstTimestampUs = chunk.timestamp;
      encoded.packets.push(packet);
      const description = metadata?.decoderConfig?.description;
      if (description && !encoded.description) encoded.description = bytesOf(description);
    },
    error: (error) => {
      status.failure = error;
      status.wake?.();
    },
  });
  encoder.ondequeue = () => status.wake?.();
  try {
    encoder.configure({ codec, sampleRate: rateHz, numberOfChannels: 2, bitrate: kBitrateBps });
    const frames = left.length;
    const total = frames + tailFrames;
    // AudioData copies what it is given: one planar buffer serves every chunk.
    const planes = new Float32Array(2 * kChunkFrames);
    for (let at = 0; at < total; at += kChunkFrames) {
      const count = Math.min(kChunkFrames, total - at);
      const data = planes.subarray(0, 2 * count);
      data.fill(0);
      if (at < frames) {
        const end = Math.min(frames, at + count);
        data.set(left.subarray(at, end), 0);
        data.set(right.subarray(at, end), count);
      }
      const audio = new codecs.AudioData({
        format: 'f32-planar', sampleRate: rateHz, numberOfFrames: count, numberOfChannels: 2,
        timestamp: Math.round((at * 1e6) / rateHz), data,
      });
      encoder.encode(audio);
      audio.close();
      while (encoder.encodeQueueSize > kMostQueued && !status.failure) {
        await new Promise<void>((resolve) => {
          status.wake = resolve;
        });
      }
      if (status.failure) throw status.failure;
      await progress(Math.min(1, (at + count) / total));
    }
    await encoder.flush();
  } finally {
    // A failed encoder has closed itself.
    if (!status.failure) encoder.close();
  }
  return encoded;
}

// Encodes the episode at its own rate where the encoder takes it (better than a linear
// OfflineAudioContext: Chromium's Opus encoder delays such rates by 32 frames, under a
// millisecond, left in), otherwise first brought to `fallbackRateHz`. Returns the packets, the
// rate they are at and the episode's length in frames at that rate.
export async function encodeEpisode(codec: string, name: string, episode: Stereo, episodeRateHz: number,
  fallbackRateHz: number, tailSeconds: number, progress: Progress,
): Promise<{ encoded: Encoded; rateHz: number; frames: number }> {
  const direct = await canEncode(codec, episodeRateHz);
  if (!direct && !(await canEncode(codec, fallbackRateHz))) throw new Error(`this browser cannot encode ${name}`);
  const rateHz = direct ? episodeRateHz : fallbackRateHz;
  const audio = direct ? episode : await resampled(episode, episodeRateHz, rateHz);
  const encoded = await encodeWithBrowser(codec, audio, rateHz, Math.ceil(tailSeconds * rateHz), progress);
  return { encoded, rateHz, frames: audio[0].length };
}
