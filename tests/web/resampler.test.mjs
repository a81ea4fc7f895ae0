// The page's streaming resampler: as many frames as the new rate makes of the input, tones at the
// new rate as the analytic tones, a tone above the new Nyquist gone, and the same bits however the
// input is cut into pieces. Environment: QM_WEB_DIST.
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

const { StreamResampler } = await import(pathToFileURL(join(process.env.QM_WEB_DIST, 'resampler.js')).href);

// stopHz: a tone above the new Nyquist and under the old one. 44100 -> 47999 has too many phases
// to table each one, so its kernel is interpolated between tabled phases.
const kPairs = [
  { fromRateHz: 44100, toRateHz: 48000 },
  { fromRateHz: 48000, toRateHz: 44100, stopHz: 23000 },
  { fromRateHz: 22050, toRateHz: 48000 },
  { fromRateHz: 96000, toRateHz: 48000, stopHz: 26000 },
  { fromRateHz: 48000, toRateHz: 48000 },
  { fromRateHz: 44100, toRateHz: 47999 },
];

// A small deterministic generator: the same pieces on every run.
function random(seed) {
  let state = seed >>> 0;
  return () => (state = (Math.imul(state, 1664525) + 1013904223) >>> 0) / 4294967296;
}

// A tone on the left, and its quadrature at another level on the right.
function quadrature(frequencyHz, rateHz, frames) {
  const arc = (i, c) => (2 * Math.PI * frequencyHz * i) / rateHz + 0.3 + (c * Math.PI) / 2;
  return [0.9, 0.5].map((level, c) => Float32Array.from({ length: frames }, (_, i) => level * Math.sin(arc(i, c))));
}

// `sound` resampled in pieces of the lengths `pieceFrames` gives, each followed by an empty one.
function resampled({ fromRateHz, toRateHz }, sound, pieceFrames = () => sound[0].length) {
  const resampler = new StreamResampler(fromRateHz, toRateHz);
  const pieces = [];
  for (let at = 0, end = 0; at < sound[0].length; at = end) {
    end = Math.min(sound[0].length, at + pieceFrames());
    pieces.push(resampler.push(sound.map((channel) => channel.subarray(at, end))));
    pieces.push(resampler.push(sound.map((channel) => channel.subarray(end, end))));
  }
  pieces.push(resampler.flush());
  return [0, 1].map((c) => Float32Array.from(pieces.flatMap((piece) => [...piece[c]])));
}

// Per channel, the largest difference from `expected` in dB of full scale, away from both ends.
function errorsDb(sound, expected, edgeFrames) {
  return sound.map((channel, c) => {
    let error = 0;
    for (let i = edgeFrames; i < channel.length - edgeFrames; ++i) error = Math.max(error, Math.abs(channel[i] - expected[c][i]));
    return 20 * Math.log10(error);
  });
}

for (const pair of kPairs) {
  const { fromRateHz, toRateHz, stopHz } = pair;
  test(`${fromRateHz} Hz to ${toRateHz} Hz`, () => {
    for (const frames of [0, 1, 2, 4801, fromRateHz + 37]) {
      const out = resampled(pair, [new Float32Array(frames), new Float32Array(frames)]);
      assert.deepEqual(out.map((channel) => channel.length), Array(2).fill(Math.ceil((frames * toRateHz) / fromRateHz)));
    }
    // A second of a tone at 1 kHz and of one near the top of the passband.
    const edgeFrames = Math.round(toRateHz / 100);
    let sound;
    for (const toneHz of [1000, 0.4 * Math.min(fromRateHz, toRateHz)]) {
      sound = quadrature(toneHz, fromRateHz, fromRateHz);
      const out = resampled(pair, sound);
      const offDb = errorsDb(out, quadrature(toneHz, toRateHz, out[0].length), edgeFrames);
      assert.ok(offDb.every((db) => db < -90), `${toneHz} Hz off by ${offDb.map((db) => db.toFixed(1))} dB`);
    }
    if (fromRateHz === toRateHz) {
      const copy = new StreamResampler(fromRateHz, toRateHz).push(sound);
      assert.deepEqual(copy, sound);
      assert.ok(copy[0] !== sound[0] && copy[1] !== sound[1], 'copies');
    }
    if (stopHz) {
      const out = resampled(pair, quadrature(stopHz, fromRateHz, fromRateHz));
      const stopDb = errorsDb(out, [new Float32Array(toRateHz), new Float32Array(toRateHz)], edgeFrames);
      assert.ok(stopDb.every((db) => db < -80), `${stopHz} Hz at ${stopDb.map((db) => db.toFixed(1))} dB`);
    }
    // Pieces of random lengths, many of them empty or a single frame: the same bits.
    const next = random(fromRateHz + toRateHz);
    const pieced = resampled(pair, sound, () => [0, 1, Math.floor(5000 * next())][Math.floor(3 * next())]);
    const bytes = (channels) => channels.map((channel) => new Uint8Array(channel.buffer));
    assert.deepEqual(bytes(pieced), bytes(resampled(pair, sound)), 'the same bits in pieces');
  });
}
