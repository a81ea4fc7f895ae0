// MPEG-1 Layer III frames as LAME writes them at 32 kHz and above: where each lies in a stream,
// and the empty frame that leads the file with LAME's "Info" tag. That tag carries the frames'
// count and bytes, a seek table, and the encoder's delay and padding, from which players and
// FFmpeg cut the samples the encoder added: the file then plays exactly as long as the episode,
// without a gap before the next.

import { bigEndian32, joined } from './tags.js';

const kBitrateIndexKbps = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320];
const kRateIndexHz = [44100, 48000, 32000];
export const kMp3FrameSamples = 1152;
// LAME's delay before the first sample of its input (a decoder adds 529 of its own).
const kLameDelaySamples = 576;

function frameBytes(header: Uint8Array, at: number): number {
  const kbps = kBitrateIndexKbps[header[at + 2] >> 4] ?? 0;
  const rateHz = kRateIndexHz[(header[at + 2] >> 2) & 3];
  if (!kbps || !rateHz) return 0;
  return Math.floor((144000 * kbps) / rateHz) + ((header[at + 2] >> 1) & 1);
}

// Where each frame of `stream` starts, and its end; null where something else lies between them.
export function frameStarts(stream: Uint8Array): number[] | null {
  const starts: number[] = [];
  let at = 0;
  while (at + 4 <= stream.length) {
    const bytes = stream[at] === 0xff && (stream[at + 1] & 0xfe) === 0xfa ? frameBytes(stream, at) : 0;
    if (!bytes) return null;
    starts.push(at);
    at += bytes;
  }
  if (at !== stream.length) return null;
  starts.push(at);
  return starts;
}

// CRC-16 with the polynomial 0x8005, bits in reverse, as LAME guards its tag with.
function crc16(bytes: Uint8Array): number {
  let crc = 0;
  for (const byte of bytes) {
    crc ^= byte;
    for (let bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >>> 1) ^ 0xa001 : crc >>> 1;
  }
  return crc;
}

// The frame that leads `streams` (whole frames, laid end to end), which encode `samples` samples
// of each channel. Null where they hold no frame, or something else.
export function infoFrame(streams: Uint8Array[], samples: number): Uint8Array | null {
  const first = streams.find((stream) => stream.length >= 4);
  // -1 for a stream that is not whole frames: no Info frame can count it.
  const counts = streams.map((stream) => (frameStarts(stream)?.length ?? 0) - 1);
  if (!first || counts.some((count) => count < 0)) return null;
  const frames = counts.reduce((sum, count) => sum + count, 0);
  // The stream's own header, without the padding byte.
  const header = first.slice(0, 4);
  header[2] &= ~0x02;
  const frame = new Uint8Array(frameBytes(header, 0));
  frame.set(header);
  const sideInfoBytes = header[3] >> 6 === 3 ? 17 : 32;
  const streamBytes = streams.reduce((sum, stream) => sum + stream.length, 0) + frame.length;
  const padding = Math.max(0, frames * kMp3FrameSamples - kLameDelaySamples - samples);
  const seekTable = Uint8Array.from({ length: 100 }, (_, i) => Math.floor((i * 256) / 100));
  const lame = new Uint8Array(36);
  lame.set(new TextEncoder().encode('LAME3.100'));
  lame[9] = 0x01; // tag revision 0, constant bit rate
  lame[20] = Math.min(255, kBitrateIndexKbps[header[2] >> 4]);
  const tagPadding = Math.min(padding, 4095); // 12 bits
  lame.set([kLameDelaySamples >> 4, ((kLameDelaySamples & 0xf) << 4) | (tagPadding >> 8), tagPadding & 0xff], 21);
  lame.set(bigEndian32(streamBytes), 28);
  const tag = joined([new TextEncoder().encode('Info'), bigEndian32(0x0f), bigEndian32(frames), bigEndian32(streamBytes),
    seekTable, bigEndian32(0), lame]);
  const tagAt = 4 + sideInfoBytes;
  frame.set(tag.subarray(0, tag.length - 2), tagAt);
  const crc = crc16(frame.subarray(0, tagAt + tag.length - 2));
  frame.set([crc >> 8, crc & 0xff], tagAt + tag.length - 2);
  return frame;
}
