// Test sounds for the web tier, made here and the same on every run: speech-like bursts (a
// harmonic voice with syllables and pauses, silent for its first half second so that no
// look-ahead reads it before the start) over a music bed (a chord with a little noise), planar
// stereo at 48 kHz; and the 32-bit float WAV files quellmar-duck reads and writes.
import { readFileSync, writeFileSync } from 'node:fs';

export const kRateHz = 48000;

// A small deterministic generator: the same sounds on every machine.
function random(seed) {
  let state = seed >>> 0;
  return () => {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    return state / 4294967296;
  };
}

export function voice(seconds) {
  const frames = Math.round(seconds * kRateHz);
  const left = new Float32Array(frames);
  const right = new Float32Array(frames);
  const next = random(7);
  let at = Math.round(0.5 * kRateHz);
  while (at < frames) {
    const length = Math.round((0.12 + 0.45 * next()) * kRateHz);
    const pitchHz = 110 + 120 * next();
    const level = 0.15 + 0.35 * next();
    for (let i = 0; i < length && at + i < frames; ++i) {
      const t = i / kRateHz;
      const envelope = Math.sin((Math.PI * i) / length) ** 2;
      let sample = 0;
      for (let h = 1; h <= 6; ++h) sample += Math.sin(2 * Math.PI * pitchHz * h * t * (1 + 0.01 * Math.sin(9 * t))) / h;
      left[at + i] = level * envelope * sample * 0.5;
      right[at + i] = level * envelope * sample * 0.45;
    }
    at += length + Math.round((0.05 + 0.7 * next()) * kRateHz);
  }
  return [left, right];
}

export function music(seconds) {
  const frames = Math.round(seconds * kRateHz);
  const left = new Float32Array(frames);
  const right = new Float32Array(frames);
  const next = random(11);
  const chordHz = [110, 138.6, 164.8, 220, 277.2];
  for (let i = 0; i < frames; ++i) {
    const t = i / kRateHz;
    let sample = 0;
    for (const hz of chordHz) sample += Math.sin(2 * Math.PI * hz * t);
    const noise = next() - 0.5;
    left[i] = 0.05 * sample + 0.02 * noise;
    right[i] = 0.05 * sample * Math.cos(0.3 * t) + 0.02 * noise;
  }
  return [left, right];
}

export function writeFloatWav(path, [left, right]) {
  const frames = left.length;
  const bytes = Buffer.alloc(44 + frames * 8);
  bytes.write('RIFF', 0);
  bytes.writeUInt32LE(36 + frames * 8, 4);
  bytes.write('WAVEfmt ', 8);
  bytes.writeUInt32LE(16, 16);
  bytes.writeUInt16LE(3, 20); // IEEE float
  bytes.writeUInt16LE(2, 22);
  bytes.writeUInt32LE(kRateHz, 24);
  bytes.writeUInt32LE(kRateHz * 8, 28);
  bytes.writeUInt16LE(8, 32);
  bytes.writeUInt16LE(32, 34);
  bytes.write('data', 36);
  bytes.writeUInt32LE(frames * 8, 40);
  for (let i = 0; i < frames; ++i) {
    bytes.writeFloatLE(left[i], 44 + i * 8);
    bytes.writeFloatLE(right[i], 48 + i * 8);
  }
  writeFileSync(path, bytes);
}

// The two channels of a stereo 32-bit float WAV file (plain or extensible format).
export function readFloatWav(path) {
  const bytes = readFileSync(path);
  if (bytes.toString('latin1', 0, 4) !== 'RIFF' || bytes.toString('latin1', 8, 12) !== 'WAVE') {
    throw new Error(`${path}: not a WAV file`);
  }
  let format = null;
  for (let at = 12; at + 8 <= bytes.length; ) {
    const id = bytes.toString('latin1', at, at + 4);
    const size = bytes.readUInt32LE(at + 4);
    if (id === 'fmt ') {
      format = { code: bytes.readUInt16LE(at + 8), channels: bytes.readUInt16LE(at + 10), bits: bytes.readUInt16LE(at + 22) };
    } else if (id === 'data') {
      if (!format || format.channels !== 2 || format.bits !== 32 || (format.code !== 3 && format.code !== 0xfffe)) {
        throw new Error(`${path}: not stereo 32-bit float (${JSON.stringify(format)})`);
      }
      const frames = Math.floor(size / 8);
      const left = new Float32Array(frames);
      const right = new Float32Array(frames);
      for (let i = 0; i < frames; ++i) {
        left[i] = bytes.readFloatLE(at + 8 + i * 8);
        right[i] = bytes.readFloatLE(at + 12 + i * 8);
      }
      return [left, right];
    }
    at += 8 + size + (size & 1);
  }
  throw new Error(`${path}: no data chunk`);
}

// Planar raw floats (left, then right), as quellmar_web_native reads them.
export function writePlanar(path, [left, right]) {
  const all = new Float32Array(left.length * 2);
  all.set(left, 0);
  all.set(right, left.length);
  writeFileSync(path, Buffer.from(all.buffer));
}

export function readPlanar(path) {
  const bytes = readFileSync(path);
  const all = new Float32Array(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length));
  const frames = all.length / 2;
  return [all.subarray(0, frames), all.subarray(frames)];
}
