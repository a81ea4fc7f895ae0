// The episode's passes in Node: inputs held whole and inputs read as needed (in uneven pieces, the
// module's memory growing while the writer works) give the same samples; the finished episode lands
// on its target in one writing pass whether or not the limiter acts; a silent mix is refused.
// Environment: QM_WEB_DIST.
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { loadModule } from './ducking.mjs';
import { music, voice } from './signals.mjs';

const dist = process.env.QM_WEB_DIST;
const { heldInputs, kBlockFrames, makeEpisode } = await import(pathToFileURL(join(dist, 'episode.js')).href);
const { ControlId } = await import(pathToFileURL(join(dist, 'control-ids.js')).href);
const module = await loadModule(dist);
const kRateHz = 48000;
const kSeconds = 6;

// Held inputs read as a file would be: not held, in pieces of changing length under the block.
function readAsNeeded(inputs) {
  return {
    frames: inputs.frames,
    async *read() {
      let size = 1;
      for await (const { bed, key } of inputs.read()) {
        for (let at = 0; at < bed[0].length; at += size, size = (size * 7 + 3) % 4096 || 1) {
          const piece = (s) => s.map((c) => c.slice(at, at + size));
          yield { bed: piece(bed), key: piece(key) };
        }
      }
    },
  };
}

// Makes the module's memory grow, as a meter or anything else of the page may while a block is in
// a writer's hands: every view of the memory made before is cut off. The meters are kept, so that
// none of the memory they take is free for the next.
const grownMeters = [];
function growModuleMemory() {
  const before = module.exports.memory.buffer.byteLength;
  grownMeters.push(module.createLoudnessMeter(kRateHz, 2, 1 << 16));
  assert.ok(module.exports.memory.buffer.byteLength > before, 'the memory grew');
}

// The episode's samples as a writer gets them; with `growing`, the module's memory grows before
// each of the first blocks is read.
async function make(inputs, loudnessLufs, ceilingDbtp, growing = false) {
  let samples = null;
  const write = async (blocks, frames) => {
    samples = [new Float32Array(frames), new Float32Array(frames)];
    let at = 0;
    for await (const [left, right] of blocks) {
      if (growing && at < 8 * kBlockFrames) growModuleMemory();
      samples[0].set(left, at);
      samples[1].set(right, at);
      at += left.length;
    }
    assert.equal(at, frames, 'the writer was given as many frames as it was told');
    return new Blob([]);
  };
  const settings = { controls: [[ControlId.RangeDb, 12]], mix: true, loudnessLufs, ceilingDbtp };
  const episode = await makeEpisode(module, kRateHz, inputs, settings, write, { writing: 1 }, () => {});
  return { ...episode, samples };
}

const bed = music(kSeconds);
const key = voice(kSeconds);

// Targets: none, one the limiter leaves alone, and one it has to work for.
for (const [loudnessLufs, ceilingDbtp] of [[null, -1], [-30, -1], [-10, -1]]) {
  test(`held and read as needed give the same episode, target ${loudnessLufs} LUFS under ${ceilingDbtp} dBTP`, async () => {
    const held = await make(heldInputs(bed, key), loudnessLufs, ceilingDbtp);
    const read = await make(readAsNeeded(heldInputs(bed, key)), loudnessLufs, ceilingDbtp, true);
    assert.deepEqual(read.samples, held.samples);
    for (const episode of [held, read]) {
      assert.equal(episode.writingPasses, 1);
      if (loudnessLufs !== null) assert.ok(Math.abs(episode.finishedLufs - loudnessLufs) <= 0.1, `${episode.finishedLufs} LUFS`);
    }
    if (loudnessLufs !== null) {
      const peak = Math.max(...held.samples.map((c) => c.reduce((most, x) => Math.max(most, Math.abs(x)), 0)));
      assert.ok(20 * Math.log10(peak) <= ceilingDbtp, `sample peak ${20 * Math.log10(peak)} dBFS`);
    }
  });
}

test('a silent mix has no loudness to bring to a target', async () => {
  const silence = [new Float32Array(kRateHz), new Float32Array(kRateHz)];
  await assert.rejects(make(heldInputs(silence, silence), -16, -1), /The mix is silent/);
});
