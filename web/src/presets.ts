// The file tool's presets as the page reads them: dist/web/presets.json, written at build time
// from quellmar-duck's own table, so that the two cannot drift.

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
