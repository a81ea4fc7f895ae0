// The browser's own encoders (WebCodecs' AudioEncoder), fed the finished episode in chunks: what
// the Opus and M4A exports share. Their containers are written here, so nothing is fetched.

import type { Stereo } from './audio-files.js';
import { resampledBlocks } from './resampler.js';

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

// quellmar-duck's rates for stereo: 96 kbit/s Opus, 128 kbit/s AAC.
function bitrateBps(codec: string): number {
  return codec === 'opus' ? 96000 : 128000;
}
// Silence after the episode is fed in pieces of this many frames.
const kTailChunkFrames = 4096;
// Chunks the encoder may hold before the next is fed: its queue stays small.
const kMostQueued = 4;
// Packets are copied one after another into buffers of this size: an hour's 180 000 packets are
// views of a few dozen buffers, not as many buffers of their own, each with its own upkeep.
const kSlabBytes = 1 << 20;

// Whether this browser encodes `codec` (WebCodecs' name: 'opus', 'mp4a.40.2') in stereo at `rateHz`.
export async function canEncode(codec: string, rateHz: number): Promise<boolean> {
  if (typeof webCodecs.AudioEncoder !== 'function' || typeof webCodecs.AudioData !== 'function') return false;
  try {
    const answer = await webCodecs.AudioEncoder.isConfigSupported(
      { codec, sampleRate: rateHz, numberOfChannels: 2, bitrate: bitrateBps(codec) });
    return answer.supported === true;
  } catch {
    return false;
  }
}

export interface Encoded {
  // Empty where each packet was handed to a sink as it came.
  packets: Uint8Array[];
  // The first packet's time in microseconds: below zero where the encoder says how much it primes.
  firstTimestampUs: number;
  // The decoder's configuration the encoder gives with its first packet (OpusHead,
  // AudioSpecificConfig), if any.
  description: Uint8Array | null;
}

// Copies of encoded chunks, kept as views of shared slabs.
class PacketSlabs {
  private slab = new Uint8Array(0);
  private used = 0;

  copy(chunk: EncodedChunk): Uint8Array {
    const bytes = chunk.byteLength;
    if (this.used + bytes > this.slab.length) {
      this.slab = new Uint8Array(Math.max(kSlabBytes, bytes));
      this.used = 0;
    }
    const packet = this.slab.subarray(this.used, this.used + bytes);
    chunk.copyTo(packet);
    this.used += bytes;
    return packet;
  }
}

function bytesOf(view: ArrayBuffer | ArrayBufferView): Uint8Array {
  return view instanceof ArrayBuffer ? new Uint8Array(view.slice(0))
    : new Uint8Array(view.buffer.slice(view.byteOffset, view.byteOffset + view.byteLength));
}

// Takes each packet as the encoder gives it, with the decoder's configuration stated so far: the
// packet's bytes stay as they are (a view of a slab of their own).
export type PacketSink = (packet: Uint8Array, description: Uint8Array | null) => void;

// Encodes the blocks at `rateHz` with `codec`, followed by `tailFrames` of silence so that the
// encoder's delay gives out the last samples. The packets are kept, or handed to `sink`.
async function encodeWithBrowser(codec: string, blocks: AsyncIterable<Stereo>, rateHz: number,
  tailFrames: number, sink?: PacketSink): Promise<Encoded> {
  const codecs = webCodecs as WebCodecs;
  const encoded: Encoded = { packets: [], firstTimestampUs: 0, description: null };
  // What the encoder's callbacks report: its failure, and whom to wake when its queue shrinks.
  const status: { failure: Error | null; wake: (() => void) | null } = { failure: null, wake: null };
  const slabs = new PacketSlabs();
  let first = true;
  const encoder = new codecs.AudioEncoder({
    output: (chunk, metadata) => {
      const packet = slabs.copy(chunk);
      if (first) encoded.firstTimestampUs = chunk.timestamp;
      first = false;
      const description = metadata?.decoderConfig?.description;
      if (description && !encoded.description) encoded.description = bytesOf(description);
      if (sink) sink(packet, encoded.description);
      else encoded.packets.push(packet);
    },
    error: (error) => {
      status.failure = error;
      status.wake?.();
    },
  });
  encoder.ondequeue = () => status.wake?.();
  let at = 0;
  // AudioData copies what it is given: one buffer serves every chunk.
  let planes = new Float32Array(0);
  const feed = async ([left, right]: Stereo) => {
    const count = left.length;
    if (count === 0) return;
    if (planes.length < 2 * count) planes = new Float32Array(2 * count);
    const data = planes.subarray(0, 2 * count);
    data.set(left, 0);
    data.set(right, count);
    const audio = new codecs.AudioData({
      format: 'f32-planar', sampleRate: rateHz, numberOfFrames: count, numberOfChannels: 2,
      timestamp: Math.round((at * 1e6) / rateHz), data,
    });
    encoder.encode(audio);
    audio.close();
    at += count;
    while (encoder.encodeQueueSize > kMostQueued && !status.failure) {
      await new Promise<void>((resolve) => {
        status.wake = resolve;
      });
    }
    if (status.failure) throw status.failure;
  };
  try {
    encoder.configure({ codec, sampleRate: rateHz, numberOfChannels: 2, bitrate: bitrateBps(codec) });
    for await (const block of blocks) await feed(block);
    for (let left = tailFrames; left > 0; left -= kTailChunkFrames) {
      const count = Math.min(kTailChunkFrames, left);
      await feed([new Float32Array(count), new Float32Array(count)]);
    }
    await encoder.flush();
  } finally {
    // A failed encoder has closed itself.
    if (!status.failure) encoder.close();
  }
  return encoded;
}

// Encodes the episode at its own rate where the encoder takes it (Chromium's Opus encoder delays
// such rates by 32 frames, under a millisecond, left in), otherwise first brought to
// `fallbackRateHz`. Returns the packets (unless handed to `sink`), the rate they are at and the
// episode's length in frames at that rate.
export async function encodeEpisode(codec: string, name: string, blocks: AsyncIterable<Stereo>, frames: number,
  episodeRateHz: number, fallbackRateHz: number, tailSeconds: number, sink?: PacketSink,
): Promise<{ encoded: Encoded; rateHz: number; frames: number }> {
  const direct = await canEncode(codec, episodeRateHz);
  if (!direct && !(await canEncode(codec, fallbackRateHz))) throw new Error(`this browser cannot encode ${name}`);
  const rateHz = direct ? episodeRateHz : fallbackRateHz;
  const audio = resampledBlocks(blocks, episodeRateHz, rateHz);
  const encoded = await encodeWithBrowser(codec, audio, rateHz, Math.ceil(tailSeconds * rateHz), sink);
  return { encoded, rateHz, frames: direct ? frames : Math.ceil((frames * rateHz) / episodeRateHz) };
}
