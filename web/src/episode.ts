// The episode made with the engine, as quellmar-duck makes it: the bed ducked under the summed
// voices (the look-ahead's delay dropped), the voices mixed in, then measured, brought to the
// loudness target and held under the true-peak ceiling by the limiter. Every pass reads its inputs
// again from the start and hands what it makes on block by block, so that an hour-long episode is
// never held whole: what is kept is only what the encoder wrote.

import type { Stereo } from './audio-files.js';
import { ControlId, type QuellmarModule } from './engine.js';

export interface EpisodeSettings {
  // Pairs of control and value in user units, set on the ducker in order.
  controls: Array<[ControlId, number]>;
  mix: boolean;
  // Loudness target (LUFS) and ceiling (dBTP); null: no loudness stage.
  loudnessLufs: number | null;
  ceilingDbtp: number;
}

// Called with the fraction done (0..1) between blocks; may wait so that the page can draw.
export type Progress = (fraction: number) => Promise<void> | void;

// The bed and the summed voices of the same stretch of the episode.
export interface InputBlock {
  bed: Stereo;
  key: Stereo;
}

// The episode's inputs, read from frame `from` (the start when not given) each time `read` is
// called: blocks of at most kBlockFrames, up to `frames`.
export interface EpisodeInputs {
  frames: number;
  read(from?: number): AsyncIterable<InputBlock>;
  // Whether they are held whole: the mix made from them is held too, for the passes after the first.
  held?: boolean;
}

// Writes the finished episode from its blocks (`frames` in all) into a file. `again` reads the
// same episode once more, from frame `from` on, for a writer that encodes two stretches side by
// side.
export type EpisodeWriter = (blocks: AsyncIterable<Stereo>, frames: number,
  again?: (from: number) => AsyncIterable<Stereo>) => Promise<Blob>;

export const kBlockFrames = 4096;
// Blocks between calls of a progress callback: a few milliseconds of work.
const kBlocksPerSlice = 16;
// The limiter aims this far under the ceiling, as quellmar-duck does (its interpolation's error).
export const kCeilingMarginDb = 0.05;
// The most the loudness gain raises a quiet mix, as quellmar-duck allows.
const kMaxGainDb = 30;
const kLoudnessToleranceLu = 0.1;
// A mix whose loudest sample, after the gain, stays this far under the ceiling is not limited.
const kUntouchedHeadroomDb = 1;
// Passes that measure the limited mix at most, each correcting the gain by what it missed.
const kMostLimiterTrials = 3;
// Writing passes at most: the one aimed by the measuring passes, and its safety net.
const kMostWritingPasses = 2;

// Inputs held whole (both as long as the episode), read in views.
export function heldInputs(bed: Stereo, key: Stereo): EpisodeInputs {
  const frames = bed[0].length;
  return {
    frames,
    held: true,
    async *read(from = 0) {
      for (let at = from; at < frames; at += kBlockFrames) {
        const end = Math.min(frames, at + kBlockFrames);
        yield {
          bed: [bed[0].subarray(at, end), bed[1].subarray(at, end)],
          key: [key[0].subarray(at, end), key[1].subarray(at, end)],
        };
      }
    },
  };
}

// What a pass of the ducker gives for each stretch, frame `at` of the episode onwards: the ducked
// bed, the voices that go with it (when asked for) and each frame's gain. Views that the next
// block reuses.
export interface DuckedBlock {
  at: number;
  audio: Stereo;
  key: Stereo | null;
  gains: Float32Array;
}

// The key as it was `delayFrames` frames earlier, block by block.
class KeyDelay {
  private readonly joined: Stereo;
  private readonly delayed: Stereo = [new Float32Array(kBlockFrames), new Float32Array(kBlockFrames)];

  constructor(private readonly delayFrames: number) {
    this.joined = [new Float32Array(delayFrames + kBlockFrames), new Float32Array(delayFrames + kBlockFrames)];
  }

  // Takes `count` frames (silence for a missing block) and returns the `count` frames that were
  // `delayFrames` before them: views that the next call reuses.
  shift(key: Stereo | null, count: number): Stereo {
    const out: Stereo = [this.delayed[0].subarray(0, count), this.delayed[1].subarray(0, count)];
    for (let c = 0; c < 2; ++c) {
      const line = this.joined[c];
      if (key) line.set(key[c].subarray(0, count), this.delayFrames);
      else line.fill(0, this.delayFrames, this.delayFrames + count);
      out[c].set(line.subarray(0, count));
      line.copyWithin(0, count, count + this.delayFrames);
    }
    return out;
  }
}

// The bed ducked under the key, block by block, the look-ahead's delay dropped.
export async function* ducked(module: QuellmarModule, rateHz: number, inputs: EpisodeInputs,
  controls: Array<[ControlId, number]>, withKey: boolean, progress?: Progress): AsyncGenerator<DuckedBlock> {
  const ducker = module.createDucker(rateHz, kBlockFrames);
  let blocks: AsyncIterator<InputBlock> | null = null;
  try {
    ducker.setControl(ControlId.DuckKey, 1);
    for (const [id, value] of controls) ducker.setControl(id, value);
    const latency = ducker.latencyFrames();
    const frames = inputs.frames;
    const delay = withKey ? new KeyDelay(latency) : null;
    const reading = inputs.read()[Symbol.asyncIterator]();
    blocks = reading;
    // The key is read `latency` frames ahead of the bed it lowers: what comes out first is dropped,
    // and silence follows the inputs until the last frame is out.
    for (let at = 0, block = 0; at < frames + latency; ++block) {
      const next = at < frames ? await reading.next() : null;
      const input = next && !next.done ? next.value : null;
      const count = input ? input.bed[0].length : Math.min(kBlockFrames, frames + latency - at);
      const [inLeft, inRight] = ducker.audio();
      const [keyLeft, keyRight] = ducker.key();
      for (const [target, source] of [[inLeft, input?.bed[0]], [inRight, input?.bed[1]], [keyLeft, input?.key[0]],
        [keyRight, input?.key[1]]] as const) {
        if (source) target.set(source);
        else target.fill(0, 0, count);
      }
      const delayedKey = delay?.shift(input?.key ?? null, count) ?? null;
      ducker.process(count);
      const from = Math.max(0, latency - at);
      const to = Math.min(count, frames + latency - at);
      if (to > from) {
        const [outLeft, outRight] = ducker.audio();
        yield {
          at: at + from - latency,
          audio: [outLeft.subarray(from, to), outRight.subarray(from, to)],
          key: delayedKey ? [delayedKey[0].subarray(from, to), delayedKey[1].subarray(from, to)] : null,
          gains: ducker.factors().subarray(from, to),
        };
      }
      at += count;
      if (progress && block % kBlocksPerSlice === 0) await progress(Math.min(1, at / (frames + latency)));
    }
  } finally {
    ducker.dispose();
    // Stopped early (a newer request), the inputs' files are closed too.
    await blocks?.return?.();
  }
}

// The ducked bed with the voices over it (when `mix`), in blocks of exactly kBlockFrames (the last
// shorter). One pair of arrays serves every block: each stretch of the passes after it is used up
// before the next is asked for, and an hour's worth of arrays made and dropped would leave the
// browser's collector behind on a busy machine.
async function* mixed(module: QuellmarModule, rateHz: number, inputs: EpisodeInputs, settings: EpisodeSettings,
  progress?: Progress): AsyncGenerator<Stereo> {
  const block: Stereo = [new Float32Array(kBlockFrames), new Float32Array(kBlockFrames)];
  let filled = 0;
  for await (const { audio, key } of ducked(module, rateHz, inputs, settings.controls, settings.mix, progress)) {
    for (let done = 0; done < audio[0].length; ) {
      const count = Math.min(kBlockFrames - filled, audio[0].length - done);
      for (let c = 0; c < 2; ++c) {
        const target = block[c];
        target.set(audio[c].subarray(done, done + count), filled);
        if (key) {
          const voice = key[c];
          for (let i = 0; i < count; ++i) target[filled + i] += voice[done + i];
        }
      }
      filled += count;
      done += count;
      if (filled === kBlockFrames) {
        yield block;
        filled = 0;
      }
    }
  }
  if (filled > 0) yield [block[0].subarray(0, filled), block[1].subarray(0, filled)];
}

// Blocks of `audio` times `gain`, through the true-peak limiter at `ceilingDb`, its latency
// dropped: copied out of the module's memory, which a meter further on may grow (and so cut off
// every view of it), into one pair of arrays that the next block reuses.
async function* limited(module: QuellmarModule, rateHz: number, audio: AsyncIterable<Stereo>, gain: number,
  ceilingDb: number): AsyncGenerator<Stereo> {
  const limiter = module.createLimiter(rateHz, ceilingDb, kBlockFrames);
  try {
    const latency = limiter.latencyFrames;
    const kept: Stereo = [new Float32Array(limiter.maxBlockFrames), new Float32Array(limiter.maxBlockFrames)];
    const copied = (from: number, to: number): Stereo => {
      const done = limiter.audio();
      for (let c = 0; c < 2; ++c) kept[c].set(done[c].subarray(from, to));
      return [kept[0].subarray(0, to - from), kept[1].subarray(0, to - from)];
    };
    let seen = 0;
    const out = (count: number): Stereo | null => {
      const from = Math.max(0, latency - seen);
      seen += count;
      return count > from ? copied(from, count) : null;
    };
    for await (const block of audio) {
      const count = block[0].length;
      const buffers = limiter.audio();
      for (let c = 0; c < 2; ++c) {
        const source = block[c];
        const target = buffers[c];
        for (let i = 0; i < count; ++i) target[i] = source[i] * gain;
      }
      limiter.process(count);
      const piece = out(count);
      if (piece) yield piece;
    }
    // What the limiter still holds: its latency's worth, of which only the audio's own frames.
    const skip = Math.max(0, latency - seen);
    limiter.flush();
    if (latency > skip) yield copied(skip, latency);
  } finally {
    limiter.dispose();
  }
}

// The blocks as they are, telling `seen` each one's largest magnitude.
async function* peakOf(blocks: AsyncIterable<Stereo>, seen: (peak: number) => void): AsyncGenerator<Stereo> {
  for await (const block of blocks) {
    let peak = 0;
    for (const channel of block) {
      for (let i = 0; i < channel.length; ++i) peak = Math.max(peak, Math.abs(channel[i]));
    }
    seen(peak);
    yield block;
  }
}

// The blocks as they are, copied one after another into `into` (when given) as they pass.
async function* copiedInto(blocks: AsyncIterable<Stereo>, into: Stereo | null): AsyncGenerator<Stereo> {
  let at = 0;
  for await (const block of blocks) {
    into?.[0].set(block[0], at);
    into?.[1].set(block[1], at);
    at += block[0].length;
    yield block;
  }
}

// Held audio from frame `from` on in blocks of kBlockFrames (views).
async function* blocksOf(audio: Stereo, progress: Progress, from = 0): AsyncGenerator<Stereo> {
  const frames = audio[0].length;
  for (let at = from, block = 0; at < frames; at += kBlockFrames, ++block) {
    yield [audio[0].subarray(at, at + kBlockFrames), audio[1].subarray(at, at + kBlockFrames)];
    if (block % kBlocksPerSlice === 0) await progress(at / frames);
  }
}

// The blocks from frame `from` on (the first of them cut where it begins earlier).
async function* framesFrom(blocks: AsyncIterable<Stereo>, from: number): AsyncGenerator<Stereo> {
  let at = 0;
  for await (const block of blocks) {
    const skip = Math.max(0, from - at);
    at += block[0].length;
    if (skip < block[0].length) yield skip > 0 ? [block[0].subarray(skip), block[1].subarray(skip)] : block;
  }
}

const noProgress: Progress = () => {};

// Measures the integrated loudness of what passes through, handing it on unchanged.
class LoudnessTap {
  private readonly meter: ReturnType<QuellmarModule['createLoudnessMeter']>;

  constructor(module: QuellmarModule, rateHz: number) {
    this.meter = module.createLoudnessMeter(rateHz, 2, kBlockFrames);
  }

  private async *through(blocks: AsyncIterable<Stereo>): AsyncGenerator<Stereo> {
    for await (const block of blocks) {
      this.meter.addChannels(block[0], block[1]);
      yield block;
    }
  }

  async measure(blocks: AsyncIterable<Stereo>): Promise<number> {
    try {
      for await (const block of blocks) this.meter.addChannels(block[0], block[1]);
      return this.meter.integratedLufs();
    } finally {
      this.meter.dispose();
    }
  }

  // Writes what passes through with `write`; returns the file and its loudness.
  async written(blocks: AsyncIterable<Stereo>, frames: number, write: EpisodeWriter,
    again: (from: number) => AsyncIterable<Stereo>): Promise<[Blob, number]> {
    try {
      const file = await write(this.through(blocks), frames, again);
      return [file, this.meter.integratedLufs()];
    } finally {
      this.meter.dispose();
    }
  }
}

export async function measuredLufs(module: QuellmarModule, rateHz: number, blocks: AsyncIterable<Stereo>): Promise<number> {
  return new LoudnessTap(module, rateHz).measure(blocks);
}

export interface Episode {
  file: Blob;
  // The mix's loudness before the gain and the episode's after the limiter (LUFS; null without
  // the loudness stage), and the gain applied (dB).
  measuredLufs: number | null;
  finishedLufs: number | null;
  gainDb: number;
  writingPasses: number;
}

// How long each pass takes, against a pass that reads and ducks the inputs (1): the page's
// progress is weighted by it.
export interface PassCosts {
  writing: number;
}

// The episode written by `write`. With the loudness stage: a pass measures the mix, up to three
// more the limiter's own loss at the gain that gives, and the writing pass then aims at the target
// with both; only where what it wrote still misses is it written again.
export async function makeEpisode(module: QuellmarModule, rateHz: number, inputs: EpisodeInputs,
  settings: EpisodeSettings, write: EpisodeWriter, costs: PassCosts, progress: Progress): Promise<Episode> {
  const frames = inputs.frames;
  const finishing = settings.loudnessLufs !== null;
  const total = (finishing ? 1 + kMostLimiterTrials : 0) + 1 + costs.writing;
  let passStart = 0;
  const pass = (weight: number): Progress => {
    const start = passStart;
    passStart += weight;
    return (f) => progress(Math.min(1, (start + f * weight) / total));
  };
  // Held inputs make a mix that is held after the first pass; the others make it again each time.
  let heldMix: Stereo | null = null;
  const mix = (onProgress: Progress) => heldMix ? blocksOf(heldMix, onProgress) : mixed(module, rateHz, inputs, settings, onProgress);
  if (!finishing) {
    const file = await write(mix(pass(1 + costs.writing)), frames, (from) => framesFrom(mix(noProgress), from));
    await progress(1);
    return { file, measuredLufs: null, finishedLufs: null, gainDb: 0, writingPasses: 1 };
  }
  const target = settings.loudnessLufs as number;
  let mixPeak = 0;
  const held = () => (inputs.held ? [new Float32Array(frames), new Float32Array(frames)] as Stereo : null);
  const made = held();
  const mixLufs = await measuredLufs(module, rateHz,
    peakOf(copiedInto(mix(pass(1)), made), (peak) => { mixPeak = Math.max(mixPeak, peak); }));
  heldMix = made;
  if (!Number.isFinite(mixLufs)) throw new Error('The mix is silent: there is no loudness to bring to the target.');
  const ceilingDb = Math.max(-12, Math.min(0, settings.ceilingDbtp - kCeilingMarginDb));
  const limitedMix = (gainDb: number, onProgress: Progress) =>
    limited(module, rateHz, mix(onProgress), 10 ** (gainDb / 20), ceilingDb);
  let gainDb = Math.min(kMaxGainDb, target - mixLufs);
  // The limiter takes a little off the loudness where it acts: passes that only measure find the
  // gain that makes up for it before anything is written. Where the loudest sample stays well
  // under the ceiling it does not act (what lies between samples rises less than the headroom
  // left), and they are spared.
  // With held inputs the last of them is held too, and written as it is when its gain stands.
  const trialsEnd = passStart + kMostLimiterTrials;
  const lastTrial: { audio: Stereo | null; gainDb: number; lufs: number } = { audio: null, gainDb: NaN, lufs: NaN };
  if (20 * Math.log10(mixPeak) + gainDb > ceilingDb - kUntouchedHeadroomDb) {
    for (let trial = 0; trial < kMostLimiterTrials && gainDb < kMaxGainDb; ++trial) {
      lastTrial.audio ??= held();
      const limitedLufs = await measuredLufs(module, rateHz, copiedInto(limitedMix(gainDb, pass(1)), lastTrial.audio));
      Object.assign(lastTrial, { gainDb, lufs: limitedLufs });
      if (Math.abs(limitedLufs - target) <= kLoudnessToleranceLu) break;
      gainDb = Math.min(kMaxGainDb, gainDb + target - limitedLufs);
    }
  }
  passStart = trialsEnd;
  const writingStart = passStart;
  for (let writing = 1; ; ++writing) {
    passStart = writingStart;
    const onProgress = pass(1 + costs.writing);
    const trialAudio = lastTrial.audio && lastTrial.gainDb === gainDb ? lastTrial.audio : null;
    const [file, finishedLufs] = trialAudio
      ? [await write(blocksOf(trialAudio, onProgress), frames, (from) => blocksOf(trialAudio, noProgress, from)),
        lastTrial.lufs]
      : await new LoudnessTap(module, rateHz).written(limitedMix(gainDb, onProgress), frames, write,
        (from) => framesFrom(limitedMix(gainDb, noProgress), from));
    const missedLu = target - finishedLufs;
    if (Math.abs(missedLu) <= kLoudnessToleranceLu || gainDb >= kMaxGainDb || writing >= kMostWritingPasses) {
      await progress(1);
      return { file, measuredLufs: mixLufs, finishedLufs, gainDb, writingPasses: writing };
    }
    gainDb = Math.min(kMaxGainDb, gainDb + missedLu);
  }
}
