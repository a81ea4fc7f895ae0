// The file tool's presets and its plan for encoded episodes as the page reads them:
// dist/web/presets.json and finishing.json, written at build time from quellmar-duck's own tables,
// so that the two cannot drift.

export interface Preset {
  name: string;
  rangeDb: number;
  holdMs: number;
  lookaheadMs: number;
  attackMs: number;
  releaseMs: number;
  thresholdDb: number;
  // The finished episode's loudness (LUFS) and true-peak ceiling (dBTP); null: ducking alone.
  loudnessLufs: number | null;
  truePeakDbtp: number | null;
}

export function parsePresets(text: string): Preset[] {
  const presets = JSON.parse(text) as Preset[];
  if (!Array.isArray(presets) || presets.length === 0) throw new Error('presets.json holds no presets');
  return presets;
}

// For an encoded type: how far under the ceiling the limiter aims (dB), so that the encoder's
// overshoot stays under it too, and how much louder than the target the encoder is fed (LU), as
// it gives its input back quieter.
export interface EncoderPlan {
  marginDb: number;
  shiftLu: number;
}

export interface FinishingPlan {
  // How far (LU) an encoded episode may land from the target before it is made again.
  retryLu: number;
  encoders: Record<string, EncoderPlan>;
}

export function parseFinishingPlan(text: string): FinishingPlan {
  const plan = JSON.parse(text) as FinishingPlan;
  if (!(plan.retryLu > 0) || typeof plan.encoders !== 'object') throw new Error('finishing.json holds no plan');
  return plan;
}
