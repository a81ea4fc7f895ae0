// Driving the page in Debian's headless Chromium, shared by its test and its bench: the browser
// launched with downloads saved into a folder, sounds chosen through the file inputs, an episode
// exported and its download awaited, and ffmpeg's loudness measurement of what came out.
// Environment: QM_WEB_NODE_MODULES, QM_CHROMIUM.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { createRequire } from 'node:module';
import { join } from 'node:path';

export const requireWeb = createRequire(join(process.env.QM_WEB_NODE_MODULES, 'page-tests.cjs'));
const puppeteer = requireWeb('puppeteer-core');

// The browser, and a session whose download events say when a file saved into `downloads` landed.
export async function launch(downloads) {
  const browser = await puppeteer.launch({
    executablePath: process.env.QM_CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
  });
  const session = await browser.target().createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allowAndName', downloadPath: downloads, eventsEnabled: true });
  return { browser, session };
}

// Waits for the next download to complete and returns the saved file's path.
export function nextDownload(session, downloads) {
  return new Promise((resolveDownload, reject) => {
    const listener = (event) => {
      if (event.state === 'completed') {
        session.off('Browser.downloadProgress', listener);
        resolveDownload(join(downloads, event.guid));
      } else if (event.state === 'canceled') {
        reject(new Error('the download was cancelled'));
      }
    };
    session.on('Browser.downloadProgress', listener);
  });
}

export async function chooseFiles(page, selector, paths) {
  const before = await page.evaluate(() => Number(document.body.dataset.sounds ?? 0));
  const input = await page.$(selector);
  await input.uploadFile(...paths);
  await page.waitForFunction((count) => Number(document.body.dataset.sounds ?? 0) > count, {}, before);
}

// Exports the episode as `format` and returns the downloaded file's path.
export async function exportEpisode(page, session, downloads, format) {
  await page.select('#format', format);
  const exportsBefore = await page.evaluate(() => Number(document.body.dataset.exports ?? 0));
  const saved = nextDownload(session, downloads);
  await page.click('#export');
  const path = await saved;
  await page.waitForFunction((count) => Number(document.body.dataset.exports ?? 0) > count, {}, exportsBefore);
  return path;
}

// The integrated loudness (LUFS) and true peak (dBTP) that ffmpeg's ebur128 filter measures.
export function ebur128(path) {
  // Each 100 ms's line at the verbose level, unseen: an hour's would overflow what is kept of stderr.
  const measured = spawnSync('ffmpeg', ['-hide_banner', '-nostats', '-i', path, '-af', 'ebur128=peak=true:framelog=verbose',
    '-f', 'null', '-'], { encoding: 'utf8' });
  assert.equal(measured.status, 0, measured.stderr);
  const summary = measured.stderr.slice(measured.stderr.lastIndexOf('Summary'));
  return {
    integrated: Number(/I:\s+(-?[\d.]+) LUFS/.exec(summary)[1]),
    peak: Number(/Peak:\s+(-?[\d.]+) dBFS/.exec(summary)[1]),
  };
}
