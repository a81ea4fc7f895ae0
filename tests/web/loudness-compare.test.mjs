// The wasm loudness meter against the same meter built natively: the same integrated loudness, to
// the last bit, on the tier's voice, bed and their sum, fed in the page's block sizes.
// Environment: QM_WEB_DIST, QM_WEB_LOUDNESS_NATIVE, QM_WEB_WORK.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import { loadModule } from './ducking.mjs';
import { kRateHz, music, voice, writePlanar } from './signals.mjs';

const work = process.env.QM_WEB_WORK;
mkdirSync(work, { recursive: true });
const module = await loadModule(process.env.QM_WEB_DIST);

function sum([a, b], [c, d]) {
  return [a.map((x, i) => x + c[i]), b.map((x, i) => x + d[i])];
}

const sounds = [
  { name: 'voice', audio: voice(6), block: 128 },
  { name: 'bed', audio: music(6), block: 4096 },
  { name: 'voice over bed', audio: sum(voice(6), music(6)), block: 1000 },
];

for (const { name, audio, block } of sounds) {
  test(`${name}: the wasm meter measures as the native one does`, () => {
    const path = join(work, `loudness-${name.replace(/\W+/g, '-')}.f32`);
    writePlanar(path, audio);
    const printed = execFileSync(process.env.QM_WEB_LOUDNESS_NATIVE, [String(kRateHz), path], { encoding: 'utf8' });
    const expected = Number(/lufs (\S+)/.exec(printed)[1]);
    const meter = module.createLoudnessMeter(kRateHz, 2, block);
    meter.addChannels(audio[0], audio[1]);
    const measured = meter.integratedLufs();
    meter.dispose();
    console.log(`${name}: wasm ${measured} LUFS, native ${expected} LUFS`);
    assert.ok(Number.isFinite(expected) && expected < -10 && expected > -60, `native ${expected}`);
    assert.equal(measured, expected);
  });
}

test('silence has no loudness, and the meter refuses other channel counts', () => {
  const meter = module.createLoudnessMeter(kRateHz, 2, 256);
  meter.addChannels(new Float32Array(kRateHz), new Float32Array(kRateHz));
  assert.equal(meter.integratedLufs(), -Infinity);
  meter.dispose();
  assert.throws(() => module.createLoudnessMeter(kRateHz, 3, 256), /no loudness meter/);
});

test('the control table reaches the page: ranges and defaults in user units', () => {
  const threshold = module.controlRange(8);
  assert.equal(threshold.minimum, -96);
  assert.equal(threshold.maximum, 0);
  const lookahead = module.controlRange(11);
  assert.equal(lookahead.maximum, 50);
});
