// What of the page needs no browser: the rate read from headers, the fold of many channels to
// stereo, the sum of the voices, the module's 16-bit rounding and the gain curve's columns.
// Environment: QM_WEB_DIST.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

const dist = process.env.QM_WEB_DIST;
const { headerRateHz, foldToStereo, sumKeys, padded } = await import(pathToFileURL(join(dist, 'audio-files.js')).href);
const { QuellmarModule } = await import(pathToFileURL(join(dist, 'engine.js')).href);
const module = await QuellmarModule.load(readFileSync(join(dist, 'quellmar.wasm')));

function wavHeader(rateHz, withListChunk) {
  const list = withListChunk ? [...Buffer.from('LIST'), 4, 0, 0, 0, ...Buffer.from('INFO')] : [];
  const bytes = Buffer.alloc(12 + list.length + 24);
  bytes.write('RIFF', 0);
  bytes.write('WAVE', 8);
  Buffer.from(list).copy(bytes, 12);
  const at = 12 + list.length;
  bytes.write('fmt ', at);
  bytes.writeUInt32LE(16, at + 4);
  bytes.writeUInt16LE(1, at + 8);
  bytes.writeUInt16LE(2, at + 10);
  bytes.writeUInt32LE(rateHz, at + 12);
  return bytes;
}

function flacHeader(rateHz) {
  const bytes = Buffer.alloc(42);
  bytes.write('fLaC', 0);
  bytes[18] = (rateHz >> 12) & 0xff;
  bytes[19] = (rateHz >> 4) & 0xff;
  bytes[20] = (rateHz & 0xf) << 4;
  return bytes;
}

// An MPEG audio frame header after an ID3 tag of `tagBytes` bytes: version bits, rate index.
function mp3Header(versionBits, rateIndex, tagBytes) {
  const tag = tagBytes > 0 ? Buffer.concat([Buffer.from('ID3'), Buffer.from([4, 0, 0, 0, 0, 0, tagBytes]), Buffer.alloc(tagBytes)]) : Buffer.alloc(0);
  return Buffer.concat([tag, Buffer.from([0xff, 0xe0 | (versionBits << 3) | 0x2, 0x90 | (rateIndex << 2), 0x44]), Buffer.alloc(16)]);
}

const arrayBuffer = (bytes) => bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length);

test('the rate is read from WAV, FLAC, MP3 and Ogg headers, and unknown otherwise', () => {
  const cases = [
    ['WAV at 44.1 kHz', wavHeader(44100, false), 44100],
    ['WAV with a chunk before its format', wavHeader(96000, true), 96000],
    ['FLAC at 48 kHz', flacHeader(48000), 48000],
    ['FLAC at 88.2 kHz', flacHeader(88200), 88200],
    ['MPEG-1 at 44.1 kHz', mp3Header(3, 0, 0), 44100],
    ['MPEG-1 at 32 kHz after an ID3 tag', mp3Header(3, 2, 20), 32000],
    ['MPEG-2 at 24 kHz', mp3Header(2, 1, 0), 24000],
    ['MPEG-2.5 at 8 kHz', mp3Header(0, 2, 0), 8000],
    ['Ogg', Buffer.from('OggS\0\0\0\0'), 48000],
    ['text', Buffer.from('This is text, not an MP3 file.\n'), null],
  ];
  for (const [name, bytes, rateHz] of cases) assert.equal(headerRateHz(arrayBuffer(bytes)), rateHz, name);
});

// A stand-in for the browser's AudioBuffer with one value per channel.
function buffer(values) {
  return { numberOfChannels: values.length, length: 1, getChannelData: (c) => new Float32Array([values[c]]) };
}

test('files of one, two and six channels become stereo as quellmar-duck folds them', () => {
  const half = Math.SQRT1_2;
  const cases = [
    ['mono', [0.5], [0.5, 0.5]],
    ['stereo', [0.25, -0.25], [0.25, -0.25]],
    ['5.1: centre and surrounds at -3 dB, the LFE dropped', [0.1, 0.2, 0.4, 0.9, 0.3, 0.6],
      [0.1 + half * 0.4 + half * 0.3, 0.2 + half * 0.4 + half * 0.6]],
  ];
  for (const [name, values, [left, right]] of cases) {
    const [l, r] = foldToStereo(buffer(values));
    assert.ok(Math.abs(l[0] - left) < 1e-6 && Math.abs(r[0] - right) < 1e-6, `${name}: ${l[0]}, ${r[0]}`);
  }
});

test('voices are summed in order over the episode\'s length; a voice that ended adds silence', () => {
  const a = [new Float32Array([1, 2, 3]), new Float32Array([-1, -2, -3])];
  const b = [new Float32Array([10]), new Float32Array([20])];
  const [left, right] = sumKeys([a, b], 4);
  assert.deepEqual(Array.from(left), [11, 2, 3, 0]);
  assert.deepEqual(Array.from(right), [19, -2, -3, 0]);
  const [longer] = padded(a, 5);
  assert.deepEqual(Array.from(longer), [1, 2, 3, 0, 0]);
  assert.equal(padded(a, 2), a);
});

test('16-bit rounding: the grid kept, halves to even, full scale limited, dither within a step, its sequence by position', () => {
  // Interleaved 16-bit samples of the same value in both channels.
  const rounded = (quantizer, samples) => {
    const channel = Float32Array.from(samples);
    const out = new Int16Array(2 * channel.length);
    quantizer.convert([channel, channel], out);
    return Array.from(out);
  };
  const plain = module.createQuantizer16(false, 3);
  const cases = [[0, 0], [1, 32767], [-1, -32768], [2, 32767], [0.5 / 32768, 0], [1.5 / 32768, 2], [-2.5 / 32768, -2]];
  assert.deepEqual(rounded(plain, cases.map(([sample]) => sample)), cases.flatMap(([, expected]) => [expected, expected]));
  const dithered = module.createQuantizer16(true, 256);
  assert.deepEqual(rounded(dithered, [0, 0]), [0, 0, 0, 0], 'silence stays silent');
  const values = rounded(dithered, new Array(1000).fill(100.3 / 32768));
  assert.ok(values.every((v) => v >= 99 && v <= 102), 'within a step of the value');
  assert.ok(new Set(values).size >= 2, 'the dither moves the rounding');
  const mean = values.reduce((sum, v) => sum + v, 0) / values.length;
  assert.ok(Math.abs(mean - 100.3) < 0.1, `the mean ${mean} keeps the value`);
  // The sequence runs on across blocks: one call over 1000 frames equals ten of 100.
  const [whole, pieces] = [module.createQuantizer16(true, 1000), module.createQuantizer16(true, 100)];
  const ramp = Array.from({ length: 1000 }, (_, i) => (i - 500.5) / 32768);
  assert.deepEqual(rounded(pieces, ramp), rounded(whole, ramp));
  // A first sample on the grid, or a hair off it, leaves the later samples the same dither.
  const [onGrid, offGrid] = [module.createQuantizer16(true, 1000), module.createQuantizer16(true, 1000)];
  const nudged = [1e-9, ...ramp.slice(1)];
  assert.deepEqual(rounded(offGrid, nudged).slice(2), rounded(onGrid, [0, ...ramp.slice(1)]).slice(2));
  for (const quantizer of [plain, dithered, whole, pieces, onGrid, offGrid]) quantizer.dispose();
});

test('the gain curve keeps the lowest gain of each column, whatever the pieces', async () => {
  const { GainColumns } = await import(pathToFileURL(join(dist, 'waveform.js')).href);
  const gains = Float32Array.from({ length: 10 }, (_, i) => 1 - i / 20);
  gains[2] = 0.25;
  for (const pieces of [[10], [3, 7], [1, 1, 1, 7]]) {
    const columns = new GainColumns(4, 10);
    let at = 0;
    for (const length of pieces) {
      columns.add(gains.subarray(at, at + length), at);
      at += length;
    }
    assert.deepEqual(Array.from(columns.lowest), [0.25, gains[4], gains[7], gains[9]].map(Math.fround), `pieces ${pieces}`);
  }
});
