// The page's M4A writer, held to ffmpeg: AAC packets that ffmpeg's own encoder made (as ADTS, whose
// headers are cut off here) go into the page's MP4 file, and ffmpeg must read it back as the same
// sound, trimmed to the episode by the edit list, with its tags and cover. Debian's Chromium has no
// AAC encoder, so this is how the container is checked here. Environment: QM_WEB_DIST, QM_WEB_WORK.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

const { m4aFile, audioSpecificConfig } = await import(pathToFileURL(join(process.env.QM_WEB_DIST, 'm4a.js')).href);
const work = join(process.env.QM_WEB_WORK, 'm4a');
mkdirSync(work, { recursive: true });
const kEncoderPrimingFrames = 1024;

// ADTS frames' payloads and the AudioSpecificConfig their first header states.
function adtsPackets(bytes) {
  const packets = [];
  for (let at = 0; at + 7 <= bytes.length;) {
    assert.equal(bytes[at], 0xff, `an ADTS header at ${at}`);
    const headerBytes = bytes[at + 1] & 1 ? 7 : 9;
    const frameBytes = ((bytes[at + 3] & 3) << 11) | (bytes[at + 4] << 3) | (bytes[at + 5] >> 5);
    packets.push(bytes.subarray(at + headerBytes, at + frameBytes));
    at += frameBytes;
  }
  const objectType = (bytes[2] >> 6) + 1;
  const rateIndex = (bytes[2] >> 2) & 15;
  const channels = ((bytes[2] & 1) << 2) | (bytes[3] >> 6);
  const config = Uint8Array.of((objectType << 3) | (rateIndex >> 1), ((rateIndex & 1) << 7) | (channels << 3));
  return { packets, config };
}

function decoded(path) {
  const bytes = execFileSync('ffmpeg', ['-nostdin', '-v', 'error', '-i', path, '-f', 'f32le', '-'], { maxBuffer: 1 << 28 });
  return new Float32Array(bytes.buffer, bytes.byteOffset, bytes.length / 4);
}

function probe(path) {
  return JSON.parse(execFileSync('ffprobe', ['-v', 'error', '-show_streams', '-show_format', '-of', 'json', path]));
}

test('the M4A file plays the episode exactly, trimmed by its edit list, and carries its tags and cover', async () => {
  const cover = join(work, 'cover.png');
  execFileSync('ffmpeg', ['-nostdin', '-v', 'error', '-y', '-f', 'lavfi', '-i', 'color=c=red:s=32x32', '-frames:v', '1', cover]);
  const coverBytes = new Uint8Array(readFileSync(cover));
  const cases = [
    { rateHz: 48000, seconds: 2.5, stated: true, given: true, tags: { title: 'Épisode 1', artist: 'Q', cover: { mimeType: 'image/png', bytes: coverBytes, widthPx: 32, heightPx: 32 } } },
    { rateHz: 44100, seconds: 1.3, stated: true, given: false, tags: { title: '', artist: '', cover: null } },
    { rateHz: 44100, seconds: 1, stated: false, given: true, tags: { title: 'Plain', artist: '', cover: null } },
  ];
  for (const { rateHz, seconds, stated, given, tags } of cases) {
    const name = `${rateHz}-${seconds}-${stated}`;
    const frames = Math.round(rateHz * seconds);
    const adts = join(work, `${name}.aac`);
    execFileSync('ffmpeg', ['-nostdin', '-v', 'error', '-y', '-f', 'lavfi', '-i',
      `aevalsrc=sin(2*PI*440*t)*0.5|sin(2*PI*660*t)*0.3:s=${rateHz}:d=${seconds}`, '-c:a', 'aac', '-b:a', '128k', '-f', 'adts', adts]);
    const { packets, config } = adtsPackets(new Uint8Array(readFileSync(adts)));
    if (!given) assert.deepEqual(audioSpecificConfig(rateHz, 2), config, 'the config made without the encoder\'s');
    const firstTimestampUs = stated ? (-kEncoderPrimingFrames * 1e6) / rateHz : 0;
    const blob = m4aFile({ packets, firstTimestampUs, description: given ? config : null }, rateHz, frames, tags);
    const m4a = join(work, `${name}.m4a`);
    writeFileSync(m4a, new Uint8Array(await blob.arrayBuffer()));

    const { streams, format } = probe(m4a);
    const audio = streams.find((stream) => stream.codec_type === 'audio');
    assert.equal(audio.codec_name, 'aac', name);
    assert.equal(Number(audio.sample_rate), rateHz, name);
    assert.equal(audio.channels, 2, name);
    assert.equal(format.tags?.title, tags.title || undefined, name);
    assert.equal(format.tags?.artist, tags.artist || undefined, name);
    assert.equal(streams.some((stream) => stream.disposition?.attached_pic === 1), tags.cover !== null, name);

    // What plays, as the edit list says (ffmpeg cuts the priming by it, and states the length
    // though it decodes the last packet whole), is what ffmpeg decodes from the ADTS stream.
    const whole = decoded(adts);
    const played = decoded(m4a);
    const skipped = stated ? kEncoderPrimingFrames : 0;
    const playedFrames = Math.min(stated ? frames : frames + 2112, whole.length / 2 - skipped);
    assert.equal(Number(audio.duration_ts), playedFrames, name);
    assert.ok(played.length / 2 >= playedFrames, name);
    let largest = 0;
    for (let i = 0; i < 2 * playedFrames; ++i) largest = Math.max(largest, Math.abs(played[i] - whole[i + 2 * skipped]));
    assert.equal(largest, 0, `${name}: the samples differ from the ADTS stream's`);
  }
});

test('an hour of packets makes an M4A file that states the hour', async () => {
  const adts = join(work, 'hour.aac');
  execFileSync('ffmpeg', ['-nostdin', '-v', 'error', '-y', '-f', 'lavfi', '-i', 'anoisesrc=d=1:a=0.1:r=48000',
    '-ac', '2', '-c:a', 'aac', '-b:a', '32k', '-f', 'adts', adts]);
  const { packets } = adtsPackets(new Uint8Array(readFileSync(adts)));
  const frames = 3600 * 48000;
  const hour = Array.from({ length: Math.ceil(frames / 1024) + 2 }, (_, i) => packets[i % packets.length]);
  const blob = m4aFile({ packets: hour, firstTimestampUs: (-kEncoderPrimingFrames * 1e6) / 48000, description: null },
    48000, frames, { title: '', artist: '', cover: null });
  const m4a = join(work, 'hour.m4a');
  writeFileSync(m4a, new Uint8Array(await blob.arrayBuffer()));
  const audio = probe(m4a).streams[0];
  assert.equal(Number(audio.duration_ts), frames);
  assert.equal(Number(audio.nb_frames), hour.length);
  rmSync(m4a);
});
