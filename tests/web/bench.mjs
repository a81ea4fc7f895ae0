// The web bench: nanoseconds per stereo frame of the wasm module's ducker and of the same shell
// built natively (its best kernels and SSE2), on the same generated key and bed, the same
// settings and block, copies in and out of the engine's buffers included; the fastest of a few
// runs each. Prints a table and wasm's ratio to native (aimed at 1.5 or less); asserts nothing
// about time. Environment as for duck-compare.test.mjs.
import { execFileSync } from 'node:child_process';
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';

import { duckWhole, loadModule } from './ducking.mjs';
import { music, voice, writePlanar } from './signals.mjs';

const work = process.env.QM_WEB_WORK;
const kSeconds = 60;
const kRuns = 5;
const kBlockFrames = 512;
// The shaped setting of the comparison: duck mode, times, threshold, range, hold, look-ahead.
const controls = [[7, 1], [5, 10], [6, 300], [8, -30], [9, 12], [10, 250], [11, 20]];

mkdirSync(work, { recursive: true });
const bed = music(kSeconds);
const key = voice(kSeconds);
writePlanar(join(work, 'bench-bed.f32'), bed);
writePlanar(join(work, 'bench-voice.f32'), key);
const frames = bed[0].length;

const module = await loadModule(process.env.QM_WEB_DIST);
let wasmNs = Infinity;
for (let run = 0; run < kRuns; ++run) {
  const start = process.hrtime.bigint();
  duckWhole(module, bed, key, controls, kBlockFrames);
  wasmNs = Math.min(wasmNs, Number(process.hrtime.bigint() - start) / frames);
}

function native(kernels) {
  const printed = execFileSync(process.env.QM_WEB_NATIVE, [kernels, String(kBlockFrames), String(kRuns),
    join(work, 'bench-bed.f32'), join(work, 'bench-voice.f32'), join(work, `bench-${kernels}.f32`),
    ...controls.map(([id, value]) => `${id}=${value}`)], { encoding: 'utf8' });
  return { name: /kernels (\S+)/.exec(printed)[1], ns: Number(/ns_per_frame (\S+)/.exec(printed)[1]) };
}

const best = native('best');
const sse2 = native('sse2');
console.log(`web bench: ${kSeconds} s at 48 kHz, blocks of ${kBlockFrames} frames, fastest of ${kRuns} runs`);
console.log(`${'engine'.padEnd(24)} ${'ns/frame'.padStart(9)} ${'x native'.padStart(9)}`);
for (const [name, ns] of [[`wasm (${module.kernels})`, wasmNs], [`native (${best.name})`, best.ns], [`native (${sse2.name})`, sse2.ns]]) {
  console.log(`${name.padEnd(24)} ${ns.toFixed(2).padStart(9)} ${(ns / best.ns).toFixed(2).padStart(9)}`);
}
console.log(`wasm / native ${best.name}: ${(wasmNs / best.ns).toFixed(2)} (aim: at most 1.5); wasm / native sse2: ${(wasmNs / sse2.ns).toFixed(2)}`);
