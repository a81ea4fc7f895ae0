// The page in headless Chromium, driven as a user drives it: sounds chosen through its file
// inputs, a preset and a control set through its controls, the episode exported through a
// download and held against quellmar-duck (ducking alone) and against ffmpeg's loudness
// measurement (the finished podcast episode as WAV, Opus and MP3). Also: nothing is fetched after
// load, axe-core finds no accessibility violation, an undecodable file is named and the page stays
// usable, a file type the browser cannot encode says so, and screenshots at a desktop and a phone
// width are kept.
// Environment: QM_WEB_DIST, QM_DUCK, QM_WEB_WORK, QM_WEB_NODE_MODULES, QM_WEB_ARTEFACTS,
// QM_CHROMIUM.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdirSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import * as driver from './browser.mjs';
import { kRateHz, music, readFloatWav, voice, writeFloatWav } from './signals.mjs';
import { serveFolder } from '../../tools/web/static-server.mjs';

const { ebur128, requireWeb } = driver;
const axeSource = readFileSync(requireWeb.resolve('axe-core/axe.min.js'), 'utf8');

const work = join(process.env.QM_WEB_WORK, 'page');
const downloads = join(work, 'downloads');
const artefacts = process.env.QM_WEB_ARTEFACTS;
const kSeconds = 8;
let server;
let browser;
let page;
let downloadEvents;
let requestsAtLoad = 0;
const pageRequests = [];
let loaded = false;

function wavPaths() {
  return { voice: join(work, 'voice.wav'), bed: join(work, 'bed.wav'), bad: join(work, 'not-sound.mp3') };
}

before(async () => {
  rmSync(work, { recursive: true, force: true });
  mkdirSync(downloads, { recursive: true });
  mkdirSync(artefacts, { recursive: true });
  const paths = wavPaths();
  writeFloatWav(paths.voice, voice(kSeconds));
  writeFloatWav(paths.bed, music(kSeconds));
  writeFileSync(paths.bad, 'This is text, not an MP3 file.\n');
  server = await serveFolder(resolve(process.env.QM_WEB_DIST));
  ({ browser, session: downloadEvents } = await driver.launch(downloads));
  page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 900 });
  page.on('request', (request) => {
    if (loaded && !/^(blob|data):/.test(request.url())) pageRequests.push(request.url());
  });
  await page.goto(`${server.url}index.html`);
  await page.waitForSelector('body[data-ready="true"]');
  requestsAtLoad = server.requests.length;
  loaded = true;
});

after(async () => {
  await browser?.close();
  await server?.close();
});

const chooseFiles = (selector, paths) => driver.chooseFiles(page, selector, paths);

// Types `value` into a control's number box and leaves it, as a keyboard user does.
async function typeControl(key, value) {
  const box = `#control-${key}-value`;
  await page.click(box, { clickCount: 3 });
  await page.keyboard.press('Backspace');
  await page.type(box, String(value));
  await page.keyboard.press('Tab');
}

const exportEpisode = (format) => driver.exportEpisode(page, downloadEvents, downloads, format);

function messages() {
  return page.$eval('#messages', (box) => box.textContent);
}

test('without a voice the page says so; bad files are named (not sound, no samples), one cut short is taken, and the page stays usable', async () => {
  const paths = wavPaths();
  await chooseFiles('#bed-input', [paths.bed]);
  assert.match(await messages(), /No voice chosen/);
  assert.equal(await page.$eval('#play', (b) => b.disabled), true);
  // Bad voices, each named with what is wrong; one cut short is taken as far as it goes.
  const empty = join(work, 'empty.wav');
  const truncated = join(work, 'truncated.mp3');
  writeFloatWav(empty, [new Float32Array(0), new Float32Array(0)]);
  execFileSync('ffmpeg', ['-v', 'error', '-y', '-i', paths.voice, '-c:a', 'libmp3lame', join(work, 'whole.mp3')]);
  writeFileSync(truncated, readFileSync(join(work, 'whole.mp3')).subarray(0, 20000));
  for (const [file, expected] of [[paths.bad, /not-sound\.mp3: this browser cannot decode it/],
    [empty, /empty\.wav: holds no samples/], [truncated, null]]) {
    await chooseFiles('#voice-input', [file]);
    const text = await messages();
    if (expected) {
      assert.match(text, expected);
      assert.equal(await page.$eval('#export', (b) => b.disabled), true, 'no voice: nothing to export');
    } else {
      assert.doesNotMatch(text, /truncated|cannot decode/, text);
      assert.equal(await page.$eval('#export', (b) => b.disabled), false, 'what it holds is a voice');
    }
  }
  await chooseFiles('#voice-input', [paths.voice]);
  assert.doesNotMatch(await messages(), /cannot decode/);
  assert.equal(await page.$eval('#export', (b) => b.disabled), false);
});

test('ducking alone: the exported WAV is quellmar-duck\'s to within 1e-6', async () => {
  const paths = wavPaths();
  await page.select('#preset', 'standard');
  await typeControl('threshold', -36);
  assert.equal(await page.$eval('#control-threshold', (s) => s.value), '-36');
  assert.equal(await page.$eval('#finish', (c) => c.checked), false);
  const exported = await exportEpisode('float32');
  const expectedPath = join(work, 'duck-standard.wav');
  execFileSync(process.env.QM_DUCK, ['-q', '--preset', 'standard', '--threshold', '-36', '--key', paths.voice,
    '--format', 'wav:float', paths.bed, '-o', expectedPath]);
  const actual = readFloatWav(exported);
  const expected = readFloatWav(expectedPath);
  assert.equal(actual[0].length, expected[0].length);
  let largest = 0;
  for (let c = 0; c < 2; ++c) {
    for (let i = 0; i < expected[c].length; ++i) largest = Math.max(largest, Math.abs(actual[c][i] - expected[c][i]));
  }
  console.log(`ducking alone: max |difference| against quellmar-duck ${largest.toExponential(3)}`);
  assert.ok(largest <= 1e-6, `max difference ${largest}`);
  const bed = readFloatWav(paths.bed);
  const lowered = expected[0].some((x, i) => Math.abs(x) < 0.5 * Math.abs(bed[0][i]) && Math.abs(bed[0][i]) > 0.05);
  assert.ok(lowered, 'the bed was lowered somewhere');
});

test('two voices mixed over the ducked bed: quellmar-duck --mix\'s episode to within 1e-6', async () => {
  const paths = wavPaths();
  const second = join(work, 'voice-two.wav');
  const [left, right] = voice(kSeconds - 3);
  writeFloatWav(second, [right.map((x) => 0.8 * x), left.map((x) => -0.6 * x)]);
  await chooseFiles('#voice-input', [paths.voice, second]);
  await page.select('#preset', 'strong');
  await page.click('#mix');
  assert.equal(await page.$eval('#mix', (c) => c.checked), true);
  const exported = await exportEpisode('float32');
  const expectedPath = join(work, 'mix-strong.wav');
  execFileSync(process.env.QM_DUCK, ['-q', '--preset', 'strong', '--key', paths.voice, '--key', second, '--mix',
    '--format', 'wav:float', paths.bed, '-o', expectedPath]);
  const actual = readFloatWav(exported);
  const expected = readFloatWav(expectedPath);
  assert.equal(actual[0].length, expected[0].length);
  let largest = 0;
  for (let c = 0; c < 2; ++c) {
    for (let i = 0; i < expected[c].length; ++i) largest = Math.max(largest, Math.abs(actual[c][i] - expected[c][i]));
  }
  console.log(`two voices mixed: max |difference| against quellmar-duck ${largest.toExponential(3)}`);
  assert.ok(largest <= 1e-6, `max difference ${largest}`);
  await chooseFiles('#voice-input', [paths.voice]);
  await page.select('#preset', 'standard');
});

// The samples of a 16-bit PCM WAV file, interleaved.
function readPcm16(path) {
  const bytes = readFileSync(path);
  for (let at = 12; at + 8 <= bytes.length;) {
    const size = bytes.readUInt32LE(at + 4);
    if (bytes.toString('latin1', at, at + 4) === 'fmt ') assert.equal(bytes.readUInt16LE(at + 22), 16, `${path}: not 16-bit`);
    if (bytes.toString('latin1', at, at + 4) === 'data') {
      return new Int16Array(bytes.buffer.slice(bytes.byteOffset + at + 8, bytes.byteOffset + at + 8 + size));
    }
    at += 8 + size + (size & 1);
  }
  throw new Error(`${path}: no data`);
}

// The module's gains lie a few float roundings from quellmar-duck's: a sample that lands that
// close to a step's edge rounds to the neighbouring step, and only such samples differ (the
// dither's sequence goes by position, so it stays the same).
test('ducking alone at 16 bits: quellmar-duck\'s samples, dither and all, but for a rare step', async () => {
  const paths = wavPaths();
  await page.select('#preset', 'standard');
  await typeControl('threshold', -36);
  const exported = await exportEpisode('pcm16');
  const expectedPath = join(work, 'duck-standard-16.wav');
  execFileSync(process.env.QM_DUCK, ['-q', '--preset', 'standard', '--threshold', '-36', '--key', paths.voice,
    '--format', 'wav:16', paths.bed, '-o', expectedPath]);
  const actual = readPcm16(exported);
  const expected = readPcm16(expectedPath);
  assert.equal(actual.length, expected.length);
  let differing = 0;
  let largest = 0;
  for (let i = 0; i < expected.length; ++i) {
    if (actual[i] !== expected[i]) ++differing;
    largest = Math.max(largest, Math.abs(actual[i] - expected[i]));
  }
  assert.ok(largest <= 1, `samples ${largest} steps apart`);
  assert.ok(differing <= expected.length / 1000, `${differing} of ${expected.length} samples differ`);
});

test('the live preview plays through the worklet, its playhead moves and controls act while it plays', async () => {
  await page.select('#preset', 'podcast');
  await page.$eval('#position', (slider) => {
    slider.value = '0';
    slider.dispatchEvent(new Event('input'));
  });
  await page.click('#play');
  assert.equal(await page.$eval('#play', (b) => b.textContent), 'Stop');
  await page.waitForFunction(() => !document.getElementById('time').textContent.startsWith('0:00 /'), { timeout: 20000 });
  // The preset's 12 dB range lets the bed fall by more than 3 dB under a syllable...
  await page.waitForFunction(() => Number(document.getElementById('reduction').value) > 3.5, { timeout: 20000 });
  // ...and a range of 3 dB set while it plays holds it to 3 dB from then on: every reading made
  // under the new setting, until one shows a reduction again.
  await typeControl('range', 3);
  // From the start again, so that syllables lie ahead however far it had played.
  await page.$eval('#position', (slider) => {
    slider.value = '0';
    slider.dispatchEvent(new Event('input'));
  });
  const sent = await page.evaluate(() => Number(document.body.dataset.controlsSent));
  const reports = await page.evaluate((setting) => new Promise((resolveReports) => {
    const seen = [];
    const meter = document.getElementById('reduction');
    const observer = new MutationObserver(() => {
      if (Number(meter.dataset.controls) >= setting) seen.push(Number(meter.value));
      if (seen.some((r) => r > 0.5) || document.getElementById('play').textContent === 'Play') {
        observer.disconnect();
        resolveReports(seen);
      }
    });
    observer.observe(document.getElementById('reduction-text'), { childList: true, characterData: true, subtree: true });
  }), sent);
  assert.ok(reports.some((r) => r > 0.5), `no reduction after the change: ${reports}`);
  assert.ok(reports.every((r) => r <= 3.001), `deeper than the range: ${reports}`);
  await page.click('#play');
  assert.equal(await page.$eval('#play', (b) => b.textContent), 'Play');
});

test('a voice at another rate, of six channels and longer than the bed is resampled, mixed down and sets the length', async () => {
  const paths = wavPaths();
  const surround = join(work, 'voice-5.1-44k1.wav');
  execFileSync('ffmpeg', ['-hide_banner', '-loglevel', 'error', '-y', '-i', paths.voice, '-af',
    'pan=5.1|FL=c0|FR=c1|FC=c0|LFE=c1|BL=c0|BR=c1,apad=pad_dur=2', '-ar', '44100', '-c:a', 'pcm_f32le', surround]);
  await chooseFiles('#voice-input', [surround]);
  const text = await messages();
  assert.match(text, /voice-5\.1-44k1\.wav is at 44100 Hz: resampled to the bed's 48000 Hz/);
  assert.match(text, /voice-5\.1-44k1\.wav has 6 channels: mixed down to stereo/);
  assert.match(text, /longer than the bed .*the episode lasts as long as the voice/);
  await page.select('#preset', 'standard');
  const exported = await exportEpisode('float32');
  const episode = readFloatWav(exported);
  assert.equal(episode[0].length, (kSeconds + 2) * kRateHz);
  await chooseFiles('#voice-input', [paths.voice]);
  assert.doesNotMatch(await messages(), /resampled|mixed down|longer/);
});

test('a voice dropped on its area is taken as chosen ones are', async () => {
  const paths = wavPaths();
  const bytes = readFileSync(paths.voice).toString('base64');
  const before = await page.evaluate(() => Number(document.body.dataset.sounds ?? 0));
  await page.evaluate((base64) => {
    const data = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const transfer = new DataTransfer();
    transfer.items.add(new File([data], 'dropped-voice.wav', { type: 'audio/wav' }));
    const zone = document.getElementById('voice-drop');
    zone.dispatchEvent(new DragEvent('dragover', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    zone.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, bytes);
  await page.waitForFunction((count) => Number(document.body.dataset.sounds ?? 0) > count, {}, before);
  assert.equal(await page.$eval('#voice-names', (p) => p.textContent), 'Voice: dropped-voice.wav');
  assert.equal(await page.$eval('#export', (b) => b.disabled), false);
});

test('the keyboard reaches every control, in the page\'s order', async () => {
  const controls = await page.$$eval('input, select, button', (all) => all.filter((e) => !e.disabled).map((e) => e.id));
  // From the first: Tab goes on from where the last click was, wherever focus is put.
  await page.focus(`#${controls[0]}`);
  const reached = [controls[0]];
  for (let i = 0; i < controls.length * 2 && reached.length < controls.length; ++i) {
    await page.keyboard.press('Tab');
    const id = await page.evaluate(() => document.activeElement?.id ?? '');
    if (id && !reached.includes(id)) reached.push(id);
  }
  assert.deepEqual(reached, controls);
});

test('a file type the browser cannot encode is listed but disabled, saying why there and in the select\'s description', async () => {
  const options = await page.evaluate(() => Promise.all([['opus', 'opus'], ['m4a', 'mp4a.40.2']].map(async ([value, codec]) => {
    const encodes = typeof AudioEncoder === 'function'
      && (await AudioEncoder.isConfigSupported({ codec, sampleRate: 48000, numberOfChannels: 2, bitrate: 128000 })).supported;
    const option = document.querySelector(`#format option[value="${value}"]`);
    return { value, encodes, disabled: option.disabled, text: option.textContent };
  })));
  const description = await page.$eval('#format', (s) => document.getElementById(s.getAttribute('aria-describedby')).textContent);
  console.log(`browser-encoded types: ${JSON.stringify(options)}`);
  for (const { value, encodes, disabled, text } of options) {
    assert.equal(disabled, !encodes, text);
    if (disabled) {
      assert.match(text, /this browser cannot encode/);
      assert.ok(description.includes(text), description);
    }
  }
  assert.equal(options[0].disabled, false, 'the Opus export below needs this browser\'s Opus encoder');
});

test('axe-core finds no violation with sounds loaded', async () => {
  await page.addScriptTag({ content: axeSource });
  const result = await page.evaluate(async () => (await window.axe.run(document)).violations);
  for (const violation of result) console.log(`${violation.id}: ${violation.help} (${violation.nodes.length})`);
  assert.deepEqual(result.map((v) => v.id), []);
});

test('screenshots at a desktop and a phone width', async () => {
  await page.setViewport({ width: 1280, height: 900 });
  await page.screenshot({ path: join(artefacts, 'page-desktop.png'), fullPage: true });
  // A phone's width (without switching to mobile emulation, which would reload the page).
  await page.setViewport({ width: 390, height: 844 });
  await page.screenshot({ path: join(artefacts, 'page-phone.png'), fullPage: true });
  const pictures = readdirSync(artefacts).filter((name) => /^page-(desktop|phone)\.png$/.test(name));
  assert.equal(pictures.length, 2);
  const phoneWidth = await page.evaluate(() => document.documentElement.scrollWidth);
  const wide = await page.evaluate(() => Array.from(document.querySelectorAll('body *'))
    .filter((e) => e.getBoundingClientRect().right > 390).map((e) => `${e.tagName}#${e.id}.${e.className}`));
  if (wide.length > 0) console.log(`wider than the phone: ${wide.join(' ')}`);
  assert.ok(phoneWidth <= 390, `the page is ${phoneWidth} px wide at a phone's 390`);
});

test('nothing was fetched after load', async () => {
  const late = server.requests.slice(requestsAtLoad).map((r) => r.path);
  console.log(`requests at load: ${requestsAtLoad} (${server.requests.slice(0, requestsAtLoad).map((r) => r.path).join(' ')})`);
  assert.deepEqual(late, []);
  assert.deepEqual(pageRequests, []);
  // Chromium runs relaxed SIMD: the page runs the module whose multiply-adds are fused.
  assert.equal(await page.evaluate(async () => (await import(new URL('engine.js', location.href).href)).moduleFileName()),
    'quellmar-relaxed.wasm');
});

// Container, codec and length (s) as ffprobe reads them, every packet read: a page whose CRC is
// wrong is an error here.
function ffprobe(path) {
  const probed = spawnSync('ffprobe', ['-v', 'error', '-count_packets', '-show_entries',
    'format=format_name,duration:stream=codec_name,channels', '-of', 'json', path], { encoding: 'utf8' });
  assert.equal(probed.status, 0, probed.stderr);
  assert.equal(probed.stderr, '');
  const { format, streams } = JSON.parse(probed.stdout);
  return { container: format.format_name, codec: streams[0].codec_name, channels: streams[0].channels, seconds: Number(format.duration) };
}

// The finished podcast episode in each file type: what its export fetched (the MP3 encoder only
// when asked for; this runs after the test that nothing else was), what ffprobe finds, its length
// as FFmpeg decodes it against the WAV's (s: within an Opus page's rounding, or one MP3 frame) and
// its loudness.
const kFinishedExports = [
  { format: 'pcm16', fetched: [], container: 'wav', codec: 'pcm_s16le', lengthError: 0 },
  { format: 'opus', fetched: [], container: 'ogg', codec: 'opus', lengthError: 0.03 },
  { format: 'mp3', fetched: ['/mp3/WasmMediaEncoder.min.js', '/mp3/encoder-worker.js', '/mp3/mp3.wasm'], container: 'mp3', codec: 'mp3', lengthError: 1152 / kRateHz },
];
let wavSeconds = null;
for (const row of kFinishedExports) {
  test(`the podcast preset as ${row.format}: ${row.container}/${row.codec}, -16 LUFS under -1 dBTP (ffmpeg's ebur128)`, async () => {
    const before = server.requests.length;
    await page.select('#preset', 'podcast');
    assert.equal(await page.$eval('#finish', (c) => c.checked), true);
    assert.equal(await page.$eval('#control-loudness-value', (b) => b.value), '-16');
    const exported = await exportEpisode(row.format);
    assert.deepEqual(server.requests.slice(before).map((r) => r.path).sort(), row.fetched);
    const probed = ffprobe(exported);
    assert.deepEqual([probed.container, probed.codec, probed.channels], [row.container, row.codec, 2]);
    const seconds = decodedStrictly(exported).length / 2 / kRateHz;
    wavSeconds ??= seconds;
    assert.ok(Math.abs(seconds - wavSeconds) <= row.lengthError, `${seconds} s, the WAV ${wavSeconds} s`);
    const { integrated, peak } = ebur128(exported);
    const took = await page.$eval('#progress-text', (p) => p.textContent);
    console.log(`${row.format} episode: ${integrated} LUFS, true peak ${peak} dBTP, ${seconds} s; ${took}`);
    assert.ok(Math.abs(integrated + 16) <= 0.3, `integrated ${integrated} LUFS`);
    assert.ok(peak <= -1.0, `true peak ${peak} dBTP`);
  });
}

test('the live path rendered offline (the preview\'s worklet in an OfflineAudioContext) is quellmar-duck\'s ducking', async () => {
  const paths = wavPaths();
  const expectedPath = join(work, 'duck-live.wav');
  execFileSync(process.env.QM_DUCK, ['-q', '--preset', 'standard', '--threshold', '-36', '--key', paths.voice,
    '--format', 'wav:float', paths.bed, '-o', expectedPath]);
  const expected = readFloatWav(expectedPath);
  const { ControlId } = await import(pathToFileURL(join(process.env.QM_WEB_DIST, 'control-ids.js')).href);
  const controls = [[ControlId.AttackMs, 20], [ControlId.ReleaseMs, 400], [ControlId.ThresholdDb, -36],
    [ControlId.RangeDb, 12], [ControlId.HoldMs, 300], [ControlId.LookaheadMs, 30]];
  const planar = (path) => Buffer.concat(readFloatWav(path).map((c) => Buffer.from(c.buffer, c.byteOffset, c.byteLength))).toString('base64');
  const rendered = await page.evaluate(async (bed, key, rateHz, controls) => {
    const stereo = (text) => {
      const all = new Float32Array(Uint8Array.from(atob(text), (c) => c.charCodeAt(0)).buffer);
      return [all.slice(0, all.length / 2), all.slice(all.length / 2)];
    };
    const [bedAudio, keyAudio] = [stereo(bed), stereo(key)];
    const context = new OfflineAudioContext(2, bedAudio[0].length, rateHz);
    const source = await (await fetch('worklet.js')).text();
    await context.audioWorklet.addModule(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })));
    const node = new AudioWorkletNode(context, 'quellmar-preview', { numberOfInputs: 0, outputChannelCount: [2] });
    node.connect(context.destination);
    const { moduleFileName } = await import(new URL('engine.js', location.href).href);
    const wasm = await (await fetch(moduleFileName())).arrayBuffer();
    // As the page plays: the sounds' length, then the sounds in pieces.
    const messages = [{ type: 'stream', wasm, frames: bedAudio[0].length }, { type: 'controls', controls },
      { type: 'mix', on: false }, { type: 'play', frame: 0 }];
    for (let at = 0; at < bedAudio[0].length; at += 4096) {
      const piece = (sound) => sound.map((c) => c.slice(at, at + 4096));
      messages.push({ type: 'piece', at, bed: piece(bedAudio), key: piece(keyAudio) });
    }
    for (const message of messages) node.port.postMessage(message);
    await new Promise((taken) => {
      node.port.onmessage = (event) => event.data.type === 'pong' && taken();
      node.port.postMessage({ type: 'ping' });
    });
    const output = await context.startRendering();
    return [0, 1].map((c) => Array.from(output.getChannelData(c)));
  }, planar(paths.bed), planar(paths.voice), kRateHz, controls);
  assert.equal(rendered[0].length, expected[0].length);
  let largest = 0;
  for (let c = 0; c < 2; ++c) {
    for (let i = 0; i < expected[c].length; ++i) largest = Math.max(largest, Math.abs(rendered[c][i] - expected[c][i]));
  }
  console.log(`live path rendered offline against quellmar-duck: largest difference ${largest}`);
  assert.ok(largest <= 1e-6, `largest difference ${largest}`);
});

// Tags as ffprobe reads them (an Ogg stream's sit on the stream, an MP3's or a WAV's on the file),
// names in lower case, and the attached picture's bytes (null: none).
function probedTags(path) {
  const probed = JSON.parse(execFileSync('ffprobe', ['-v', 'error', '-show_entries',
    'format_tags:stream_tags:stream=codec_type:stream_disposition=attached_pic', '-of', 'json', path], { encoding: 'utf8' }));
  const tags = {};
  for (const source of [probed.format.tags, probed.streams[0].tags]) {
    for (const [name, value] of Object.entries(source ?? {})) tags[name.toLowerCase()] = value;
  }
  const pictured = probed.streams.some((s) => s.codec_type === 'video' && s.disposition.attached_pic === 1);
  const picture = pictured
    ? execFileSync('ffmpeg', ['-v', 'error', '-i', path, '-map', '0:v', '-c', 'copy', '-f', 'image2pipe', '-'])
    : null;
  return { title: tags.title, artist: tags.artist, picture };
}

test('the episode\'s tags: title and artist in every type, the cover in MP3 and Opus, byte for byte', async () => {
  const cover = join(work, 'cover.png');
  // Noise does not compress: the picture spans several Ogg pages.
  execFileSync('convert', ['-size', '200x160', 'xc:', '+noise', 'Random', cover]);
  const [title, artist] = ['Episode 12: Ünïcode & more', 'Quellmar Test'];
  await page.type('#tag-title', title);
  await page.type('#tag-artist', artist);
  await (await page.$('#cover-input')).uploadFile(cover);
  try {
    for (const [format, pictured] of [['pcm16', false], ['opus', true], ['mp3', true]]) {
      const found = probedTags(await exportEpisode(format));
      assert.deepEqual([found.title, found.artist], [title, artist], format);
      if (pictured) assert.ok(found.picture?.equals(readFileSync(cover)), `${format}: the cover as chosen`);
      else assert.equal(found.picture, null);
      if (!pictured) assert.match(await page.$eval('#result', (r) => r.textContent), /A WAV holds no cover picture/);
    }
  } finally {
    await page.$eval('#tag-title', (input) => { input.value = ''; });
    await page.$eval('#tag-artist', (input) => { input.value = ''; });
    await page.$eval('#cover-input', (input) => { input.value = ''; });
  }
});

test('offline, the page loads again from its service worker', async () => {
  await page.setOfflineMode(true);
  await page.reload();
  await page.waitForSelector('body[data-ready="true"]');
  assert.equal(await page.$$eval('#preset option', (options) => options.length), 4);
  await page.setOfflineMode(false);
});

// The largest difference between two WAVs' samples, after their lengths are held equal.
function largestDifference(actualPath, expectedPath) {
  const [actual, expected] = [readFloatWav(actualPath), readFloatWav(expectedPath)];
  assert.equal(actual[0].length, expected[0].length);
  let largest = 0;
  for (let c = 0; c < 2; ++c) {
    for (let i = 0; i < expected[c].length; ++i) largest = Math.max(largest, Math.abs(actual[c][i] - expected[c][i]));
  }
  return largest;
}

test('sounds read as they are needed (?stream, as past 15 minutes): bad files named, the same episodes, the preview played from pieces', async () => {
  const paths = wavPaths();
  const streamed = await browser.newPage();
  try {
    await streamed.goto(`${server.url}index.html?stream`);
    await streamed.waitForSelector('body[data-ready="true"]');
    const choose = (selector, files) => driver.chooseFiles(streamed, selector, files);
    const text = () => streamed.$eval('#messages', (box) => box.textContent);
    await choose('#bed-input', [paths.bed]);
    for (const [file, expected] of [[paths.bad, /not-sound\.mp3: this browser cannot decode it/],
      [join(work, 'empty.wav'), /empty\.wav: holds no samples/]]) {
      await choose('#voice-input', [file]);
      assert.match(await text(), expected);
    }
    // Two voices: quellmar-duck's episode from the same files.
    const second = join(work, 'voice-two.wav');
    await choose('#voice-input', [paths.voice, second]);
    assert.match(await text(), /read from their files as they are needed/);
    await streamed.select('#preset', 'strong');
    await streamed.click('#mix');
    const exported = await driver.exportEpisode(streamed, downloadEvents, downloads, 'float32');
    const expectedPath = join(work, 'mix-strong-streamed.wav');
    execFileSync(process.env.QM_DUCK, ['-q', '--preset', 'strong', '--key', paths.voice, '--key', second, '--mix',
      '--format', 'wav:float', paths.bed, '-o', expectedPath]);
    const largest = largestDifference(exported, expectedPath);
    console.log(`read as needed, two voices mixed: max |difference| against quellmar-duck ${largest.toExponential(3)}`);
    assert.ok(largest <= 1e-6, `max difference ${largest}`);
    // The live preview plays pieces read ahead of its playhead, from wherever it is put.
    await streamed.select('#preset', 'podcast');
    for (const position of ['0', '0.5']) {
      await streamed.$eval('#position', (slider, value) => {
        slider.value = value;
        slider.dispatchEvent(new Event('input'));
      }, position);
      const start = await streamed.$eval('#time', (t) => t.textContent);
      if (position === '0') await streamed.click('#play');
      await streamed.waitForFunction((was) => document.getElementById('time').textContent !== was, { timeout: 20000 }, start);
      await streamed.waitForFunction(() => Number(document.getElementById('reduction').value) > 3.5, { timeout: 20000 });
    }
    await streamed.click('#play');
    // The six-channel voice at 44.1 kHz, resampled as it is read, and the finished episode as Opus.
    await choose('#voice-input', [join(work, 'voice-5.1-44k1.wav')]);
    for (const said of [/resampled to the bed's 48000 Hz/, /mixed down to stereo/]) assert.match(await text(), said);
    await streamed.select('#preset', 'podcast');
    const opus = await driver.exportEpisode(streamed, downloadEvents, downloads, 'opus');
    const { integrated, peak } = ebur128(opus);
    console.log(`read as needed, podcast as Opus: ${integrated} LUFS, true peak ${peak} dBTP`);
    assert.ok(Math.abs(integrated + 16) <= 0.3, `integrated ${integrated} LUFS`);
    assert.ok(peak <= -1.0, `true peak ${peak} dBTP`);
    assert.ok(Math.abs(ffprobe(opus).seconds - (kSeconds + 2)) <= 0.03);
  } finally {
    await streamed.close();
  }
});

// Frames of `path` as FFmpeg decodes it, strictly (an error in any frame fails), interleaved.
function decodedStrictly(path) {
  const decoded = spawnSync('ffmpeg', ['-v', 'error', '-err_detect', 'explode', '-i', path, '-f', 'f32le', '-ac', '2', '-'],
    { maxBuffer: 1 << 30 });
  assert.equal(decoded.status, 0, decoded.stderr.toString());
  assert.equal(decoded.stderr.toString(), '');
  return new Float32Array(decoded.stdout.buffer, decoded.stdout.byteOffset, decoded.stdout.length / 4);
}

// The root-mean-square difference between `decoded` (interleaved) and `episode` over frames
// [from, until).
function errorRms(decoded, episode, from, until) {
  let sum = 0;
  for (let i = from; i < until; ++i) {
    for (let c = 0; c < 2; ++c) sum += (decoded[2 * i + c] - episode[c][i]) ** 2;
  }
  return Math.sqrt(sum / (2 * (until - from)));
}

// A minute or more is encoded in two halves by two workers side by side, and the halves joined
// where both encoders chose the same windows: the file decodes without an error, as long as the
// episode (its Info frame cuts the encoder's delay and padding), and around the join is as close
// to the episode as one encoder's file is (a join a frame off, or frames of the first encoder's
// flush, miss by the signal itself). Halves that cannot be joined are encoded again whole.
test('a long MP3 is encoded in two halves on two workers and joined into one stream, or else again whole', async () => {
  const kLongSeconds = 70;
  const [voicePath, bedPath] = [join(work, 'voice-long.wav'), join(work, 'bed-long.wav')];
  writeFloatWav(voicePath, voice(kLongSeconds));
  writeFloatWav(bedPath, music(kLongSeconds));
  const long = await browser.newPage();
  try {
    await long.goto(`${server.url}index.html`);
    await long.waitForSelector('body[data-ready="true"]');
    await driver.chooseFiles(long, '#voice-input', [voicePath]);
    await driver.chooseFiles(long, '#bed-input', [bedPath]);
    await long.select('#preset', 'podcast');
    await long.evaluate(() => {
      const Made = Worker;
      window.workersMade = 0;
      window.Worker = class extends Made {
        constructor(...args) {
          super(...args);
          ++window.workersMade;
        }
      };
    });
    const exported = (format) => driver.exportEpisode(long, downloadEvents, downloads, format);
    const episode = readFloatWav(await exported('float32'));
    const halves = decodedStrictly(await exported('mp3'));
    assert.equal(await long.evaluate(() => window.workersMade), 2);
    // Halves that cannot be joined: the page encodes the episode again, whole, in a third worker.
    await long.evaluate(async () => {
      const { QuellmarModule } = await import(new URL('engine.js', location.href).href);
      QuellmarModule.prototype.joinMp3 = () => -1;
    });
    const unjoined = readFileSync(await exported('mp3'));
    assert.equal(await long.evaluate(() => window.workersMade), 5);
    // One core: the page encodes the episode whole, in one worker, the same file.
    await long.evaluate(() => Object.defineProperty(navigator, 'hardwareConcurrency', { value: 1 }));
    const wholePath = await exported('mp3');
    assert.equal(await long.evaluate(() => window.workersMade), 6);
    assert.ok(readFileSync(wholePath).equals(unjoined), 'the file written again whole is the one-core file');
    const whole = decodedStrictly(wholePath);
    const frames = episode[0].length;
    assert.deepEqual([halves.length, whole.length], [2 * frames, 2 * frames]);
    const signal = errorRms(new Float32Array(whole.length), episode, 0, frames);
    const split = Math.floor(frames / 2 / 1152) * 1152;
    const [atJoin, atJoinWhole] = [halves, whole].map((decoded) => errorRms(decoded, episode, split - kRateHz, split + kRateHz));
    const [all, allWhole] = [halves, whole].map((decoded) => errorRms(decoded, episode, 0, frames));
    console.log(`MP3 in halves: rms error ${atJoin.toExponential(2)} around the join (whole: ${atJoinWhole.toExponential(2)}), ` +
      `${all.toExponential(2)} in all (whole: ${allWhole.toExponential(2)}; signal ${signal.toExponential(2)})`);
    assert.ok(allWhole < 0.1 * signal, 'one encoder\'s file lines up with the episode');
    assert.ok(atJoin < 1.5 * atJoinWhole);
    assert.ok(all < 1.2 * allWhole);
  } finally {
    await long.close();
  }
});
