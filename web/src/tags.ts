// The episode's tags as each container holds them: title and artist, and a cover picture where the
// container takes one (MP3's ID3v2 APIC frame, Opus's METADATA_BLOCK_PICTURE comment, as
// quellmar-duck writes them; WAV's LIST INFO chunk holds the text only).

export interface Cover {
  mimeType: string;
  bytes: Uint8Array;
  widthPx: number;
  heightPx: number;
}

export interface EpisodeTags {
  title: string;
  artist: string;
  cover: Cover | null;
}

// The picture types both containers know, as quellmar-duck takes them.
export const kCoverTypes = ['image/jpeg', 'image/png', 'image/gif', 'image/bmp'];
// What an ID3v2 frame's and an Ogg comment's length fields hold comfortably.
export const kMostCoverBytes = 16 * 1024 * 1024 - 64;
const kFrontCover = 3;

const utf8 = new TextEncoder();

export function hasTags(tags: EpisodeTags): boolean {
  return tags.title !== '' || tags.artist !== '' || tags.cover !== null;
}

export function joined(parts: Uint8Array[]): Uint8Array {
  const all = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
  let at = 0;
  for (const part of parts) {
    all.set(part, at);
    at += part.length;
  }
  return all;
}

export function bigEndian32(value: number): Uint8Array {
  return new Uint8Array([value >>> 24, (value >>> 16) & 0xff, (value >>> 8) & 0xff, value & 0xff]);
}

// ID3v2.4 sizes: 7 bits a byte.
function syncsafe(value: number): Uint8Array {
  return new Uint8Array([(value >>> 21) & 0x7f, (value >>> 14) & 0x7f, (value >>> 7) & 0x7f, value & 0x7f]);
}

function id3Frame(id: string, body: Uint8Array): Uint8Array {
  return joined([utf8.encode(id), syncsafe(body.length), new Uint8Array(2), body]);
}

// An ID3v2.4 tag to put before the MP3's frames; empty without tags.
export function id3v2(tags: EpisodeTags): Uint8Array {
  if (!hasTags(tags)) return new Uint8Array(0);
  const kUtf8 = 3;
  const frames: Uint8Array[] = [];
  for (const [id, text] of [['TIT2', tags.title], ['TPE1', tags.artist]]) {
    if (text !== '') frames.push(id3Frame(id, joined([new Uint8Array([kUtf8]), utf8.encode(text)])));
  }
  if (tags.cover) {
    // Encoding, MIME type, picture type, an empty description, the picture.
    frames.push(id3Frame('APIC', joined([new Uint8Array([kUtf8]), utf8.encode(tags.cover.mimeType),
      new Uint8Array([0, kFrontCover, 0]), tags.cover.bytes])));
  }
  const body = joined(frames);
  return joined([utf8.encode('ID3'), new Uint8Array([4, 0, 0]), syncsafe(body.length), body]);
}

// FLAC's picture block, which Ogg comments carry in base64.
function pictureBlock(cover: Cover): Uint8Array {
  const mime = utf8.encode(cover.mimeType);
  return joined([bigEndian32(kFrontCover), bigEndian32(mime.length), mime, bigEndian32(0),
    bigEndian32(cover.widthPx), bigEndian32(cover.heightPx), bigEndian32(0), bigEndian32(0),
    bigEndian32(cover.bytes.length), cover.bytes]);
}

function base64(bytes: Uint8Array): string {
  let text = '';
  for (let at = 0; at < bytes.length; at += 0x8000) text += String.fromCharCode(...bytes.subarray(at, at + 0x8000));
  return btoa(text);
}

// Vorbis comments (Opus's tags): TITLE, ARTIST and the cover.
export function vorbisComments(tags: EpisodeTags): string[] {
  const comments: string[] = [];
  if (tags.title !== '') comments.push(`TITLE=${tags.title}`);
  if (tags.artist !== '') comments.push(`ARTIST=${tags.artist}`);
  if (tags.cover) comments.push(`METADATA_BLOCK_PICTURE=${base64(pictureBlock(tags.cover))}`);
  return comments;
}

// A WAV's LIST INFO chunk (INAM, IART), each text NUL-ended and padded to an even size; empty
// without text.
export function wavInfoChunk(tags: EpisodeTags): Uint8Array {
  const entries: Uint8Array[] = [];
  for (const [id, text] of [['INAM', tags.title], ['IART', tags.artist]]) {
    if (text === '') continue;
    const value = utf8.encode(`${text}\0`);
    const padded = new Uint8Array(value.length + (value.length & 1));
    padded.set(value);
    const size = new Uint8Array(4);
    new DataView(size.buffer).setUint32(0, value.length, true);
    entries.push(joined([utf8.encode(id), size, padded]));
  }
  if (entries.length === 0) return new Uint8Array(0);
  const body = joined([utf8.encode('INFO'), ...entries]);
  const size = new Uint8Array(4);
  new DataView(size.buffer).setUint32(0, body.length, true);
  return joined([utf8.encode('LIST'), size, body]);
}
