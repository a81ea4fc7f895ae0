// The page with an hour-long voice and bed (FLAC files ffmpeg makes): read from the files as they
// are needed, and the podcast episode exported to Opus, in a browser started for it alone. Prints
// the tab's peak memory (the largest peak resident size of its renderer processes) against its
// 600 MB target, and the time each stage took; asserts that the page read the sounds as needed
// and stayed under that memory, and the episode's length and loudness.
// Environment as for page.test.mjs; QM_WEB_LONG_SECONDS shortens the hour for a trial.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, readdirSync, rmSync } from 'node:fs';
import { join, resolve } from 'node:path';

import { chooseFiles, ebur128, exportEpisode, launch } from './browser.mjs';
import { serveFolder } from '../../tools/web/static-server.mjs';

const kSeconds = Number(process.env.QM_WEB_LONG_SECONDS ?? 3600);
const kTargetMb = 600;
const work = join(process.env.QM_WEB_WORK, 'bench-long');
const downloads = join(work, 'downloads');
rmSync(work, { recursive: true, force: true });
mkdirSync(downloads, { recursive: true });

const stages = [];
let stageStart = performance.now();
function stage(name) {
  const now = performance.now();
  stages.push([name, (now - stageStart) / 1000]);
  stageStart = now;
}

// A bed of a held chord and a voice of pink-noise phrases, three seconds on and two off: a minute
// of each, played over and over for the length asked.
const paths = { voice: join(work, 'voice.flac'), bed: join(work, 'bed.flac') };
const ffmpeg = (...args) => execFileSync('ffmpeg', ['-hide_banner', '-loglevel', 'error', '-y', ...args]);
const minute = { voice: join(work, 'voice-minute.wav'), bed: join(work, 'bed-minute.wav') };
ffmpeg('-f', 'lavfi', '-i', 'aevalsrc=0.2*sin(2*PI*220*t)+0.12*sin(2*PI*277.2*t)|0.2*sin(2*PI*330*t)+0.12*sin(2*PI*164.8*t):s=48000:d=60',
  '-c:a', 'pcm_s16le', minute.bed);
ffmpeg('-f', 'lavfi', '-i', 'anoisesrc=c=pink:r=48000:a=0.3:d=60', '-af', "volume='lt(mod(t,5),3)':eval=frame",
  '-c:a', 'pcm_s16le', minute.voice);
for (const name of ['bed', 'voice']) ffmpeg('-stream_loop', '-1', '-i', minute[name], '-t', String(kSeconds), paths[name]);
stage('ffmpeg makes the voice and the bed');

// The resident memory (MB) of each of the browser's renderer processes, by process id: `field` is
// VmRSS (now) or VmHWM (the kernel's high-water mark).
function rendererMemoryMb(browserPid, field) {
  const memory = new Map();
  for (const pid of readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const command = readFileSync(`/proc/${pid}/cmdline`, 'latin1');
      if (!command.includes('--type=renderer')) continue;
      const status = readFileSync(`/proc/${pid}/status`, 'latin1');
      const parent = Number(/PPid:\s+(\d+)/.exec(status)[1]);
      const grandparent = Number(/PPid:\s+(\d+)/.exec(readFileSync(`/proc/${parent}/status`, 'latin1'))[1]);
      if (parent !== browserPid && grandparent !== browserPid) continue;
      memory.set(pid, Number(new RegExp(`${field}:\\s+(\\d+) kB`).exec(status)[1]) / 1024);
    } catch {
      // A process that ended while it was read.
    }
  }
  return memory;
}

// Each renderer's peak: the high-water mark misses what Chromium's allocators hand back with
// madvise (the kernel updates the mark only when memory is unmapped), so the resident memory is
// also read every 100 ms and the larger kept.
function watchRenderers(browserPid) {
  const peaks = new Map();
  const keep = (memory) => {
    for (const [pid, mb] of memory) peaks.set(pid, Math.max(peaks.get(pid) ?? 0, mb));
  };
  const timer = setInterval(() => keep(rendererMemoryMb(browserPid, 'VmRSS')), 100);
  return () => {
    clearInterval(timer);
    keep(rendererMemoryMb(browserPid, 'VmHWM'));
    return [...peaks.values()];
  };
}

const server = await serveFolder(resolve(process.env.QM_WEB_DIST));
const { browser, session } = await launch(downloads);
const rendererPeaks = watchRenderers(browser.process().pid);
let exported;
let peaks;
try {
  const page = await browser.newPage();
  page.setDefaultTimeout(30 * 60 * 1000);
  // Past 15 minutes the page reads sounds as needed by itself; a shorter trial asks it to.
  await page.goto(`${server.url}index.html${kSeconds > 15 * 60 ? '' : '?stream'}`);
  await page.waitForSelector('body[data-ready="true"]');
  await page.select('#preset', 'podcast');
  await chooseFiles(page, '#bed-input', [paths.bed]);
  await chooseFiles(page, '#voice-input', [paths.voice]);
  stage('the page reads the sounds through and draws them');
  assert.match(await page.$eval('#messages', (box) => box.textContent), /read from their files as they are needed/);
  exported = await exportEpisode(page, session, downloads, 'opus');
  stage('the page exports the podcast episode to Opus');
  console.log(await page.$eval('#result', (r) => r.textContent));
  peaks = rendererPeaks();
} finally {
  await browser.close();
  await server.close();
}
const { integrated, peak } = ebur128(exported);
stage('ffmpeg measures the episode');
const seconds = Number(execFileSync('ffprobe', ['-v', 'error', '-show_entries', 'format=duration', '-of', 'csv=p=0', exported],
  { encoding: 'utf8' }));
const tabMb = Math.max(...peaks);
console.log(`| figure | measured | target |\n|---|---|---|`);
console.log(`| the tab's peak memory, ${kSeconds / 60} minutes to Opus | ${tabMb.toFixed(0)} MB | ${kTargetMb} MB |`);
console.log(`| renderer processes' peaks | ${peaks.map((mb) => mb.toFixed(0)).join(', ')} MB | |`);
console.log(`| the episode | ${seconds.toFixed(2)} s, ${integrated} LUFS, ${peak} dBTP | -16 ± 0.3 LUFS, under -1 dBTP |`);
for (const [name, took] of stages) console.log(`| ${name} | ${took.toFixed(1)} s | |`);
rmSync(work, { recursive: true, force: true });
assert.ok(tabMb < kTargetMb, `the tab took ${tabMb} MB`);
// The last page's granule trims the file to the frame (ffprobe counts the pre-skip's 6.5 ms in):
// a block or a packet lost on the way is longer than the 15 ms allowed.
assert.ok(Math.abs(seconds - kSeconds) <= 0.015, `${seconds} s`);
assert.ok(Math.abs(integrated + 16) <= 0.3, `integrated ${integrated} LUFS`);
assert.ok(peak <= -1, `true peak ${peak} dBTP`);
