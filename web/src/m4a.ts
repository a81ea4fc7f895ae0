// M4A export: the browser's own AAC encoder, where it has one, and an MP4 file written here (ISO
// base media file format, the sample table before the audio so players start at once), with an
// edit list that cuts the encoder's priming and its tail, and iTunes-style tags with the cover.

import { type Encoded, encodeEpisode } from './browser-encoder.js';
import type { EpisodeWriter } from './episode.js';
import { bigEndian32 as u32, type EpisodeTags, joined } from './tags.js';

export const kAacCodec = 'mp4a.40.2';
const kAacFrameSamples = 1024;
const kAacRateHz = 48000;
// Silence fed after the episode so that every sample of it comes out of the encoder.
const kTailSeconds = 0.1;
// Where an encoder does not say how much it primes, the file keeps this much past the episode's
// end rather than cutting into it (the largest AAC encoders' delay).
const kUnstatedPrimingFrames = 2112;
// MPEG-4's sampling frequency indices.
const kRateIndices = [96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 7350];

function u8(...values: number[]): Uint8Array {
  return new Uint8Array(values);
}

function u16(value: number): Uint8Array {
  return u8((value >>> 8) & 0xff, value & 0xff);
}

// A table of 32-bit values in one array: an hour holds some 170 000 packets, too many to pass
// as arguments.
function bigEndian32s(values: number[]): Uint8Array {
  const table = new Uint8Array(4 * values.length);
  const view = new DataView(table.buffer);
  values.forEach((value, i) => view.setUint32(4 * i, value));
  return table;
}

function zeros(count: number): Uint8Array {
  return new Uint8Array(count);
}

// Box types are four bytes of Latin-1 ('©nam' starts with 0xa9), not UTF-8.
function latin1(text: string): Uint8Array {
  return Uint8Array.from(text, (character) => character.charCodeAt(0));
}

function box(type: string, ...parts: Uint8Array[]): Uint8Array {
  const body = joined(parts);
  return joined([u32(8 + body.length), latin1(type), body]);
}

function fullBox(type: string, version: number, flags: number, ...parts: Uint8Array[]): Uint8Array {
  return box(type, u32(((version << 24) | flags) >>> 0), ...parts);
}

const kIdentityMatrix = [0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x40000000].map(u32);

// An MPEG-4 descriptor: its tag and its length in the four-byte form.
function descriptor(tag: number, ...parts: Uint8Array[]): Uint8Array {
  const body = joined(parts);
  const length = body.length;
  return joined([u8(tag, 0x80 | ((length >>> 21) & 0x7f), 0x80 | ((length >>> 14) & 0x7f), 0x80 | ((length >>> 7) & 0x7f),
    length & 0x7f), body]);
}

// AAC-LC's AudioSpecificConfig, for an encoder that gives none.
export function audioSpecificConfig(rateHz: number, channels: number): Uint8Array {
  const index = kRateIndices.indexOf(rateHz);
  const kLowComplexity = 2;
  if (index >= 0) return u8((kLowComplexity << 3) | (index >> 1), ((index & 1) << 7) | (channels << 3));
  // An explicit 24-bit rate after the escape index 15.
  const bits = (BigInt(kLowComplexity) << 35n) | (15n << 31n) | (BigInt(rateHz) << 7n) | (BigInt(channels) << 3n);
  return Uint8Array.from({ length: 5 }, (_, i) => Number((bits >> BigInt(32 - 8 * i)) & 0xffn));
}

function esds(config: Uint8Array, sizes: number[], rateHz: number): Uint8Array {
  const seconds = (sizes.length * kAacFrameSamples) / rateHz;
  const averageBps = seconds > 0 ? Math.round((8 * sizes.reduce((sum, size) => sum + size, 0)) / seconds) : 0;
  const largestBytes = sizes.reduce((largest, size) => Math.max(largest, size), 0);
  const kAudioIso14496 = 0x40;
  const kAudioStream = (0x05 << 2) | 1;
  return fullBox('esds', 0, 0, descriptor(0x03, u16(0), u8(0),
    descriptor(0x04, u8(kAudioIso14496, kAudioStream, (largestBytes >>> 16) & 0xff), u16(largestBytes & 0xffff),
      u32(Math.round((8 * largestBytes * rateHz) / kAacFrameSamples)), u32(averageBps), descriptor(0x05, config)),
    descriptor(0x06, u8(0x02))));
}

function sampleTable(config: Uint8Array, sizes: number[], rateHz: number, audioOffset: number): Uint8Array {
  const kChannels = 2;
  const sampleEntry = box('mp4a', zeros(6), u16(1), zeros(8), u16(kChannels), u16(16), zeros(4),
    // The rate in 16.16 fixed point, where it fits.
    u32(rateHz <= 0xffff ? rateHz * 0x10000 : 0),
    esds(config, sizes, rateHz));
  return box('stbl',
    fullBox('stsd', 0, 0, u32(1), sampleEntry),
    fullBox('stts', 0, 0, u32(1), u32(sizes.length), u32(kAacFrameSamples)),
    // Every packet in one chunk, right after the mdat box's header.
    fullBox('stsc', 0, 0, u32(1), u32(1), u32(sizes.length), u32(1)),
    fullBox('stsz', 0, 0, u32(0), u32(sizes.length), bigEndian32s(sizes)),
    fullBox('stco', 0, 0, u32(1), u32(audioOffset)));
}

function tagItem(type: string, dataType: number, value: Uint8Array): Uint8Array {
  return box(type, fullBox('data', 0, dataType, u32(0), value));
}

// The iTunes metadata list: title, artist and cover picture where given.
function metadata(tags: EpisodeTags): Uint8Array {
  const kUtf8Text = 1;
  const kPictureTypes: Record<string, number> = { 'image/jpeg': 13, 'image/png': 14, 'image/bmp': 27, 'image/gif': 12 };
  const utf8 = new TextEncoder();
  const items: Uint8Array[] = [];
  if (tags.title !== '') items.push(tagItem('\u00a9nam', kUtf8Text, utf8.encode(tags.title)));
  if (tags.artist !== '') items.push(tagItem('\u00a9ART', kUtf8Text, utf8.encode(tags.artist)));
  items.push(tagItem('\u00a9too', kUtf8Text, utf8.encode('QuellmarV3')));
  const pictureType = tags.cover ? kPictureTypes[tags.cover.mimeType] : undefined;
  if (tags.cover && pictureType !== undefined) items.push(tagItem('covr', pictureType, tags.cover.bytes));
  return box('udta', fullBox('meta', 0, 0,
    fullBox('hdlr', 0, 0, u32(0), latin1('mdir'), latin1('appl'), zeros(8), u8(0)),
    box('ilst', ...items)));
}

function movie(config: Uint8Array, sizes: number[], rateHz: number, primingFrames: number, lengthFrames: number,
  tags: EpisodeTags, audioOffset: number): Uint8Array {
  const mediaFrames = sizes.length * kAacFrameSamples;
  const kTrack = 1;
  return box('moov',
    fullBox('mvhd', 0, 0, u32(0), u32(0), u32(rateHz), u32(lengthFrames), u32(0x10000), u16(0x100), zeros(10),
      ...kIdentityMatrix, zeros(24), u32(kTrack + 1)),
    box('trak',
      fullBox('tkhd', 0, 3, u32(0), u32(0), u32(kTrack), u32(0), u32(lengthFrames), zeros(8), u16(0), u16(1),
        u16(0x100), u16(0), ...kIdentityMatrix, u32(0), u32(0)),
      // What plays: `lengthFrames` from after the priming.
      box('edts', fullBox('elst', 0, 0, u32(1), u32(lengthFrames), u32(primingFrames), u16(1), u16(0))),
      box('mdia',
        // The language 'und', five bits a letter.
        fullBox('mdhd', 0, 0, u32(0), u32(0), u32(rateHz), u32(mediaFrames), u16(0x55c4), u16(0)),
        fullBox('hdlr', 0, 0, u32(0), latin1('soun'), zeros(12), latin1('SoundHandler'), u8(0)),
        box('minf',
          fullBox('smhd', 0, 0, u16(0), u16(0)),
          box('dinf', fullBox('dref', 0, 0, u32(1), fullBox('url ', 0, 1))),
          sampleTable(config, sizes, rateHz, audioOffset)))),
    metadata(tags));
}

// An M4A file of AAC-LC packets at `rateHz` in stereo that plays `lengthFrames` of them. The
// priming comes from the first packet's time, where the encoder puts it before zero.
export function m4aFile(encoded: Encoded, rateHz: number, lengthFrames: number, tags: EpisodeTags): Blob {
  const config = encoded.description ?? audioSpecificConfig(rateHz, 2);
  const sizes = encoded.packets.map((packet) => packet.length);
  const mediaFrames = sizes.length * kAacFrameSamples;
  const stated = encoded.firstTimestampUs < 0;
  const primingFrames = stated ? Math.round((-encoded.firstTimestampUs * rateHz) / 1e6) : 0;
  const playedFrames = Math.min(lengthFrames + (stated ? 0 : kUnstatedPrimingFrames), mediaFrames - primingFrames);
  const fileType = box('ftyp', latin1('M4A '), u32(0), latin1('M4A '), latin1('mp42'), latin1('isom'));
  const mediaBytes = sizes.reduce((sum, size) => sum + size, 0);
  // The sample table's size does not depend on the offset it holds: made once to learn it.
  const moovBytes = movie(config, sizes, rateHz, primingFrames, playedFrames, tags, 0).length;
  const audioOffset = fileType.length + moovBytes + 8;
  return new Blob([fileType, movie(config, sizes, rateHz, primingFrames, playedFrames, tags, audioOffset),
    u32(8 + mediaBytes), latin1('mdat'), ...encoded.packets], { type: 'audio/mp4' });
}

// A writer of the episode as an M4A file with `tags`.
export function m4aWriter(episodeRateHz: number, tags: EpisodeTags): EpisodeWriter {
  return async (blocks, frames) => {
    const encoded = await encodeEpisode(kAacCodec, 'AAC', blocks, frames, episodeRateHz, kAacRateHz, kTailSeconds);
    return m4aFile(encoded.encoded, encoded.rateHz, encoded.frames, tags);
  };
}
