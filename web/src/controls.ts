// The page's controls in user units: the engine's ducking controls (ranges from the engine's
// control table) and the episode's loudness target and true-peak ceiling (ranges of quellmar-duck's
// options), each a labelled slider with a number box beside it.

import { ControlId, type QuellmarModule } from './engine.js';
import type { Preset } from './presets.js';

export interface ControlDefinition {
  key: string;
  label: string;
  unit: string;
  // The engine's control, or null for the episode's own settings.
  id: ControlId | null;
  minimum: number;
  maximum: number;
  step: number;
  value: number;
  // The preset's value of this control.
  fromPreset: (preset: Preset) => number | null;
}

export function controlDefinitions(module: QuellmarModule): ControlDefinition[] {
  const engine = (key: string, label: string, unit: string, id: ControlId, step: number,
    fromPreset: (preset: Preset) => number) => {
    const range = module.controlRange(id);
    return { key, label, unit, id, minimum: range.minimum, maximum: range.maximum, step, value: range.defaultValue, fromPreset };
  };
  return [
    engine('threshold', 'Threshold', 'dB', ControlId.ThresholdDb, 0.5, (p) => p.thresholdDb),
    engine('attack', 'Attack', 'ms', ControlId.AttackMs, 1, (p) => p.attackMs),
    engine('release', 'Release', 'ms', ControlId.ReleaseMs, 1, (p) => p.releaseMs),
    engine('range', 'Range', 'dB', ControlId.RangeDb, 0.5, (p) => p.rangeDb),
    engine('hold', 'Hold', 'ms', ControlId.HoldMs, 1, (p) => p.holdMs),
    engine('lookahead', 'Look-ahead', 'ms', ControlId.LookaheadMs, 0.5, (p) => p.lookaheadMs),
    { key: 'loudness', label: 'Loudness target', unit: 'LUFS', id: null, minimum: -36, maximum: -6, step: 0.5, value: -16,
      fromPreset: (p) => p.loudnessLufs },
    { key: 'ceiling', label: 'True-peak ceiling', unit: 'dBTP', id: null, minimum: -9, maximum: 0, step: 0.1, value: -1,
      fromPreset: (p) => p.truePeakDbtp },
  ];
}

// Builds each control's slider and number box into `container`; `changed` runs on every move.
export function buildControls(container: HTMLElement, definitions: ControlDefinition[], changed: () => void): void {
  for (const definition of definitions) {
    const box = document.createElement('div');
    box.className = 'control';
    const sliderId = `control-${definition.key}`;
    const numberId = `control-${definition.key}-value`;
    const label = document.createElement('label');
    label.htmlFor = sliderId;
    label.id = `${sliderId}-label`;
    label.textContent = `${definition.label} (${definition.unit})`;
    const slider = document.createElement('input');
    slider.type = 'range';
    slider.id = sliderId;
    const number = document.createElement('input');
    number.type = 'number';
    number.id = numberId;
    number.setAttribute('aria-label', `${definition.label} in ${definition.unit}`);
    for (const input of [slider, number]) {
      input.min = String(definition.minimum);
      input.max = String(definition.maximum);
      input.step = String(definition.step);
      input.value = String(definition.value);
    }
    slider.setAttribute('aria-valuetext', `${definition.value} ${definition.unit}`);
    const take = (source: HTMLInputElement, other: HTMLInputElement) => {
      const value = Number(source.value);
      if (!Number.isFinite(value)) return;
      definition.value = Math.min(definition.maximum, Math.max(definition.minimum, value));
      other.value = String(definition.value);
      slider.setAttribute('aria-valuetext', `${definition.value} ${definition.unit}`);
      changed();
    };
    slider.addEventListener('input', () => take(slider, number));
    number.addEventListener('change', () => take(number, slider));
    box.append(label, slider, number);
    container.append(box);
  }
}

// Sets a control's value and its two inputs (a preset's choice).
export function setControl(definition: ControlDefinition, value: number): void {
  definition.value = value;
  for (const id of [`control-${definition.key}`, `control-${definition.key}-value`]) {
    const input = document.getElementById(id) as HTMLInputElement | null;
    if (input) input.value = String(value);
  }
  document.getElementById(`control-${definition.key}`)?.setAttribute('aria-valuetext', `${value} ${definition.unit}`);
}
