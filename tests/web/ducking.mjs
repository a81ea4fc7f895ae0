// Runs the wasm module's ducker over whole sounds in blocks, as a page would.
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

// Both module files: the relaxed one runs where relaxed SIMD does (in Node 20, once the engine's
// Node loader has asked for it).
export const kModuleFiles = ['quellmar.wasm', 'quellmar-relaxed.wasm'];

export async function loadModule(distWeb, file = 'quellmar.wasm') {
  const { QuellmarModule } = await import(pathToFileURL(join(distWeb, 'engine.js')).href);
  const { relaxedSimdInNode } = await import(pathToFileURL(join(distWeb, 'node', 'engine.js')).href);
  relaxedSimdInNode();
  return QuellmarModule.load(readFileSync(join(distWeb, file)));
}

// The ducked audio and each frame's factor for `controls` (pairs of ControlId and value), in
// blocks of `blockFrames`; `padFrames` of silence are fed after the end (to bring out what a
// look-ahead holds back) and come out with the rest.
export function duckWhole(module, audio, key, controls, blockFrames, padFrames = 0) {
  const ducker = module.createDucker(48000, blockFrames);
  for (const [id, value] of controls) ducker.setControl(id, value);
  const frames = audio[0].length + padFrames;
  const out = [new Float32Array(frames), new Float32Array(frames)];
  const factors = new Float32Array(frames);
  for (let at = 0; at < frames; at += blockFrames) {
    const count = Math.min(blockFrames, frames - at);
    const [inLeft, inRight] = ducker.audio();
    const [keyLeft, keyRight] = ducker.key();
    for (const [target, source] of [[inLeft, audio[0]], [inRight, audio[1]], [keyLeft, key[0]], [keyRight, key[1]]]) {
      target.fill(0, 0, count);
      if (at < source.length) target.set(source.subarray(at, Math.min(at + count, source.length)));
    }
    ducker.process(count);
    const [outLeft, outRight] = ducker.audio();
    out[0].set(outLeft.subarray(0, count), at);
    out[1].set(outRight.subarray(0, count), at);
    factors.set(ducker.factors().subarray(0, count), at);
  }
  const latency = ducker.latencyFrames();
  ducker.dispose();
  return { out, factors, latency };
}

// Runs the module's true-peak limiter over whole sounds in blocks and drops its latency, as
// quellmar-duck writes a limited file: as long as the input, the tail flushed at the end.
export function limitWhole(module, audio, ceilingDb, blockFrames) {
  const limiter = module.createLimiter(48000, ceilingDb, blockFrames);
  const frames = audio[0].length;
  const out = [new Float32Array(frames + limiter.latencyFrames), new Float32Array(frames + limiter.latencyFrames)];
  const [left, right] = limiter.audio();
  for (let at = 0; at < frames; at += blockFrames) {
    const end = Math.min(at + blockFrames, frames);
    left.set(audio[0].subarray(at, end));
    right.set(audio[1].subarray(at, end));
    limiter.process(end - at);
    out[0].set(left.subarray(0, end - at), at);
    out[1].set(right.subarray(0, end - at), at);
  }
  limiter.flush();
  out[0].set(left.subarray(0, limiter.latencyFrames), frames);
  out[1].set(right.subarray(0, limiter.latencyFrames), frames);
  const reductionDb = limiter.deepestReductionDb();
  const latency = limiter.latencyFrames;
  limiter.dispose();
  return { out: [out[0].subarray(latency), out[1].subarray(latency)], reductionDb };
}

// One round of the same shell built natively (quellmar_web_native, QM_WEB_NATIVE) over planar
// files, folded into `fastest` ({ name, ns, engineNs }): the kernels' name, and the fastest
// nanoseconds per frame of the loop with its copies and of the engine's calls alone.
export function nativeRound(fastest, kernels, blockFrames, repeats, bedPath, voicePath, outPath, controls) {
  const printed = execFileSync(process.env.QM_WEB_NATIVE, [kernels, String(blockFrames), String(repeats),
    bedPath, voicePath, outPath, ...controls.map(([id, value]) => `${id}=${value}`)], { encoding: 'utf8' });
  fastest.name = /kernels (\S+)/.exec(printed)[1];
  fastest.ns = Math.min(fastest.ns, Number(/^ns_per_frame (\S+)/m.exec(printed)[1]));
  fastest.engineNs = Math.min(fastest.engineNs, Number(/^engine_ns_per_frame (\S+)/m.exec(printed)[1]));
}
