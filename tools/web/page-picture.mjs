// A picture of the page with sounds loaded, made by headless Chromium: the page served from its
// folder, the voice and the bed chosen through its file inputs, the podcast preset chosen, the
// preview played for a moment so that the playhead and the gain-reduction meter show.
//   node tools/web/page-picture.mjs DIST_WEB NODE_MODULES VOICE BED OUT.png
// NODE_MODULES holds puppeteer-core (the web build's build/web-npm/node_modules); $QM_CHROMIUM
// names the browser (default /usr/bin/chromium).
import { createRequire } from 'node:module';
import { join, resolve } from 'node:path';

import { serveFolder } from './static-server.mjs';

const [distWeb, nodeModules, voice, bed, out] = process.argv.slice(2);
if (!out) {
  console.error('usage: page-picture.mjs DIST_WEB NODE_MODULES VOICE BED OUT.png');
  process.exit(2);
}
const puppeteer = createRequire(join(resolve(nodeModules), 'page-picture.cjs'))('puppeteer-core');
const server = await serveFolder(resolve(distWeb));
const browser = await puppeteer.launch({
  executablePath: process.env.QM_CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
});
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 900 });
  await page.goto(`${server.url}index.html`);
  await page.waitForSelector('body[data-ready="true"]');
  for (const [selector, file, count] of [['#bed-input', bed, 1], ['#voice-input', voice, 2]]) {
    await (await page.$(selector)).uploadFile(resolve(file));
    await page.waitForFunction((n) => Number(document.body.dataset.sounds ?? 0) >= n, {}, count);
  }
  await page.select('#preset', 'podcast');
  await page.click('#play');
  // Until the playhead has moved and the meter shows a reduction (or the preview has ended).
  await page.waitForFunction(() => Number(document.getElementById('reduction').value) > 1 ||
    document.getElementById('play').textContent === 'Play', { timeout: 60000 });
  if ((await page.$eval('#play', (b) => b.textContent)) === 'Stop') await page.click('#play');
  await page.screenshot({ path: out, fullPage: true });
  console.log(`The page with ${voice} and ${bed}: ${out}`);
} finally {
  await browser.close();
  await server.close();
}
