// The wasm module's true-peak limiter (the file tool's, compiled in as it is) after its ducker,
// against quellmar-duck --true-peak on a bed loud enough to be limited. Environment as for
// duck-compare.test.mjs.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import { duckWhole, limitWhole, loadModule } from './ducking.mjs';
import { music, readFloatWav, voice, writeFloatWav } from './signals.mjs';

const work = process.env.QM_WEB_WORK;
const kDuckKey = 7;
// quellmar-duck aims its limiter this far below the ceiling asked for (FinishPlan's estimate margin).
const kEstimateMarginDb = 0.05;

test('ducked and limited as quellmar-duck --true-peak does, at every ceiling', async () => {
  mkdirSync(work, { recursive: true });
  const bed = music(8).map((channel) => channel.map((sample) => sample * 4));
  const key = voice(8);
  writeFloatWav(join(work, 'loud-bed.wav'), bed);
  writeFloatWav(join(work, 'voice-8s.wav'), key);
  const module = await loadModule(process.env.QM_WEB_DIST);
  for (const [ceilingDb, block] of [[-1, 512], [-6, 4096], [-8, 100]]) {
    const output = join(work, `limited${ceilingDb}.wav`);
    execFileSync(process.env.QM_DUCK, ['-q', '--key', join(work, 'voice-8s.wav'), '--true-peak', String(ceilingDb),
      '--format', 'wav:float', join(work, 'loud-bed.wav'), '-o', output]);
    const expected = readFloatWav(output);
    const ducked = duckWhole(module, bed, key, [[kDuckKey, 1]], block).out;
    const { out, reductionDb } = limitWhole(module, ducked, ceilingDb - kEstimateMarginDb, block);
    assert.equal(out[0].length, expected[0].length);
    let largest = 0;
    let peak = 0;
    for (let c = 0; c < 2; ++c) {
      for (let i = 0; i < out[c].length; ++i) {
        largest = Math.max(largest, Math.abs(out[c][i] - expected[c][i]));
        peak = Math.max(peak, Math.abs(out[c][i]));
      }
    }
    console.log(`ceiling ${ceilingDb} dBTP, blocks of ${block}: max |difference| ${largest.toExponential(3)}, ` +
      `deepest reduction ${reductionDb.toFixed(2)} dB, sample peak ${(20 * Math.log10(peak)).toFixed(2)} dBFS`);
    assert.ok(largest <= 1e-6, `max difference ${largest}`);
    assert.ok(reductionDb > 0.1, `the limiter never acted (${reductionDb} dB)`);
    assert.ok(peak <= 10 ** (ceilingDb / 20) + 1e-6, `a sample above the ceiling: ${peak}`);
  }
});
