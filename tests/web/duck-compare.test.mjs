// Both wasm modules against quellmar-duck (and the same shell built natively) on a generated
// voice-over-music pair: each setting ducks alike to within 1e-6, and visibly ducks. Node 20 runs
// the relaxed module once the engine's Node loader has asked for relaxed SIMD.
// Environment: QM_WEB_DIST (dist/web), QM_DUCK (quellmar-duck), QM_WEB_NATIVE
// (quellmar_web_native), QM_WEB_WORK (a folder for the files).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { duckWhole, kModuleFiles, loadModule } from './ducking.mjs';
import { kRateHz, music, readFloatWav, readPlanar, voice, writeFloatWav, writePlanar } from './signals.mjs';

const work = process.env.QM_WEB_WORK;
const Control = { Enabled: 0, AttackMs: 5, ReleaseMs: 6, DuckKey: 7, ThresholdDb: 8, RangeDb: 9, HoldMs: 10, LookaheadMs: 11 };
const kTolerance = 1e-6;
// The module's single-precision levels and gains against the native kernels' doubles.
const kFloatRoundings = 1e-7;

// Each setting as quellmar-duck's options and as the module's controls, with the module's block
// (some not a multiple of the kernels' groups of four frames, as a host's may be).
const settings = [
  // The plug-in's defaults are key mode; quellmar-duck's are duck mode, the plug-in's otherwise.
  { name: 'defaults', args: [], controls: [[Control.DuckKey, 1]], block: 128 },
  {
    name: 'shaped', // what a preset sets: times, threshold, range, hold and look-ahead
    args: ['--attack', '10', '--release', '300', '--threshold', '-30', '--range', '12', '--hold', '250', '--lookahead', '20'],
    controls: [[Control.DuckKey, 1], [Control.AttackMs, 10], [Control.ReleaseMs, 300], [Control.ThresholdDb, -30], [Control.RangeDb, 12],
      [Control.HoldMs, 250], [Control.LookaheadMs, 20]],
    lookaheadMs: 20,
    block: 1001,
  },
  {
    name: 'key mode',
    args: ['--mode', 'key', '--threshold', '-36', '--release', '120'],
    controls: [[Control.DuckKey, 0], [Control.ThresholdDb, -36], [Control.ReleaseMs, 120]],
    block: 4094,
  },
  { name: 'bypassed', args: ['--param', '1=1'], controls: [[Control.DuckKey, 1], [Control.Enabled, 0]], block: 480 },
];

mkdirSync(work, { recursive: true });
const bed = music(12);
const key = voice(12);
writeFloatWav(join(work, 'bed.wav'), bed);
writeFloatWav(join(work, 'voice.wav'), key);
writePlanar(join(work, 'bed.f32'), bed);
writePlanar(join(work, 'voice.f32'), key);
const modules = await Promise.all(kModuleFiles.map(async (file) => ({ file, module: await loadModule(process.env.QM_WEB_DIST, file) })));
const module = modules[0].module;

// The largest difference of `actual` from `expected`, and where the first difference lies.
function compare(actual, expected, offset) {
  let largest = 0;
  let differing = 0;
  let first = -1;
  for (let c = 0; c < 2; ++c) {
    for (let i = 0; i < expected[c].length; ++i) {
      const difference = Math.abs(actual[c][i + offset] - expected[c][i]);
      if (!(difference <= largest)) largest = difference;
      if (difference !== 0) {
        ++differing;
        if (first < 0 || i < first) first = i;
      }
    }
  }
  return { largest, differing, first };
}

function describe(label, { largest, differing, first }) {
  const where = differing === 0 ? 'bit-identical' : `${differing} samples differ, the first at frame ${first} (${(first / kRateHz).toFixed(3)} s)`;
  console.log(`${label}: max |difference| ${largest.toExponential(3)}; ${where}`);
}

// The lowest factor applied: how far the bed was lowered (or, in key mode, let through).
function lowestFactor(factors) {
  return factors.reduce((low, f) => Math.min(low, f), 1);
}

for (const [setting, { file, module }] of settings.flatMap((s) => modules.map((m) => [s, m]))) {
  test(`${setting.name}: ${file} ducks as quellmar-duck does`, () => {
    const output = join(work, `${setting.name.replace(/\W+/g, '-')}.wav`);
    execFileSync(process.env.QM_DUCK, ['-q', '--key', join(work, 'voice.wav'), ...setting.args, '--format', 'wav:float',
      join(work, 'bed.wav'), '-o', output]);
    const expected = readFloatWav(output);
    const lookaheadFrames = Math.round(((setting.lookaheadMs ?? 0) * kRateHz) / 1000);
    const { out, factors, latency } = duckWhole(module, bed, key, setting.controls, setting.block, lookaheadFrames);
    assert.equal(latency, lookaheadFrames);
    assert.equal(expected[0].length, bed[0].length);
    // The module delays the audio by the look-ahead (as the plug-ins do); the file tool reads the key ahead.
    const result = compare(out, expected, lookaheadFrames);
    describe(`${setting.name}, ${file}, against quellmar-duck`, result);
    assert.ok(result.largest <= kTolerance, `max difference ${result.largest}`);
    const low = lowestFactor(factors);
    if (setting.name === 'bypassed') assert.equal(low, 1);
    else assert.ok(low < 0.5, `the bed was never lowered by 6 dB (lowest factor ${low})`);
    if (setting.name === 'shaped') assert.ok(low >= 10 ** (-12 / 20) - 1e-6, `the range let the gain fall to ${low}`);
  });

  // The module computes each group's levels and gains in floats (the smoothing stays in doubles):
  // a few float roundings from the native kernels, which compute them in doubles, at most.
  for (const kernels of ['sse2', 'best']) {
    test(`${setting.name}: ${file} ducks as the same shell does natively with the ${kernels} kernels`, () => {
      const output = join(work, `${setting.name.replace(/\W+/g, '-')}-${kernels}-${file}.f32`);
      const controls = setting.controls.map(([id, value]) => `${id}=${value}`);
      const printed = execFileSync(process.env.QM_WEB_NATIVE, [kernels, String(setting.block), '1', join(work, 'bed.f32'),
        join(work, 'voice.f32'), output, ...controls], { encoding: 'utf8' });
      const expected = readPlanar(output);
      const { out } = duckWhole(module, bed, key, setting.controls, setting.block);
      const result = compare(out, expected, 0);
      describe(`${setting.name}, ${file}, against the native shell (${/kernels (\S+)/.exec(printed)[1]})`, result);
      assert.ok(result.largest <= kFloatRoundings, `max difference ${result.largest}`);
    });
  }
}

test('each module runs its own wasm SIMD kernels; Node loads the relaxed one, with no flag given', async () => {
  assert.deepEqual(modules.map((m) => m.module.kernels), ['wasm-simd128', 'wasm-relaxed-simd']);
  const { loadInNode } = await import(pathToFileURL(join(process.env.QM_WEB_DIST, 'node', 'engine.js')).href);
  assert.equal((await loadInNode(process.env.QM_WEB_DIST)).kernels, 'wasm-relaxed-simd');
});

test('controls are limited to their ranges and unknown ones refused', () => {
  const ducker = module.createDucker(kRateHz, 64);
  const cases = [
    [Control.ThresholdDb, -200, -96],
    [Control.ThresholdDb, 3, 0],
    [Control.RangeDb, 12, 12],
    [Control.LookaheadMs, 900, 50],
    [Control.DuckKey, 0.4, 0],
    [Control.AttackMs, Number.NaN, ducker.control(Control.AttackMs)],
  ];
  for (const [id, value, taken] of cases) assert.equal(ducker.setControl(id, value), Math.fround(taken), `control ${id} = ${value}`);
  assert.ok(Number.isNaN(ducker.setControl(12, 1)));
  assert.equal(ducker.latencyFrames(), 2400);
  ducker.dispose();
  assert.throws(() => ducker.process(1), /disposed/);
});

test('bypassed, the audio keeps the look-ahead\'s delay and its gain stays 1', () => {
  const ducker = module.createDucker(kRateHz, 256);
  ducker.setControl(Control.LookaheadMs, 1);
  ducker.setControl(Control.Enabled, 0);
  const [left, right] = ducker.audio();
  const [keyLeft, keyRight] = ducker.key();
  keyLeft.fill(1);
  keyRight.fill(1);
  for (let i = 0; i < 256; ++i) {
    left[i] = i + 1;
    right[i] = -(i + 1);
  }
  assert.equal(ducker.process(256), 1);
  const delayed = ducker.audio();
  for (const [i, expected] of [[0, 0], [47, 0], [48, 1], [255, 208]]) {
    assert.equal(delayed[0][i], expected, `left frame ${i}`);
    assert.equal(delayed[1][i], 0 - expected, `right frame ${i}`);
  }
  assert.ok(ducker.factors().every((factor) => factor === 1));
  ducker.dispose();
});
