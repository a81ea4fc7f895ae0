// The page's bench in Debian's headless Chromium, beside the native tool: a ten-minute podcast
// episode exported as MP3 by the page and by quellmar-duck, the ducker per frame in Chromium
// against the same shell built natively, the preview worklet's share of its real-time budget, and
// the page's weight and first paint. Prints a table with each figure's target; asserts nothing
// about time, only that the exports came out at the loudness and nothing loaded the MP3 encoder
// early. Environment as for page.test.mjs, and QM_WEB_NATIVE.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, rmSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { gzipSync } from 'node:zlib';

import { chooseFiles, ebur128, exportEpisode, launch } from './browser.mjs';
import { nativeRound } from './ducking.mjs';
import { kRateHz, music, voice, writeFloatWav, writePlanar } from './signals.mjs';
import { serveFolder } from '../../tools/web/static-server.mjs';

const kEpisodeSeconds = 600;
const kEngineSeconds = 30;
const kExportRounds = 2;
// Enough for V8 to have optimised the module's hot functions in the later rounds.
const kEngineRounds = 8;
const kBlockFrames = 512;
const kWorkletBlockFrames = 128;
// bench.mjs's shaped setting: duck mode, times, threshold, range, hold, look-ahead.
const controls = [[7, 1], [5, 10], [6, 300], [8, -30], [9, 12], [10, 250], [11, 20]];

const dist = resolve(process.env.QM_WEB_DIST);
const work = join(process.env.QM_WEB_WORK, 'bench-page');
const downloads = join(work, 'downloads');
rmSync(work, { recursive: true, force: true });
mkdirSync(downloads, { recursive: true });
const paths = { voice: join(work, 'voice.wav'), bed: join(work, 'bed.wav'), tool: join(work, 'tool.mp3') };
{
  const [key, bed] = [voice(kEpisodeSeconds), music(kEpisodeSeconds)];
  writeFloatWav(paths.voice, key);
  writeFloatWav(paths.bed, bed);
  // The engine rounds duck the episode's first seconds, natively from these files.
  const first = (sound) => sound.map((channel) => channel.subarray(0, kEngineSeconds * kRateHz));
  writePlanar(join(work, 'engine-voice.f32'), first(key));
  writePlanar(join(work, 'engine-bed.f32'), first(bed));
}

const server = await serveFolder(dist);
const { browser, session } = await launch(downloads);
const page = await browser.newPage();
page.setDefaultTimeout(15 * 60 * 1000);
await page.setCacheEnabled(false);
await page.goto(`${server.url}index.html`);
await page.waitForSelector('body[data-ready="true"]');

// What was served before any sound was chosen (the service worker's precaching included), raw
// and gzipped file by file: the small server does not compress.
const served = server.requests.map((r) => r.path);
const bodies = served.map((path) => readFileSync(join(dist, path === '/' ? 'index.html' : path)));
const loadBytes = bodies.reduce((sum, body) => sum + body.length, 0);
const loadGzipBytes = bodies.reduce((sum, body) => sum + gzipSync(body, { level: 9 }).length, 0);
const mp3AtLoad = served.filter((path) => path.startsWith('/mp3/'));
const paintMs = Object.fromEntries(await page.evaluate(() => performance.getEntriesByType('paint').map((e) => [e.name, e.startTime])));

// The preset first: choosing it with sounds loaded would start a gain curve behind the rounds.
await page.select('#preset', 'podcast');
await chooseFiles(page, '#voice-input', [paths.voice]);
await chooseFiles(page, '#bed-input', [paths.bed]);

// In the page's main thread: the ducker over the episode's first seconds (read back from the
// chosen files) in 512-frame blocks as bench.mjs does, and in 128-frame blocks with the copies
// the preview's worklet makes (worklet.ts). The AudioWorkletGlobalScope has no performance.now,
// so the main thread stands in for the audio thread.
function inPage({ controls, seconds, blockFrames, workletFrames }) {
  return (async () => {
    const { QuellmarModule, moduleFileName } = await import(new URL('engine.js', location.href).href);
    // One module for all rounds, as in bench.mjs: the file the page loads.
    globalThis.benchModule ??= QuellmarModule.load(await (await fetch(moduleFileName())).arrayBuffer());
    const module = await globalThis.benchModule;
    const frames = seconds * 48000;
    const read = async (id) => {
      const file = document.getElementById(id).files[0];
      const both = new Float32Array(await file.slice(44, 44 + frames * 8).arrayBuffer());
      return [0, 1].map((c) => Float32Array.from({ length: frames }, (_, i) => both[2 * i + c]));
    };
    const [bed, key] = [await read('bed-input'), await read('voice-input')];
    const create = (block) => {
      const ducker = module.createDucker(48000, block);
      for (const [id, value] of controls) ducker.setControl(id, value);
      return ducker;
    };

    const out = [new Float32Array(frames), new Float32Array(frames)];
    // The loop of 512-frame blocks, its time per frame.
    const duckLoop = () => {
      const ducker = create(blockFrames);
      const [audio, keys] = [ducker.audio(), ducker.key()];
      const begin = performance.now();
      for (let at = 0; at < frames; at += blockFrames) {
        const end = Math.min(at + blockFrames, frames);
        for (let c = 0; c < 2; ++c) {
          keys[c].set(key[c].subarray(at, end));
          audio[c].set(bed[c].subarray(at, end));
        }
        ducker.process(end - at);
        for (let c = 0; c < 2; ++c) out[c].set(audio[c].subarray(0, end - at), at);
      }
      const nsPerFrame = ((performance.now() - begin) * 1e6) / frames;
      ducker.dispose();
      return nsPerFrame;
    };
    // As in bench.mjs: V8 swaps in its optimised code once the module is hot, compiled on a
    // background thread, so the first round runs the ducker for a second before it is timed.
    if (!globalThis.benchWarmed) {
      for (const warmedAt = performance.now() + 1000; performance.now() < warmedAt;) duckLoop();
      globalThis.benchWarmed = true;
    }
    const engineNsPerFrame = duckLoop();
    let ducker = create(blockFrames);
    let [audio, keys] = [ducker.audio(), ducker.key()];
    let start = performance.now();
    // The same loop's copies alone: what it takes less them is the engine's. The page's clock is
    // too coarse to time each call.
    start = performance.now();
    for (let at = 0; at < frames; at += blockFrames) {
      const end = Math.min(at + blockFrames, frames);
      for (let c = 0; c < 2; ++c) {
        keys[c].set(key[c].subarray(at, end));
        audio[c].set(bed[c].subarray(at, end));
      }
      for (let c = 0; c < 2; ++c) out[c].set(audio[c].subarray(0, end - at), at);
    }
    const copiesNsPerFrame = ((performance.now() - start) * 1e6) / frames;
    ducker.dispose();

    ducker = create(workletFrames);
    [audio, keys] = [ducker.audio(), ducker.key()];
    const gains = ducker.factors();
    const output = [new Float32Array(workletFrames), new Float32Array(workletFrames)];
    const blocks = Math.floor(frames / workletFrames);
    let lowestGain = 1;
    start = performance.now();
    for (let block = 0, frame = 0; block < blocks; ++block, frame += workletFrames) {
      const at = frame + ducker.latencyFrames();
      for (let c = 0; c < 2; ++c) {
        for (let i = 0; i < workletFrames; ++i) {
          audio[c][i] = bed[c][at + i] ?? 0;
          keys[c][i] = key[c][at + i] ?? 0;
        }
      }
      ducker.process(workletFrames);
      for (let c = 0; c < 2; ++c) for (let i = 0; i < workletFrames; ++i) output[c][i] = audio[c][i] + (key[c][frame + i] ?? 0);
      for (let i = 0; i < workletFrames; ++i) lowestGain = Math.min(lowestGain, gains[i]);
    }
    const workletNsPerBlock = ((performance.now() - start) * 1e6) / blocks;
    ducker.dispose();
    return { kernels: module.kernels, engineNsPerFrame, copiesNsPerFrame, workletNsPerBlock, lowestGain };
  })();
}

// Rounds take turns, so that a busy moment of the shared machine weighs on both sides alike.
const engine = { kernels: '', pageNs: Infinity, copiesNs: Infinity, workletNs: Infinity };
const natives = { best: { name: '', ns: Infinity, engineNs: Infinity }, sse2: { name: '', ns: Infinity, engineNs: Infinity } };
for (let round = 0; round < kEngineRounds; ++round) {
  const run = await page.evaluate(inPage, { controls, seconds: kEngineSeconds, blockFrames: kBlockFrames, workletFrames: kWorkletBlockFrames });
  assert.ok(run.lowestGain < 0.5, 'the worklet rounds ducked the bed');
  engine.kernels = run.kernels;
  engine.pageNs = Math.min(engine.pageNs, run.engineNsPerFrame);
  engine.copiesNs = Math.min(engine.copiesNs, run.copiesNsPerFrame);
  engine.workletNs = Math.min(engine.workletNs, run.workletNsPerBlock);
  for (const [kernels, fastest] of Object.entries(natives)) {
    nativeRound(fastest, kernels, kBlockFrames, 1, join(work, 'engine-bed.f32'), join(work, 'engine-voice.f32'),
      join(work, 'engine-out.f32'), controls);
  }
}

const seconds = (startNs) => Number(process.hrtime.bigint() - startNs) / 1e9;
// The page makes and encodes the episode again when the encoder missed the loudness, saying so
// for a moment: every text the progress line loses is read.
await page.evaluate(() => new MutationObserver((records) => {
  for (const node of records.flatMap((record) => [...record.removedNodes])) {
    const missed = /missed the target by (\S+) LU/.exec(node.textContent);
    if (missed) globalThis.benchMissedLu.push(missed[1]);
  }
}).observe(document.getElementById('progress-text'), { childList: true }));
const exports = { pageSeconds: Infinity, pageSaid: '', missedLu: [], writingPasses: [], toolSeconds: Infinity, heapBytes: 0, pageMp3: '' };
for (let round = 0; round < kExportRounds; ++round) {
  // The JS heap sampled while the page exports (typed arrays' contents lie outside it).
  const sampler = setInterval(() => page.metrics().then((m) => {
    exports.heapBytes = Math.max(exports.heapBytes, m.JSHeapUsedSize);
  }, () => {}), 500);
  await page.evaluate(() => { globalThis.benchMissedLu = []; });
  let start = process.hrtime.bigint();
  exports.pageMp3 = await exportEpisode(page, session, downloads, 'mp3');
  const pageSeconds = seconds(start);
  clearInterval(sampler);
  exports.missedLu.push(await page.evaluate(() => globalThis.benchMissedLu));
  exports.writingPasses.push(await page.evaluate(() => document.body.dataset.writingPasses));
  if (pageSeconds < exports.pageSeconds) {
    exports.pageSeconds = pageSeconds;
    exports.pageSaid = await page.$eval('#progress-text', (p) => p.textContent);
  }
  start = process.hrtime.bigint();
  execFileSync(process.env.QM_DUCK, ['--key', paths.voice, '--preset', 'podcast', paths.bed, '-o', paths.tool, '--quiet']);
  exports.toolSeconds = Math.min(exports.toolSeconds, seconds(start));
}
assert.match(await page.$eval('#result', (r) => r.textContent), /^Exported .*\.mp3/);
const pageLoudness = ebur128(exports.pageMp3);
const toolLoudness = ebur128(paths.tool);
assert.ok(Math.abs(pageLoudness.integrated + 16) <= 0.3, `the page's MP3: ${pageLoudness.integrated} LUFS`);
assert.deepEqual(mp3AtLoad, [], 'the MP3 encoder was fetched at load');
await browser.close();
await server.close();

const budgetNs = (kWorkletBlockFrames / kRateHz) * 1e9;
const fixed = (x, digits) => x.toFixed(digits);
const rows = [
  [`${kEpisodeSeconds / 60}-minute MP3 export, page (s)`, fixed(exports.pageSeconds, 1), `(page: ${exports.pageSaid})`],
  [`${kEpisodeSeconds / 60}-minute MP3 export, quellmar-duck (s)`, fixed(exports.toolSeconds, 1), ''],
  ['  page / quellmar-duck', fixed(exports.pageSeconds / exports.toolSeconds, 2), '<= 2'],
  ['  page\'s writing passes per round', exports.writingPasses.join(' '),
    `(the encoded file missed by ${exports.missedLu.map((m) => m.join(', ') || '-').join('; ')} LU before one more)`],
  ['  page MP3 loudness (LUFS)', fixed(pageLoudness.integrated, 2), '-16 +- 0.3'],
  ['  quellmar-duck MP3 loudness (LUFS)', fixed(toolLoudness.integrated, 2), '(information)'],
  ['  page MP3 true peak (dBTP)', fixed(pageLoudness.peak, 2), '(information)'],
  ['  peak JS heap during export (MB)', fixed(exports.heapBytes / 2 ** 20, 1), '(information)'],
  // Like with like: the engine's calls on both sides, and the loop with its copies on both.
  [`ducker, Chromium wasm (${engine.kernels}), engine calls alone (ns/frame)`, fixed(engine.pageNs - engine.copiesNs, 2), '(the loop less its copies)'],
  [`ducker, native (${natives.best.name}), engine calls alone (ns/frame)`, fixed(natives.best.engineNs, 2), ''],
  ['  Chromium / native', fixed((engine.pageNs - engine.copiesNs) / natives.best.engineNs, 2), '<= 1.5'],
  ['  with the copies, Chromium / native (ns/frame)', `${fixed(engine.pageNs, 2)} / ${fixed(natives.best.ns, 2)}`, ''],
  ['  with the copies, Chromium / native', fixed(engine.pageNs / natives.best.ns, 2), '(information)'],
  [`  Chromium / native ${natives.sse2.name}, engine calls alone`, fixed((engine.pageNs - engine.copiesNs) / natives.sse2.engineNs, 2), '(information)'],
  [`worklet block of ${kWorkletBlockFrames} frames (us)`, fixed(engine.workletNs / 1000, 2), ''],
  ['  share of its real-time budget (%)', fixed((100 * engine.workletNs) / budgetNs, 2), '<= 2'],
  [`page at load, ${served.length} requests of ${new Set(served).size} files (bytes)`, String(loadBytes), ''],
  ['  gzipped (bytes)', String(loadGzipBytes), '<= 1500000'],
  ['  MP3 encoder files requested', String(mp3AtLoad.length), '0'],
  ['first paint (ms)', fixed(paintMs['first-paint'] ?? NaN, 0), '<= 1000'],
  ['first contentful paint (ms)', fixed(paintMs['first-contentful-paint'] ?? NaN, 0), '<= 1000'],
];
console.log(`page bench in ${process.env.QM_CHROMIUM}: ducker on ${kEngineSeconds} s, fastest of ${kEngineRounds} rounds; ` +
  `exports fastest of ${kExportRounds}, alternating`);
console.log(`${'figure'.padEnd(50)} ${'measured'.padStart(10)}  target`);
for (const [name, value, target] of rows) console.log(`${name.padEnd(50)} ${value.padStart(10)}  ${target}`);
