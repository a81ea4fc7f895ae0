// The page: sounds chosen or dropped, drawn with the ducking gain over the bed, previewed live
// through the engine in an AudioWorklet, and exported as a finished WAV episode. Everything it
// needs is fetched at load; nothing afterwards, and no sound leaves the browser.

import { decodeFile, foldToStereo, padded, type Stereo, sumKeys } from './audio-files.js';
import { buildControls, type ControlDefinition, controlDefinitions, setControl } from './controls.js';
import { ControlId, QuellmarModule, moduleFileName } from './engine.js';
import {
  ducked, type EpisodeInputs, type EpisodeSettings, type EpisodeWriter, heldInputs, makeEpisode, measuredLufs, type Progress,
} from './episode.js';
import { type FinishingPlan, parseFinishingPlan, parsePresets, type Preset } from './presets.js';
import { mp3Writer } from './mp3.js';
import { canEncode } from './browser-encoder.js';
import { kAacCodec, m4aWriter } from './m4a.js';
import { opusWriter } from './opus.js';
import { loadDemuxer, openSound, soundChunks, streamedInputs } from './sound-stream.js';
import { type Cover, type EpisodeTags, kCoverTypes, kMostCoverBytes } from './tags.js';
import { type WavFormat, wavWriter } from './wav.js';
import { drawWave, GainColumns, type Peaks, PeakBins, peaksOf } from './waveform.js';

const kMostVoices = 4;
// An encoded episode further from the target than the plan allows is made again, at most this
// many times more.
const kMostEncoderPasses = 2;

// The lossy file types the page writes (their margins and shifts are quellmar-duck's, in the plan):
// a writing pass takes `writingCost` times a pass that only reads and ducks.
interface LossyType {
  extension: string;
  writingCost: number;
  writer: (rateHz: number, tags: EpisodeTags, module: QuellmarModule) => EpisodeWriter | Promise<EpisodeWriter>;
}
const kLossyTypes = new Map<string, LossyType>([
  ['mp3', { extension: 'mp3', writingCost: 3, writer: mp3Writer }],
  ['opus', { extension: 'opus', writingCost: 1, writer: opusWriter }],
  ['m4a', { extension: 'm4a', writingCost: 1, writer: m4aWriter }],
]);
const kWavWritingCost = 0.2;

// Sounds longer than this are read from their files as they are needed instead of held decoded
// (an hour of stereo at 48 kHz would take 1.4 GB a copy); the page's address can ask for it
// always with `?stream`.
const kMostHeldSeconds = 15 * 60;

// The types the browser's own encoder makes, by their option and WebCodecs codec: listed always,
// disabled with the reason where they cannot be made.
const kBrowserEncoded = [
  { value: 'opus', codec: 'opus', name: 'Opus' },
  { value: 'm4a', codec: kAacCodec, name: 'AAC' },
];

// Asked at the rate both codecs are most often made at.
const kEncoderCheckRateHz = 48000;

async function offerBrowserEncoded(): Promise<void> {
  const note = element('format-note');
  for (const { value, codec, name } of kBrowserEncoded) {
    const option = element<HTMLSelectElement>('format').querySelector<HTMLOptionElement>(`option[value="${value}"]`)!;
    if (await canEncode(codec, kEncoderCheckRateHz)) continue;
    const reason = `this browser cannot encode ${name}`;
    option.disabled = true;
    option.textContent = `${option.textContent} — ${reason}`;
    // The select's description says it too: not every reader speaks a disabled option's text.
    note.append(` Not available: ${option.textContent}.`);
  }
}

const element = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;

interface State {
  module: QuellmarModule;
  wasm: ArrayBuffer;
  workletUrl: string;
  presets: Preset[];
  finishingPlan: FinishingPlan;
  controls: ControlDefinition[];
  voiceFiles: File[];
  bedFile: File | null;
  bedName: string | null;
  voiceNames: string[];
  rateHz: number;
  // What the episode is made from: the bed and the summed voices held whole, or read from their
  // files as needed.
  inputs: EpisodeInputs | null;
  frames: number;
  voicePeaks: Peaks | null;
  bedPeaks: Peaks | null;
  gainCurve: Float32Array | null;
  playhead: number | null;
  curveRequest: number;
  audioContext: AudioContext | null;
  preview: AudioWorkletNode | null;
  playing: boolean;
  messages: Array<{ text: string; error: boolean }>;
}

let state: State;

function formatTime(seconds: number): string {
  const whole = Math.max(0, Math.round(seconds));
  const minutes = Math.floor(whole / 60);
  return `${minutes}:${String(whole % 60).padStart(2, '0')}`;
}

function showMessages(): void {
  const box = element<HTMLDivElement>('messages');
  box.replaceChildren(...state.messages.map(({ text, error }) => {
    const p = document.createElement('p');
    p.textContent = text;
    if (error) p.className = 'error';
    return p;
  }));
}

function engineControls(): Array<[ControlId, number]> {
  return state.controls.filter((c) => c.id !== null).map((c) => [c.id as ControlId, c.value]);
}

function controlValue(key: string): number {
  return state.controls.find((c) => c.key === key)!.value;
}

function redraw(): void {
  const fraction = state.playhead !== null && state.frames > 0 ? state.playhead / state.frames : null;
  drawWave(element('voice-wave'), state.voicePeaks, '#5fb3ff', null, fraction);
  drawWave(element('bed-wave'), state.bedPeaks, '#7fd18b', state.gainCurve, fraction);
}

// The gain curve over the bed for the controls as they are now. The ducking runs in slices with
// the page's events between them, and a newer request stops an older one: a long episode keeps
// the controls moving smoothly.
class Superseded extends Error {}

// Resolves in a task of its own, after the events waiting (a message, which browsers do not
// throttle as they do nested timers).
const yieldChannel = new MessageChannel();
const yieldWaiting: Array<() => void> = [];
yieldChannel.port1.onmessage = () => yieldWaiting.shift()?.();
function nextTask(): Promise<void> {
  return new Promise((resolve) => {
    yieldWaiting.push(resolve);
    yieldChannel.port2.postMessage(null);
  });
}

async function updateCurve(): Promise<void> {
  const request = ++state.curveRequest;
  await new Promise((resolve) => requestAnimationFrame(resolve));
  const inputs = state.inputs;
  if (request !== state.curveRequest || !inputs) return;
  const slice = async () => {
    await nextTask();
    if (request !== state.curveRequest) throw new Superseded();
  };
  try {
    const width = element<HTMLCanvasElement>('bed-wave').width;
    const columns = new GainColumns(width, state.frames);
    // Sounds read as needed are drawn from what the first curve reads.
    const peaks = !inputs.held && !state.bedPeaks ? [new PeakBins(width, state.frames), new PeakBins(width, state.frames)] : null;
    const read = peaks ? withPeaks(inputs, peaks[0], peaks[1]) : inputs;
    for await (const { gains, at } of ducked(state.module, state.rateHz, read, engineControls(), false, slice)) {
      columns.add(gains, at);
    }
    state.gainCurve = columns.lowest;
    if (peaks) [state.bedPeaks, state.voicePeaks] = peaks.map((p) => p.peaks());
    redraw();
  } catch (error) {
    if (!(error instanceof Superseded)) throw error;
  }
}

// `inputs` as they are, their peaks taken as they pass.
function withPeaks(inputs: EpisodeInputs, bed: PeakBins, key: PeakBins): EpisodeInputs {
  return {
    frames: inputs.frames,
    async *read() {
      for await (const block of inputs.read()) {
        bed.add(block.bed);
        key.add(block.key);
        yield block;
      }
    },
  };
}

// Sends the controls to the preview; the page's body counts how many settings were sent.
function sendControls(): void {
  if (!state.preview) return;
  state.preview.port.postMessage({ type: 'controls', controls: engineControls() });
  document.body.dataset.controlsSent = String(Number(document.body.dataset.controlsSent ?? 0) + 1);
}

function controlsChanged(): void {
  sendControls();
  void updateCurve();
}

function applyPreset(name: string): void {
  const preset = state.presets.find((p) => p.name === name);
  if (!preset) return;
  for (const control of state.controls) {
    const value = control.fromPreset(preset);
    if (value !== null) setControl(control, value);
  }
  const finishing = preset.loudnessLufs !== null;
  element<HTMLInputElement>('mix').checked = finishing;
  element<HTMLInputElement>('finish').checked = finishing;
  sendMix();
  controlsChanged();
}

// A chosen sound: decoded and held (`channels`), or read from its file as needed.
interface ChosenSound {
  name: string;
  fileRateHz: number;
  fileChannels: number;
  frames: number;
  channels: Stereo | null;
}

// A sound read as needed: its rate, channels and length as its file states them.
async function probed(file: File, rateHz: number | null): Promise<ChosenSound> {
  const { fileRateHz, fileChannels, statedSeconds } = await openSound(file, file.name);
  const frames = Math.round(statedSeconds * (rateHz ?? fileRateHz));
  if (frames === 0) throw new Error(`${file.name}: holds no samples`);
  return { name: file.name, fileRateHz, fileChannels, frames, channels: null };
}

// Whether the chosen files are to be read as needed: asked for, or longer than the page holds.
async function readAsNeeded(files: File[]): Promise<boolean> {
  if (new URLSearchParams(location.search).has('stream')) return true;
  for (const file of files) {
    try {
      if ((await openSound(file, file.name)).statedSeconds > kMostHeldSeconds) return true;
    } catch {
      // Said when it is decoded.
    }
  }
  return false;
}

// Decodes what was chosen: the bed at its own rate, the voices at the bed's. A newer choice made
// while decoding supersedes this one.
let soundRequests = 0;
async function loadSounds(): Promise<void> {
  const request = ++soundRequests;
  const messages: State['messages'] = [];
  const chosenVoices = state.voiceFiles.slice(0, kMostVoices);
  const streamed = await readAsNeeded([...(state.bedFile ? [state.bedFile] : []), ...chosenVoices]);
  const choose = async (file: File, rateHz: number | null): Promise<ChosenSound> => {
    if (streamed) return probed(file, rateHz);
    const decoded = await decodeFile(file, rateHz);
    return { ...decoded, frames: decoded.channels[0].length };
  };
  let bed: ChosenSound | null = null;
  if (state.bedFile) {
    try {
      bed = await choose(state.bedFile, null);
    } catch (error) {
      messages.push({ text: `${(error as Error).message}. Choose another bed.`, error: true });
    }
  }
  const rateHz = bed ? bed.fileRateHz : null;
  const voices: ChosenSound[] = [];
  const voiceFiles: File[] = [];
  if (state.voiceFiles.length > kMostVoices) {
    messages.push({ text: `Only the first ${kMostVoices} voices are used (${state.voiceFiles.length} were chosen).`, error: false });
  }
  for (const file of chosenVoices) {
    try {
      voices.push(await choose(file, rateHz));
      voiceFiles.push(file);
    } catch (error) {
      messages.push({ text: `${(error as Error).message}. It was left out.`, error: true });
    }
  }
  for (const sound of [...voices, ...(bed ? [bed] : [])]) {
    if (sound.fileChannels > 2) {
      messages.push({ text: `${sound.name} has ${sound.fileChannels} channels: mixed down to stereo.`, error: false });
    }
    if (rateHz !== null && sound !== bed && sound.fileRateHz !== rateHz) {
      messages.push({ text: `${sound.name} is at ${sound.fileRateHz} Hz: resampled to the bed's ${rateHz} Hz.`, error: false });
    }
  }
  if (voices.length === 0 && !messages.some((m) => m.error)) {
    messages.push({ text: 'No voice chosen: choose 1 to 4 voice files to duck the bed under.', error: false });
  }
  if (request !== soundRequests) return;
  state.bedName = bed?.name ?? null;
  state.rateHz = rateHz ?? (voices.length > 0 ? voices[0].fileRateHz : 48000);
  const voiceFrames = Math.max(0, ...voices.map((v) => v.frames));
  const bedFrames = bed ? bed.frames : 0;
  if (bed && voiceFrames > bedFrames) {
    messages.push({
      text: `The voice (${formatTime(voiceFrames / state.rateHz)}) is longer than the bed (${formatTime(bedFrames / state.rateHz)}): the episode lasts as long as the voice, with silence after the bed.`,
      error: false,
    });
  }
  state.frames = Math.max(voiceFrames, bedFrames);
  const columns = element<HTMLCanvasElement>('bed-wave').width;
  const ready = bed !== null && voices.length > 0;
  if (streamed) {
    state.inputs = ready ? streamedInputs(state.bedFile!, voiceFiles, state.rateHz, state.frames) : null;
    // Drawn once the first gain curve has read them.
    state.voicePeaks = null;
    state.bedPeaks = null;
    if (ready) {
      messages.push({
        text: `The sounds are read from their files as they are needed${state.frames / state.rateHz > kMostHeldSeconds ? ` (over ${kMostHeldSeconds / 60} minutes)` : ''}, not held whole: the gain curve takes longer to draw.`,
        error: false,
      });
    }
  } else {
    const keyAudio = voices.length > 0 ? sumKeys(voices.map((v) => v.channels!), state.frames) : null;
    const bedAudio = bed ? padded(bed.channels!, state.frames) : null;
    state.inputs = bedAudio && keyAudio ? heldInputs(bedAudio, keyAudio) : null;
    state.voicePeaks = keyAudio ? peaksOf(keyAudio, columns, state.frames) : null;
    state.bedPeaks = bedAudio ? peaksOf(bedAudio, columns, state.frames) : null;
  }
  state.gainCurve = null;
  state.playhead = null;
  state.voiceNames = voices.map((v) => v.name);
  state.messages = messages;
  element('voice-names').textContent = voices.length > 0 ? `Voice: ${voices.map((v) => v.name).join(', ')}` : 'No voice chosen. Choose files or drop them here.';
  element('bed-names').textContent = bed ? `Bed: ${bed.name} (${bed.fileRateHz} Hz, ${formatTime(bedFrames / state.rateHz)})` : 'No bed chosen. Choose a file or drop it here.';
  element<HTMLButtonElement>('play').disabled = !ready;
  element<HTMLButtonElement>('export').disabled = !ready;
  element<HTMLInputElement>('position').disabled = !ready;
  showMessages();
  stopPreview();
  updateTime(0);
  redraw();
  if (ready) await updateCurve();
  document.body.dataset.sounds = String(++soundLoads);
}
let soundLoads = 0;

function sendMix(): void {
  state.preview?.port.postMessage({ type: 'mix', on: element<HTMLInputElement>('mix').checked });
}

function updateTime(frame: number): void {
  const total = state.frames / state.rateHz;
  element('time').textContent = `${formatTime(frame / state.rateHz)} / ${formatTime(total)}`;
  element<HTMLInputElement>('position').value = String(state.frames > 0 ? frame / state.frames : 0);
}

async function startPreview(): Promise<void> {
  if (!state.inputs) return;
  if (!state.audioContext || state.audioContext.sampleRate !== state.rateHz) {
    await state.audioContext?.close();
    state.audioContext = new AudioContext({ sampleRate: state.rateHz });
    await state.audioContext.audioWorklet.addModule(state.workletUrl);
    state.preview = new AudioWorkletNode(state.audioContext, 'quellmar-preview', { numberOfInputs: 0, outputChannelCount: [2] });
    state.preview.connect(state.audioContext.destination);
    // A new processor counts the settings it takes from 0.
    document.body.dataset.controlsSent = '0';
    state.preview.port.onmessage = (event) => {
      const { frame, lowestGain, playing, controls } =
        event.data as { frame: number; lowestGain: number; playing: boolean; controls: number };
      state.playhead = frame;
      updateTime(frame);
      const reductionDb = Math.min(30, -20 * Math.log10(Math.max(lowestGain, 1e-6)));
      element<HTMLMeterElement>('reduction').value = reductionDb;
      // Which setting of the controls the reading was made under (the count sendControls keeps).
      element('reduction').dataset.controls = String(controls);
      element('reduction-text').textContent = `${reductionDb.toFixed(1)} dB`;
      if (!playing) setPlaying(false);
      redraw();
      for (const wake of reportWaiting.splice(0)) wake();
    };
    sendControls();
    sendMix();
  }
  await state.audioContext.resume();
  const frame = Math.round(Number(element<HTMLInputElement>('position').value) * state.frames);
  setPlaying(true);
  void playFrom(frame >= state.frames ? 0 : frame);
}

// How far the pieces sent run ahead of the playhead.
const kAheadSeconds = 4;
let feeds = 0;
const reportWaiting: Array<() => void> = [];

// Plays from `frame`: the sounds are read from there and sent in pieces ahead of the playhead
// until the preview stops or plays from elsewhere, so that it holds only a few seconds of them.
async function playFrom(frame: number): Promise<void> {
  const feed = ++feeds;
  const preview = state.preview;
  const inputs = state.inputs;
  if (!preview || !inputs) return;
  preview.port.postMessage({ type: 'stream', wasm: state.wasm.slice(0), frames: state.frames });
  preview.port.postMessage({ type: 'play', frame });
  const ahead = kAheadSeconds * state.rateHz;
  let at = frame;
  for await (const block of inputs.read(frame)) {
    if (feed !== feeds) return;
    const count = block.bed[0].length;
    // Copies of their own, handed over: held sounds are read in views of the whole.
    const [bed, key] = [block.bed, block.key].map((s) => s.map((c) => c.slice()));
    preview.port.postMessage({ type: 'piece', at, bed, key }, [...bed, ...key].map((c) => c.buffer));
    at += count;
    while (feed === feeds && at - (state.playhead ?? frame) > ahead) {
      await new Promise<void>((resolve) => reportWaiting.push(resolve));
    }
  }
}

function setPlaying(playing: boolean): void {
  state.playing = playing;
  const button = element<HTMLButtonElement>('play');
  button.textContent = playing ? 'Stop' : 'Play';
  button.setAttribute('aria-pressed', String(playing));
}

function stopPreview(): void {
  ++feeds;
  for (const wake of reportWaiting.splice(0)) wake();
  state.preview?.port.postMessage({ type: 'stop' });
  setPlaying(false);
}

// The tags typed in and the cover chosen; a picture no container takes is left out, saying so.
async function episodeTags(): Promise<{ tags: EpisodeTags; remark: string }> {
  const file = element<HTMLInputElement>('cover-input').files?.[0] ?? null;
  let cover: Cover | null = null;
  let remark = '';
  if (file && !kCoverTypes.includes(file.type)) {
    remark = ` The cover ${file.name} was left out: not a JPEG, PNG, GIF or BMP picture.`;
  } else if (file && file.size > kMostCoverBytes) {
    remark = ` The cover ${file.name} was left out: over 16 MB.`;
  } else if (file) {
    try {
      const bitmap = await createImageBitmap(file);
      cover = {
        mimeType: file.type, bytes: new Uint8Array(await file.arrayBuffer()), widthPx: bitmap.width, heightPx: bitmap.height,
      };
      bitmap.close();
    } catch {
      remark = ` The cover ${file.name} was left out: this browser cannot read it as a picture.`;
    }
  }
  const text = (id: string) => element<HTMLInputElement>(id).value.trim();
  return { tags: { title: text('tag-title'), artist: text('tag-artist'), cover }, remark };
}

async function exportEpisode(): Promise<void> {
  if (state.voiceNames.length === 0) {
    state.messages = [{ text: 'No voice chosen: choose 1 to 4 voice files before exporting.', error: true }];
    showMessages();
    return;
  }
  const inputs = state.inputs;
  if (!inputs) return;
  const button = element<HTMLButtonElement>('export');
  const progress = element<HTMLProgressElement>('progress');
  const progressText = element('progress-text');
  const result = element('result');
  button.disabled = true;
  result.textContent = 'Making the episode…';
  const finishing = element<HTMLInputElement>('finish').checked;
  const format = element<HTMLSelectElement>('format').value;
  const lossy = kLossyTypes.get(format) ?? null;
  const encoderPlan = lossy ? state.finishingPlan.encoders[format] ?? { marginDb: 0, shiftLu: 0 } : null;
  const targetLufs = finishing ? controlValue('loudness') : null;
  const settings: EpisodeSettings = {
    controls: engineControls(),
    mix: element<HTMLInputElement>('mix').checked,
    // The encoder gives its input back a little quieter: it is fed that much louder.
    loudnessLufs: targetLufs === null ? null : targetLufs + (encoderPlan?.shiftLu ?? 0),
    // The encoder's own overshoot is kept under the ceiling too.
    ceilingDbtp: controlValue('ceiling') - (encoderPlan?.marginDb ?? 0),
  };
  const started = performance.now();
  let lastDraw = 0;
  const onProgress = async (fraction: number) => {
    const now = performance.now();
    if (now - lastDraw < 100 && fraction < 1) return;
    lastDraw = now;
    progress.value = fraction;
    const elapsed = (now - started) / 1000;
    const left = fraction > 0.02 ? (elapsed * (1 - fraction)) / fraction : null;
    progressText.textContent = `${Math.round(fraction * 100)} %${left !== null ? `, about ${formatTime(left)} left` : ''}`;
    // A frame's time, so that the bar is drawn.
    await new Promise((resolve) => setTimeout(resolve, 0));
  };
  try {
    const { tags, remark } = await episodeTags();
    // Checking what the encoder made is a pass that reads it; the rest is making it.
    const makingShare = lossy ? 0.9 : 1;
    const writer = lossy ? await lossy.writer(state.rateHz, tags, state.module) : wavWriter(state.module, state.rateHz, format as WavFormat, tags);
    const costs = { writing: lossy?.writingCost ?? kWavWritingCost };
    const make = (aimed: EpisodeSettings) => makeEpisode(state.module, state.rateHz, inputs, aimed, writer, costs,
      (f) => onProgress(f * makingShare));
    let episode = await make(settings);
    let writingPasses = episode.writingPasses;
    // The check: decode what the encoder made and measure it; only where it still missed the target
    // by more than the plan allows, make it again with the target moved by what it missed.
    let encodedLufs: number | null = null;
    for (let pass = 0; lossy && targetLufs !== null; ++pass) {
      encodedLufs = await measuredLufs(state.module, state.rateHz, checked(episode.file, state.rateHz,
        state.frames, (f) => onProgress(makingShare + f * (1 - makingShare))));
      const missedLu = targetLufs - encodedLufs;
      if (!(Math.abs(missedLu) > state.finishingPlan.retryLu) || pass >= kMostEncoderPasses) break;
      const aimed: EpisodeSettings = { ...settings, loudnessLufs: (episode.finishedLufs ?? targetLufs) + missedLu };
      progressText.textContent = `the encoder missed the target by ${missedLu.toFixed(2)} LU: once more`;
      episode = await make(aimed);
      writingPasses += episode.writingPasses;
    }
    // How often the episode was written (the bench reports it).
    document.body.dataset.writingPasses = String(writingPasses);
    const blob = episode.file;
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = `${(state.bedName ?? 'episode').replace(/\.[^.]*$/, '')}-episode.${lossy?.extension ?? 'wav'}`;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
    const finishedLufs = encodedLufs ?? episode.finishedLufs;
    const loudness = finishedLufs !== null
      ? ` at ${finishedLufs.toFixed(1)} LUFS (the mix measured ${episode.measuredLufs!.toFixed(1)} LUFS; gain ${episode.gainDb.toFixed(1)} dB)`
      : '';
    const noPicture = tags.cover && !lossy ? ' A WAV holds no cover picture: it was left out.' : '';
    result.textContent = `Exported ${link.download}: ${formatTime(state.frames / state.rateHz)}${loudness}.${remark}${noPicture}`;
    progressText.textContent = `100 %, done in ${((performance.now() - started) / 1000).toFixed(1)} s`;
  } catch (error) {
    result.textContent = `The episode could not be made: ${(error as Error).message}`;
  } finally {
    button.disabled = false;
    document.body.dataset.exports = String(Number(document.body.dataset.exports ?? '0') + 1);
  }
}

// An encoded episode's sound read back at `rateHz`, reporting how much of its `frames` was read:
// decoded whole where the page holds its sounds (the browser's own decoder is the faster by far),
// piece by piece where it does not.
async function* checked(file: Blob, rateHz: number, frames: number, progress: Progress): AsyncGenerator<Stereo> {
  if (state.inputs?.held) {
    yield foldToStereo(await new OfflineAudioContext(1, 1, rateHz).decodeAudioData(await file.arrayBuffer()));
    await progress(1);
    return;
  }
  let read = 0;
  for await (const piece of soundChunks(file, rateHz)) {
    read += piece[0].length;
    await progress(Math.min(1, read / Math.max(1, frames)));
    yield piece;
  }
}

function acceptDrops(zoneId: string, take: (files: File[]) => void): void {
  const zone = element(zoneId);
  zone.addEventListener('dragover', (event) => {
    event.preventDefault();
    zone.classList.add('over');
  });
  zone.addEventListener('dragleave', () => zone.classList.remove('over'));
  zone.addEventListener('drop', (event) => {
    event.preventDefault();
    zone.classList.remove('over');
    const files = Array.from(event.dataTransfer?.files ?? []);
    if (files.length > 0) take(files);
  });
}

async function start(): Promise<void> {
  const [wasm, presetsText, finishingText, workletText] = await Promise.all([
    fetch(moduleFileName()).then((r) => r.arrayBuffer()),
    fetch('presets.json').then((r) => r.text()),
    fetch('finishing.json').then((r) => r.text()),
    fetch('worklet.js').then((r) => r.text()),
  ]);
  const module = await QuellmarModule.load(wasm.slice(0));
  // The demuxer too, so that nothing is fetched once the page is up.
  await loadDemuxer();
  state = {
    module, wasm, workletUrl: URL.createObjectURL(new Blob([workletText], { type: 'text/javascript' })),
    presets: parsePresets(presetsText), finishingPlan: parseFinishingPlan(finishingText),
    controls: controlDefinitions(module), voiceFiles: [], bedFile: null, bedName: null, voiceNames: [],
    rateHz: 48000, inputs: null, frames: 0, voicePeaks: null, bedPeaks: null,
    gainCurve: null, playhead: null, curveRequest: 0, audioContext: null, preview: null, playing: false, messages: [],
  };
  buildControls(element('controls'), state.controls, controlsChanged);
  const presetSelect = element<HTMLSelectElement>('preset');
  for (const preset of state.presets) presetSelect.append(new Option(preset.name, preset.name));
  presetSelect.value = 'standard';
  presetSelect.addEventListener('change', () => applyPreset(presetSelect.value));
  applyPreset('standard');
  await offerBrowserEncoded();
  const voiceInput = element<HTMLInputElement>('voice-input');
  const bedInput = element<HTMLInputElement>('bed-input');
  voiceInput.addEventListener('change', () => {
    state.voiceFiles = Array.from(voiceInput.files ?? []);
    void loadSounds();
  });
  bedInput.addEventListener('change', () => {
    state.bedFile = bedInput.files?.[0] ?? null;
    void loadSounds();
  });
  // A drop replaces what the input had chosen: the input shows nothing then, the names below it tell.
  acceptDrops('voice-drop', (files) => {
    state.voiceFiles = files;
    voiceInput.value = '';
    void loadSounds();
  });
  acceptDrops('bed-drop', (files) => {
    state.bedFile = files[0];
    bedInput.value = '';
    void loadSounds();
  });
  element('play').addEventListener('click', () => (state.playing ? stopPreview() : void startPreview()));
  element('position').addEventListener('input', () => {
    const frame = Math.round(Number(element<HTMLInputElement>('position').value) * state.frames);
    state.playhead = frame;
    updateTime(frame);
    if (state.playing) void playFrom(frame);
    redraw();
  });
  element('export').addEventListener('click', () => void exportEpisode());
  element('mix').addEventListener('change', sendMix);
  redraw();
  if ('serviceWorker' in navigator) {
    try {
      await navigator.serviceWorker.register('sw.js');
      await navigator.serviceWorker.ready;
    } catch {
      // Without a service worker the page still works; only offline use is lost.
    }
  }
  document.body.dataset.ready = 'true';
}

start().catch((error: Error) => {
  element('messages').textContent = `The page could not start: ${error.message}`;
});
