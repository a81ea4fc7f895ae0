// Opus export: the browser's own encoder and an Ogg Opus file written here (RFC 7845).

import { encodeEpisode } from './browser-encoder.js';
import type { EpisodeWriter } from './episode.js';
import { type EpisodeTags, vorbisComments } from './tags.js';

const kOpusRateHz = 48000;
const kOpusMimeType = 'audio/ogg; codecs=opus';
// Silence fed after the episode, so that the encoder's delay gives out the episode's last samples;
// the packets past the end are dropped, the last page's granule ends it exactly.
const kTailSeconds = 0.1;
// libopus's delay at 48 kHz, when the encoder does not state its own.
const kDefaultPreSkip = 312;
// An Ogg page closes once it holds this much, as libogg's do.
const kPageBytes = 4096;
// Pages are gathered into a blob once they hold this much.
const kBlobBytes = 1 << 20;

// The samples (at 48 kHz) an Opus packet decodes to, from its table-of-contents byte.
function opusPacketSamples(packet: Uint8Array): number {
  const config = packet[0] >> 3;
  let frameSamples: number;
  if (config < 12) frameSamples = [480, 960, 1920, 2880][config & 3];
  else if (config < 16) frameSamples = config & 1 ? 960 : 480;
  else frameSamples = [120, 240, 480, 960][config & 3];
  const code = packet[0] & 3;
  const frames = code === 0 ? 1 : code < 3 ? 2 : packet[1] & 0x3f;
  return frameSamples * frames;
}

const kCrcTable = (() => {
  const table = new Uint32Array(256);
  for (let i = 0; i < 256; ++i) {
    let r = i << 24;
    for (let bit = 0; bit < 8; ++bit) r = r & 0x80000000 ? (r << 1) ^ 0x04c11db7 : r << 1;
    table[i] = r >>> 0;
  }
  return table;
})();

// The CRC of `bytes`, carried on from `crc`, that of the bytes before them.
function oggCrc(bytes: Uint8Array, crc = 0): number {
  for (let i = 0; i < bytes.length; ++i) crc = ((crc << 8) ^ kCrcTable[((crc >>> 24) ^ bytes[i]) & 0xff]) >>> 0;
  return crc;
}

const kContinuesPacket = 1;
const kBeginsStream = 2;
const kEndsStream = 4;

// One Ogg page of segments (at most 255 lacing values), as its header and then the parts of its
// body, not copied: `flags` says whether it continues a packet and begins or ends the stream; a
// page where no packet ends has the granule -1.
function oggPage(body: Uint8Array[], lacing: number[], granule: number, serial: number, sequence: number,
  flags: number): Uint8Array[] {
  const header = new Uint8Array(27 + lacing.length);
  const view = new DataView(header.buffer);
  header.set([0x4f, 0x67, 0x67, 0x53]);
  view.setUint8(5, flags);
  view.setBigInt64(6, BigInt(granule), true);
  view.setUint32(14, serial, true);
  view.setUint32(18, sequence, true);
  view.setUint8(26, lacing.length);
  header.set(lacing, 27);
  view.setUint32(22, body.reduce((crc, part) => oggCrc(part, crc), oggCrc(header)), true);
  return [header, ...body];
}

// How many lacing values a packet takes: lacingOf(packet).length, without making them.
function segmentCount(packet: Uint8Array): number {
  return Math.floor(packet.length / 255) + 1;
}

// The lacing values of a packet: 255 for each full segment, then the rest (0 after a full last one).
function lacingOf(packet: Uint8Array): number[] {
  const lacing: number[] = [];
  for (let left = packet.length; ; left -= 255) {
    lacing.push(Math.min(left, 255));
    if (left < 255) return lacing;
  }
}

// A page holding whole packets, ended at `granule`.
function packetsPage(packets: Uint8Array[], granule: number, serial: number, sequence: number, flags: number): Uint8Array[] {
  const lacing = packets.flatMap(lacingOf);
  if (lacing.length > 255) throw new Error('an Ogg page cannot hold these packets');
  return oggPage(packets, lacing, granule, serial, sequence, flags);
}

// One header packet over as many pages as it needs (a cover makes OpusTags large), the packet
// ending its last page.
function headerPages(packet: Uint8Array, serial: number, firstSequence: number): Uint8Array[][] {
  const lacing = lacingOf(packet);
  const pages: Uint8Array[][] = [];
  for (let segment = 0, at = 0; segment < lacing.length; segment += 255) {
    const part = lacing.slice(segment, segment + 255);
    const bytes = part.reduce((sum, value) => sum + value, 0);
    const ends = segment + 255 >= lacing.length;
    pages.push(oggPage([packet.subarray(at, at + bytes)], part, ends ? 0 : -1, serial, firstSequence + pages.length,
      segment > 0 ? kContinuesPacket : 0));
    at += bytes;
  }
  return pages;
}

function opusHead(preSkip: number, inputRateHz: number): Uint8Array {
  const head = new Uint8Array(19);
  const view = new DataView(head.buffer);
  head.set(new TextEncoder().encode('OpusHead'));
  view.setUint8(8, 1);
  view.setUint8(9, 2);
  view.setUint16(10, preSkip, true);
  view.setUint32(12, inputRateHz, true);
  // Output gain 0 and mapping family 0 (mono or stereo) stay zero.
  return head;
}

// OpusTags: the vendor, the comments' count, then each comment after its length.
function opusTags(comments: string[]): Uint8Array {
  const text = new TextEncoder();
  const vendor = text.encode('QuellmarV3 (WebCodecs Opus)');
  const encoded = comments.map((comment) => text.encode(comment));
  const tags = new Uint8Array(8 + 4 + vendor.length + 4 + encoded.reduce((sum, field) => sum + 4 + field.length, 0));
  const view = new DataView(tags.buffer);
  tags.set(text.encode('OpusTags'));
  view.setUint32(8, vendor.length, true);
  tags.set(vendor, 12);
  let at = 12 + vendor.length;
  view.setUint32(at, encoded.length, true);
  at += 4;
  for (const field of encoded) {
    view.setUint32(at, field.length, true);
    tags.set(field, at + 4);
    at += 4 + field.length;
  }
  return tags;
}

// The pre-skip the encoder states in its OpusHead, if it gives one.
function statedPreSkip(bytes: Uint8Array | null): number | null {
  if (!bytes) return null;
  if (bytes.length < 19 || new TextDecoder().decode(bytes.subarray(0, 8)) !== 'OpusHead') return null;
  return bytes[10] | (bytes[11] << 8);
}

// The audio pages of an Ogg Opus stream, made as the encoder hands its packets over and gathered
// into blobs a megabyte at a time, so that an hour's packets are never all held by the page: the
// stream is trimmed to `samples` (at 48 kHz) after the pre-skip by its last page's granule.
class OggOpusPages {
  readonly blobs: Blob[] = [];
  private parts: Uint8Array[] = [];
  private partsBytes = 0;
  private pending: Uint8Array[] = [];
  private pendingBytes = 0;
  private pendingLacing = 0;
  private granule = 0;
  private end = Infinity;
  private ended = false;

  constructor(private readonly serial: number, private sequence: number, private readonly samples: number) {}

  // Adds a packet; `preSkip` (known by the first packet) places the end.
  add(packet: Uint8Array, preSkip: number): void {
    if (this.ended) return;
    if (this.end === Infinity) this.end = preSkip + this.samples;
    const lacing = segmentCount(packet);
    // A full page, or one this packet would overflow, goes out first: not the last.
    if (this.pending.length > 0 && (this.pendingBytes >= kPageBytes || this.pendingLacing + lacing > 255)) this.page(0);
    this.granule += opusPacketSamples(packet);
    this.pending.push(packet);
    this.pendingBytes += packet.length;
    this.pendingLacing += lacing;
    if (this.granule >= this.end) this.finish();
  }

  // Ends the stream with the page still open; the packets after it are dropped.
  finish(): void {
    if (this.ended) return;
    if (this.pending.length > 0) this.page(kEndsStream);
    this.ended = true;
    this.gather();
  }

  private page(flags: number): void {
    const page = packetsPage(this.pending, Math.min(this.granule, this.end), this.serial, this.sequence++, flags);
    this.parts.push(...page);
    this.partsBytes += page.reduce((sum, part) => sum + part.length, 0);
    this.pending = [];
    this.pendingBytes = 0;
    this.pendingLacing = 0;
    if (this.partsBytes >= kBlobBytes) this.gather();
  }

  private gather(): void {
    if (this.parts.length > 0) this.blobs.push(new Blob(this.parts));
    this.parts = [];
    this.partsBytes = 0;
  }
}

// A writer of the episode as an Ogg Opus file with `tags`.
export function opusWriter(episodeRateHz: number, tags: EpisodeTags): EpisodeWriter {
  return async (blocks, frames) => {
    const serial = crypto.getRandomValues(new Uint32Array(1))[0];
    // OpusHead's page, then OpusTags' (a cover makes it several): the audio's come after them.
    const tagPages = headerPages(opusTags(vorbisComments(tags)), serial, 1);
    const samples = Math.round((frames * kOpusRateHz) / episodeRateHz);
    const audio = new OggOpusPages(serial, 1 + tagPages.length, samples);
    const { encoded } = await encodeEpisode('opus', 'Opus', blocks, frames, episodeRateHz, kOpusRateHz, kTailSeconds,
      (packet, description) => audio.add(packet, statedPreSkip(description) ?? kDefaultPreSkip));
    audio.finish();
    const preSkip = statedPreSkip(encoded.description) ?? kDefaultPreSkip;
    const head = packetsPage([opusHead(preSkip, episodeRateHz)], 0, serial, 0, kBeginsStream);
    return new Blob([...head, ...tagPages.flat(), ...audio.blobs], { type: kOpusMimeType });
  };
}
