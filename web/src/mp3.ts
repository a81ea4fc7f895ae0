// MP3 export through LAME compiled to WebAssembly (npm's wasm-media-encoders), run in workers that
// load it from this page's mp3/ folder only when an MP3 is asked for, never before: the WAV page
// stays small. A long episode is encoded in two halves side by side, as quellmar-duck does, and
// joined where the two encoders agree (the file tool's join, in the engine's module). The file
// starts with LAME's Info frame, so that it plays exactly as long as the episode.

import type { Stereo } from './audio-files.js';
import type { EpisodeWriter } from './episode.js';
import type { QuellmarModule } from './engine.js';
import { frameStarts, infoFrame, kMp3FrameSamples } from './mp3-frames.js';
import { type EpisodeTags, id3v2, joined } from './tags.js';

// The rates an MP3 file can carry.
export const kMp3RatesHz = [8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000];
// quellmar-duck's rate for a stereo MP3: transparent enough for speech over music.
const kBitrateKbps = 128;

// The stretches of a split, in frames of audio: LAME's frame; the second encoder's lead-in before
// the split, long enough for its bit reservoir to fill as the first's did; the first encoder's
// run-out past it, where the join is looked for; the frames kept before the split, whose bytes the
// frames after it may borrow.
const kCodecFrames = kMp3FrameSamples;
const kLeadInFrames = 420 * kCodecFrames;
const kRunOutFrames = 420 * kCodecFrames;
const kKeptBeforeFrames = 3 * kCodecFrames;
// How far past a frame's start LAME reads its input (the frame, its windows' overlap and its
// look-ahead), with room to spare: the first encoder's last frames are partly the silence it was
// flushed with.
const kLameReachFrames = 4 * kCodecFrames;
// Episodes shorter than this are encoded whole: a second encoder would not pay.
const kShortestSplitSeconds = 60;
// Blocks handed to a worker and not yet encoded, at most: a few seconds of audio.
const kMostBlocksInFlight = 16;

// Where a long episode of `frames` frames is split (a whole number of LAME's frames), or 0 where it
// is encoded whole: at rates under 32 kHz LAME writes MPEG-2 frames, which the join does not take.
function splitFrameFor(frames: number, rateHz: number): number {
  if (rateHz < 32000 || frames < kShortestSplitSeconds * rateHz || (navigator.hardwareConcurrency ?? 1) < 2) return 0;
  const split = Math.floor(frames / 2 / kCodecFrames) * kCodecFrames;
  return split >= 2 * kLeadInFrames ? split : 0;
}

// One stretch of the episode encoded by LAME in a worker of its own.
class WorkerEncoder {
  private readonly worker = new Worker('mp3/encoder-worker.js');
  private readonly parts: Uint8Array[] = [];
  private inFlight = 0;
  private failure: Error | null = null;
  // Called at each message from the worker.
  private wake: Array<() => void> = [];
  private ended = false;
  // Frames handed to the encoder so far.
  handedFrames = 0;

  constructor(rateHz: number) {
    this.worker.onmessage = (event: MessageEvent) => {
      const { encoded, ended, failed } = event.data as { encoded?: Uint8Array; ended?: Uint8Array; failed?: string };
      if (failed !== undefined) this.fail(new Error(`the MP3 encoder failed: ${failed}`));
      for (const bytes of [encoded, ended]) if (bytes) this.parts.push(bytes);
      if (encoded) --this.inFlight;
      if (ended) this.ended = true;
      this.woken();
    };
    this.worker.onerror = () => this.fail(new Error('the MP3 encoder could not be loaded'));
    this.worker.postMessage({ rateHz, bitrateKbps: kBitrateKbps });
  }

  // Hands a block on (copied); waits while the worker has enough to do.
  async encode(block: Stereo): Promise<void> {
    this.check();
    const copy = [block[0].slice(), block[1].slice()];
    this.worker.postMessage({ audio: copy }, copy.map((channel) => channel.buffer));
    ++this.inFlight;
    this.handedFrames += block[0].length;
    while (this.inFlight >= kMostBlocksInFlight) await this.nextMessage();
  }

  // Waits until `frames` frames have been handed on, or the encoder stopped.
  async handed(frames: number): Promise<void> {
    while (this.handedFrames < frames && !this.ended) await this.nextMessage();
  }

  // The whole stream, once the encoder has given its last bytes.
  async end(): Promise<Uint8Array> {
    this.check();
    this.worker.postMessage({ end: true });
    while (!this.ended) await this.nextMessage();
    return joined(this.parts);
  }

  close(): void {
    this.worker.terminate();
    this.fail(new Error('the MP3 encoder was stopped'));
  }

  private nextMessage(): Promise<void> {
    this.check();
    return new Promise((resolve) => this.wake.push(resolve));
  }

  private woken(): void {
    const waiting = this.wake;
    this.wake = [];
    for (const resolve of waiting) resolve();
  }

  private fail(error: Error): void {
    this.failure ??= error;
    this.ended = true;
    this.woken();
  }

  private check(): void {
    if (this.failure) throw this.failure;
  }
}

// Views of frames [from, to) of a stream.
function framesOf(stream: Uint8Array, starts: number[], from: number, to: number): Uint8Array[] {
  const frames: Uint8Array[] = [];
  for (let i = from; i < to; ++i) frames.push(stream.subarray(starts[i], starts[i + 1]));
  return frames;
}

// The first stream up to the join and the second from it, or null where they cannot be joined.
// The first encoder was given the episode up to `firstEnd`, the second from `secondStart`; `split`
// is where the join is looked for from.
function joinedStreams(module: QuellmarModule, first: Uint8Array, second: Uint8Array, split: number, firstEnd: number,
  secondStart: number): Uint8Array[] | null {
  const [firstStarts, secondStarts] = [frameStarts(first), frameStarts(second)];
  if (!firstStarts || !secondStarts) return null;
  // Frame i of the first stream and frame i - offset of the second encode the same stretch.
  const offset = secondStart / kCodecFrames;
  const from = (split - kKeptBeforeFrames) / kCodecFrames;
  const firstWhole = Math.floor((firstEnd - kLameReachFrames) / kCodecFrames) + 1;
  if (from - offset < 0 || firstWhole <= from || firstStarts.length - 1 <= from || secondStarts.length - 1 <= from - offset) {
    return null;
  }
  const join = module.joinMp3(framesOf(first, firstStarts, from, firstStarts.length - 1),
    framesOf(second, secondStarts, from - offset, secondStarts.length - 1), kKeptBeforeFrames / kCodecFrames,
    firstWhole - from);
  if (join < 0) return null;
  return [first.subarray(0, firstStarts[from + join]), second.subarray(secondStarts[from - offset + join])];
}

// The episode encoded in two halves side by side: the first encoder takes it up to the split and
// its run-out, the second from its lead-in before the split to the end, read again by `again`.
// What comes after the first half still passes on (the page measures it as it goes), as fast as the
// second encoder takes its own. Null where the two halves could not be joined.
async function encodedInHalves(module: QuellmarModule, rateHz: number, blocks: AsyncIterable<Stereo>,
  again: (from: number) => AsyncIterable<Stereo>, split: number): Promise<Uint8Array[] | null> {
  const encoders = [new WorkerEncoder(rateHz), new WorkerEncoder(rateHz)];
  const [first, second] = encoders;
  const firstEnd = split + kRunOutFrames;
  const secondStart = split - kLeadInFrames;
  try {
    const feedFirst = async () => {
      let at = 0;
      for await (const block of blocks) {
        const count = Math.min(block[0].length, Math.max(0, firstEnd - at));
        if (count > 0) await first.encode([block[0].subarray(0, count), block[1].subarray(0, count)]);
        else await second.handed(at - secondStart);
        at += block[0].length;
      }
    };
    const feedSecond = async () => {
      for await (const block of again(secondStart)) await second.encode(block);
    };
    // Either failing stops the other: its encoder is closed.
    await Promise.all([feedFirst(), feedSecond()].map((feeding) => feeding.catch((error: unknown) => {
      for (const encoder of encoders) encoder.close();
      throw error;
    })));
    const [firstStream, secondStream] = await Promise.all(encoders.map((encoder) => encoder.end()));
    return joinedStreams(module, firstStream, secondStream, split, firstEnd, secondStart);
  } finally {
    for (const encoder of encoders) encoder.close();
  }
}

async function encodedWhole(rateHz: number, blocks: AsyncIterable<Stereo>): Promise<Uint8Array> {
  const encoder = new WorkerEncoder(rateHz);
  try {
    for await (const block of blocks) await encoder.encode(block);
    return await encoder.end();
  } finally {
    encoder.close();
  }
}

// A writer of the episode as an MP3 after an ID3v2 tag with `tags`.
export function mp3Writer(rateHz: number, tags: EpisodeTags, module: QuellmarModule): EpisodeWriter {
  if (!kMp3RatesHz.includes(rateHz)) throw new Error(`an MP3 cannot carry ${rateHz} Hz; export a WAV instead`);
  return async (blocks, frames, again) => {
    const split = again ? splitFrameFor(frames, rateHz) : 0;
    const halves = split > 0 && again ? await encodedInHalves(module, rateHz, blocks, again, split) : null;
    // Where the halves could not be joined, the episode is encoded again whole.
    const stream = halves ?? [await encodedWhole(rateHz, split > 0 && again ? again(0) : blocks)];
    const info = infoFrame(stream, frames);
    return new Blob([id3v2(tags), ...(info ? [info] : []), ...stream], { type: 'audio/mpeg' });
  };
}
