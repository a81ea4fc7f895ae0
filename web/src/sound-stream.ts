// Sound files read as they are needed: demuxed by npm's mediabunny (served from this page's own
// folder) and decoded by the browser's WebCodecs, a few thousand frames at a time, folded to stereo
// and brought to the episode's rate. What an hour-long voice or bed is read through, and how an
// encoded episode is measured, without holding either whole.

import { foldPlanes, type Stereo } from './audio-files.js';
import { type EpisodeInputs, kBlockFrames } from './episode.js';
import { resampledBlocks } from './resampler.js';

// The few parts of mediabunny used here.
interface DecodedSample {
  readonly numberOfFrames: number;
  readonly numberOfChannels: number;
  // Seconds; below zero for the encoder's priming, which is dropped.
  readonly timestamp: number;
  copyTo(destination: Float32Array, options: { planeIndex: number; format: 'f32-planar' }): void;
  close(): void;
}
interface AudioTrack {
  readonly sampleRate: number;
  readonly numberOfChannels: number;
  canDecode(): Promise<boolean>;
  computeDuration(): Promise<number>;
}
interface Mediabunny {
  ALL_FORMATS: unknown[];
  BlobSource: new (blob: Blob) => unknown;
  Input: new (options: { formats: unknown[]; source: unknown }) => {
    getPrimaryAudioTrack(): Promise<AudioTrack | null>;
    dispose(): void;
  };
  AudioSampleSink: new (track: AudioTrack) => { samples(startSeconds?: number): AsyncGenerator<DecodedSample> };
}

let library: Promise<Mediabunny> | null = null;

// Loads the demuxer; the page asks for it at start, so that nothing is fetched later.
export function loadDemuxer(): Promise<Mediabunny> {
  // A path in a variable: the module is the page's file, not one the compiler resolves.
  const path = './mediabunny.js';
  library ??= import(path) as Promise<Mediabunny>;
  return library;
}

export interface StreamedSound {
  name: string;
  fileRateHz: number;
  fileChannels: number;
  // The file's length as its container states it (s); the frames read may differ by a codec frame.
  statedSeconds: number;
}

// Opens `file` to read: its rate, channels and stated length. Throws an Error naming the file when
// the browser cannot read it as sound.
export async function openSound(file: Blob, name: string): Promise<StreamedSound> {
  const { Input, BlobSource, ALL_FORMATS } = await loadDemuxer();
  const input = new Input({ formats: ALL_FORMATS, source: new BlobSource(file) });
  try {
    const track = await input.getPrimaryAudioTrack();
    if (!track || !(await track.canDecode())) throw new Error();
    return { name, fileRateHz: track.sampleRate, fileChannels: track.numberOfChannels, statedSeconds: await track.computeDuration() };
  } catch {
    throw new Error(`${name}: this browser cannot decode it as sound`);
  } finally {
    input.dispose();
  }
}

// `file`'s sound from `fromSeconds` (within a frame), folded to stereo and at `rateHz`, in the
// pieces the decoder gives.
export async function* soundChunks(file: Blob, rateHz: number, fromSeconds = 0): AsyncGenerator<Stereo> {
  const { Input, BlobSource, ALL_FORMATS } = await loadDemuxer();
  const input = new Input({ formats: ALL_FORMATS, source: new BlobSource(file) });
  try {
    const track = await input.getPrimaryAudioTrack();
    if (track) yield* resampledBlocks(decodedPieces(track, fromSeconds), track.sampleRate, rateHz);
  } finally {
    input.dispose();
  }
}

// The track's decoded pieces from `fromSeconds`, folded to stereo at the track's own rate.
async function* decodedPieces(track: AudioTrack, fromSeconds: number): AsyncGenerator<Stereo> {
  const { AudioSampleSink } = await loadDemuxer();
  for await (const sample of new AudioSampleSink(track).samples(fromSeconds)) {
    try {
      const frames = sample.numberOfFrames;
      // What lies before the start asked for is skipped, and so is the priming before zero.
      const skip = Math.min(frames, Math.max(0, Math.round((fromSeconds - sample.timestamp) * track.sampleRate)));
      if (skip === frames) continue;
      const planes = Array.from({ length: sample.numberOfChannels }, (_, c) => {
        const plane = new Float32Array(frames);
        sample.copyTo(plane, { planeIndex: c, format: 'f32-planar' });
        return plane.subarray(skip);
      });
      yield foldPlanes(planes);
    } finally {
      sample.close();
    }
  }
}

// Reads a stream of pieces in blocks of a chosen length, with silence after its end.
export class BlockReader {
  private held: Stereo = [new Float32Array(0), new Float32Array(0)];
  private ended = false;
  // What take() fills: one pair of arrays for every call, so that an hour's reading leaves no
  // trail of arrays for the browser's collector.
  private taken: Stereo = [new Float32Array(0), new Float32Array(0)];

  constructor(private readonly pieces: AsyncIterator<Stereo>) {}

  // The next `frames` frames: views that the next call reuses.
  async take(frames: number): Promise<Stereo> {
    if (this.taken[0].length < frames) this.taken = [new Float32Array(frames), new Float32Array(frames)];
    const out: Stereo = [this.taken[0].subarray(0, frames), this.taken[1].subarray(0, frames)];
    let filled = 0;
    while (filled < frames) {
      if (this.held[0].length === 0) {
        if (this.ended) break;
        const next = await this.pieces.next();
        if (next.done) {
          this.ended = true;
          break;
        }
        this.held = next.value;
        continue;
      }
      const count = Math.min(frames - filled, this.held[0].length);
      for (let c = 0; c < 2; ++c) {
        out[c].set(this.held[c].subarray(0, count), filled);
        this.held[c] = this.held[c].subarray(count);
      }
      filled += count;
    }
    for (const channel of out) channel.fill(0, filled);
    return out;
  }

  // Ends the stream early (its file is closed).
  async close(): Promise<void> {
    await this.pieces.return?.(undefined);
  }
}

// The episode's inputs read from their files each time: the bed and the voices summed, at
// `rateHz`, silence after each has ended, `frames` in all.
export function streamedInputs(bed: Blob, voices: Blob[], rateHz: number, frames: number): EpisodeInputs {
  return {
    frames,
    async *read(from = 0) {
      const open = (file: Blob) => new BlockReader(soundChunks(file, rateHz, from / rateHz)[Symbol.asyncIterator]());
      const bedReader = open(bed);
      const voiceReaders = voices.map(open);
      try {
        for (let at = from; at < frames; at += kBlockFrames) {
          const count = Math.min(kBlockFrames, frames - at);
          // Every file's decoder at work at once.
          const [block, key, ...more] = await Promise.all([bedReader, ...voiceReaders].map((reader) => reader.take(count)));
          for (const voice of more) {
            for (let c = 0; c < 2; ++c) {
              for (let i = 0; i < count; ++i) key[c][i] += voice[c][i];
            }
          }
          yield { bed: block, key };
        }
      } finally {
        await Promise.all([bedReader, ...voiceReaders].map((reader) => reader.close()));
      }
    },
  };
}
