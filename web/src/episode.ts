// The episode made from decoded sounds with the engine, as quellmar-duck makes it: the bed ducked
// under the summed voices (the look-ahead's delay dropped), the voices mixed in, then measured,
// brought to the loudness target and held under the true-peak ceiling by the limiter.

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

const kBlockFrames = 4096;
// Blocks between calls of a progress callback: a few milliseconds of work.
const kBlocksPerSlice = 16;
// The limiter aims this far under the ceiling, as quellmar-duck does (its interpolation's error).
export const kCeilingMarginDb = 0.05;
// The most the loudness gain raises a quiet mix, as quellmar-duck allows.
const kMaxGainDb = 30;
const kLoudnessToleranceLu = 0.1;
const kMostLimiterPasses = 3;

// What a pass of the ducker keeps: the ducked bed, or each frame's gain, handed to `gains` piece by
// piece (frame `at` onwards) so that a caller keeps only what it needs.
export interface DuckOutputs {
  audio: boolean;
  gains?: (gains: Float32Array, at: number) => void;
}

// The bed ducked under `key` (both as long as the episode); null when `outputs.audio` is false.
export async function duck(
  module: QuellmarModule, rateHz: number, bed: Stereo, key: Stereo, controls: Array<[ControlId, number]>,
  outputs: DuckOutputs, progress?: Progress,
): Promise<Stereo | null> {
  const ducker = module.createDucker(rateHz, kBlockFrames);
  try {
    ducker.setControl(ControlId.DuckKey, 1);
    for (const [id, value] of controls) ducker.setControl(id, value);
    const latency = ducker.latencyFrames();
    const frames = bed[0].length;
    const audio: Stereo | null = outputs.audio ? [new Float32Array(frames), new Float32Array(frames)] : null;
    // The key is read `latency` frames ahead of the bed it lowers: what comes out first is dropped.
    const total = frames + latency;
    for (let at = 0, block = 0; at < total; at += kBlockFrames, ++block) {
      const count = Math.min(kBlockFrames, total - at);
      const [inLeft, inRight] = ducker.audio();
      const [keyLeft, keyRight] = ducker.key();
      for (const [target, source] of [[inLeft, bed[0]], [inRight, bed[1]], [keyLeft, key[0]], [keyRight, key[1]]] as const) {
        target.fill(0, 0, count);
        if (at < source.length) target.set(source.subarray(at, Math.min(at + count, source.length)));
      }
      ducker.process(count);
      const from = Math.max(0, latency - at);
      const to = Math.min(count, frames + latency - at);
      if (to > from) {
        if (audio) {
          const [outLeft, outRight] = ducker.audio();
          audio[0].set(outLeft.subarray(from, to), at + from - latency);
          audio[1].set(outRight.subarray(from, to), at + from - latency);
        }
        outputs.gains?.(ducker.factors().subarray(from, to), at + from - latency);
      }
      if (progress && block % kBlocksPerSlice === 0) await progress(at / total);
    }
    return audio;
  } finally {
    ducker.dispose();
  }
}

export function integratedLufs(module: QuellmarModule, rateHz: number, audio: Stereo): number {
  const meter = module.createLoudnessMeter(rateHz, 2, kBlockFrames);
  try {
    meter.addChannels(audio[0], audio[1]);
    return meter.integratedLufs();
  } finally {
    meter.dispose();
  }
}

// `audio` times `gain`, through the true-peak limiter at `ceilingDb`, its latency dropped, into
// `out` (as long as `audio`).
async function limited(module: QuellmarModule, rateHz: number, audio: Stereo, gain: number, ceilingDb: number,
  out: Stereo, progress?: Progress): Promise<void> {
  const limiter = module.createLimiter(rateHz, ceilingDb, kBlockFrames);
  try {
    const frames = audio[0].length;
    const latency = limiter.latencyFrames;
    const put = (c: number, source: Float32Array, at: number) => {
      const from = Math.max(0, latency - at);
      const to = Math.min(source.length, frames + latency - at);
      if (to > from) out[c].set(source.subarray(from, to), at + from - latency);
    };
    for (let at = 0, block = 0; at < frames; at += kBlockFrames, ++block) {
      const count = Math.min(kBlockFrames, frames - at);
      const buffers = limiter.audio();
      for (let c = 0; c < 2; ++c) {
        const source = audio[c];
        for (let i = 0; i < count; ++i) buffers[c][i] = source[at + i] * gain;
      }
      limiter.process(count);
      const done = limiter.audio();
      put(0, done[0].subarray(0, count), at);
      put(1, done[1].subarray(0, count), at);
      if (progress && block % kBlocksPerSlice === 0) await progress(at / frames);
    }
    limiter.flush();
    const tail = limiter.audio();
    put(0, tail[0].subarray(0, latency), frames);
    put(1, tail[1].subarray(0, latency), frames);
  } finally {
    limiter.dispose();
  }
}

export interface Episode {
  audio: Stereo;
  // The mix's loudness before the gain and the episode's after the limiter (LUFS; null without
  // the loudness stage), and the gain applied (dB).
  measuredLufs: number | null;
  finishedLufs: number | null;
  gainDb: number;
}

// The whole episode from the bed and the summed voices, both as long as the episode.
export async function makeEpisode(module: QuellmarModule, rateHz: number, bed: Stereo, key: Stereo,
  settings: EpisodeSettings, progress: Progress): Promise<Episode> {
  const finishing = settings.loudnessLufs !== null;
  // Ducking takes about a third of the time when the episode is finished, all of it otherwise.
  const duckShare = finishing ? 0.3 : 1;
  const audio = (await duck(module, rateHz, bed, key, settings.controls, { audio: true }, (f) => progress(f * duckShare)))!;
  if (settings.mix) {
    for (let c = 0; c < 2; ++c) {
      const target = audio[c];
      const voice = key[c];
      for (let i = 0; i < target.length; ++i) target[i] += voice[i];
    }
  }
  if (!finishing) {
    await progress(1);
    return { audio, measuredLufs: null, finishedLufs: null, gainDb: 0 };
  }
  const target = settings.loudnessLufs as number;
  const measuredLufs = integratedLufs(module, rateHz, audio);
  if (!Number.isFinite(measuredLufs)) throw new Error('The mix is silent: there is no loudness to bring to the target.');
  let gainDb = Math.min(kMaxGainDb, target - measuredLufs);
  const ceilingDb = Math.max(-12, Math.min(0, settings.ceilingDbtp - kCeilingMarginDb));
  const result: Stereo = [new Float32Array(audio[0].length), new Float32Array(audio[0].length)];
  let finishedLufs = measuredLufs;
  // The limiter takes a little off the loudness: measure what it gave and correct the gain.
  for (let pass = 0; pass < kMostLimiterPasses; ++pass) {
    const start = duckShare + ((1 - duckShare) * pass) / kMostLimiterPasses;
    await limited(module, rateHz, audio, 10 ** (gainDb / 20), ceilingDb, result,
      (f) => progress(start + (f * (1 - duckShare)) / kMostLimiterPasses));
    finishedLufs = integratedLufs(module, rateHz, result);
    if (Math.abs(finishedLufs - target) <= kLoudnessToleranceLu || gainDb >= kMaxGainDb) break;
    gainDb = Math.min(kMaxGainDb, gainDb + target - finishedLufs);
  }
  await progress(1);
  return { audio: result, measuredLufs, finishedLufs, gainDb };
}
