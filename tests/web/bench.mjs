// The web bench: nanoseconds per stereo frame of the wasm modules' ducker (quellmar.wasm, and
// quellmar-relaxed.wasm, which the engine's Node loader picks, run with no flag given) and of the same
// shell built natively (its best kernels and SSE2), on the same generated key and bed, the same
// settings and block: the engine's calls alone, and the whole loop with the copies in and out of
// the engine's buffers; the fastest of a few rounds each. Prints a table and each module's ratio
// to native, engine against engine (aimed at 1.5 or less); asserts nothing about time.
// Environment as for duck-compare.test.mjs.
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

import { kModuleFiles, loadModule, nativeRound } from './ducking.mjs';
import { music, voice, writePlanar } from './signals.mjs';

const work = process.env.QM_WEB_WORK;
const kSeconds = 30;
const kRuns = 7;
// Runs over the whole key in each round, on each side; the round keeps the fastest.
const kRepeats = 3;
const kBlockFrames = 512;
// The shaped setting of the comparison: duck mode, times, threshold, range, hold, look-ahead.
const controls = [[7, 1], [5, 10], [6, 300], [8, -30], [9, 12], [10, 250], [11, 20]];

mkdirSync(work, { recursive: true });
const bed = music(kSeconds);
const key = voice(kSeconds);
writePlanar(join(work, 'bench-bed.f32'), bed);
writePlanar(join(work, 'bench-voice.f32'), key);
const frames = bed[0].length;

const modules = await Promise.all(kModuleFiles.map((file) => loadModule(process.env.QM_WEB_DIST, file)));

// What a page's processing loop does per block: the key and the audio into the module's buffers,
// the block ducked, the audio out (the views stay valid: processing never grows the memory).
// Returns the time per frame of the whole loop, timed whole, or (`engineAlone`) of the engine's
// calls alone, each timed: the clock read around each call is kept out of the whole loop's time.
function wasmNsPerFrame(module, engineAlone) {
  const ducker = module.createDucker(48000, kBlockFrames);
  for (const [id, value] of controls) ducker.setControl(id, value);
  const [keyLeft, keyRight] = ducker.key();
  const [audioLeft, audioRight] = ducker.audio();
  const out = [new Float32Array(frames), new Float32Array(frames)];
  let engineNs = 0n;
  const start = process.hrtime.bigint();
  for (let at = 0; at < frames; at += kBlockFrames) {
    const end = Math.min(at + kBlockFrames, frames);
    keyLeft.set(key[0].subarray(at, end));
    keyRight.set(key[1].subarray(at, end));
    audioLeft.set(bed[0].subarray(at, end));
    audioRight.set(bed[1].subarray(at, end));
    if (engineAlone) {
      const before = process.hrtime.bigint();
      ducker.process(end - at);
      engineNs += process.hrtime.bigint() - before;
    } else {
      ducker.process(end - at);
    }
    out[0].set(audioLeft.subarray(0, end - at), at);
    out[1].set(audioRight.subarray(0, end - at), at);
  }
  const loopNs = Number(process.hrtime.bigint() - start);
  ducker.dispose();
  return (engineAlone ? Number(engineNs) : loopNs) / frames;
}

// V8 runs the module first as its baseline compiler made it and swaps in optimised code, compiled
// on a background thread, once the code is hot: on a busy machine that can come after the rounds.
// The ducker runs for a second first, so that the rounds time the code a page runs on for long.
for (const warmedAt = performance.now() + 1000; performance.now() < warmedAt;) modules.forEach((m) => wasmNsPerFrame(m, false));

// Rounds that take turns, so that a busy moment of the machine weighs on all of them alike.
const wasm = modules.map((module) => ({ module, loopNs: Infinity, engineNs: Infinity }));
const best = { name: '', ns: Infinity, engineNs: Infinity };
const sse2 = { name: '', ns: Infinity, engineNs: Infinity };
for (let round = 0; round < kRuns; ++round) {
  for (let repeat = 0; repeat < kRepeats; ++repeat) {
    for (const side of wasm) {
      side.loopNs = Math.min(side.loopNs, wasmNsPerFrame(side.module, false));
      side.engineNs = Math.min(side.engineNs, wasmNsPerFrame(side.module, true));
    }
  }
  for (const [kernels, fastest] of [['best', best], ['sse2', sse2]]) {
    nativeRound(fastest, kernels, kBlockFrames, kRepeats, join(work, 'bench-bed.f32'), join(work, 'bench-voice.f32'),
      join(work, `bench-${kernels}.f32`), controls);
  }
}
console.log(`web bench: ${kSeconds} s at 48 kHz, blocks of ${kBlockFrames} frames, fastest of ${kRuns} rounds`);
// Like with like: the engine's calls on both sides, and the whole loop with its copies on both.
console.log(`${''.padEnd(24)} ${'engine alone'.padStart(13)} ${'with copies'.padStart(12)}   ns/frame`);
const rows = [
  ...wasm.map((side) => [`wasm (${side.module.kernels})`, side.engineNs, side.loopNs]),
  [`native (${best.name})`, best.engineNs, best.ns],
  [`native (${sse2.name})`, sse2.engineNs, sse2.ns],
];
for (const [name, engineNs, loopNs] of rows) {
  console.log(`${name.padEnd(24)} ${engineNs.toFixed(2).padStart(13)} ${loopNs.toFixed(2).padStart(12)}`);
}
const ratio = (module, side) => `${(module.engineNs / side.engineNs).toFixed(2)} (with copies ${(module.loopNs / side.ns).toFixed(2)})`;
for (const module of wasm) {
  console.log(`wasm (${module.module.kernels}) / native ${best.name}: ${ratio(module, best)} (aim: at most 1.5); ` +
    `/ native ${sse2.name}: ${ratio(module, sse2)}`);
}
const { moduleFileName } = await import(pathToFileURL(join(process.env.QM_WEB_DIST, 'engine.js')).href);
console.log(`Node ${process.version}, ${process.execArgv.join(' ') || 'no options'}: the engine's Node loader runs ${moduleFileName()}`);
