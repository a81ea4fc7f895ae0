// The live preview's processor: the engine's ducker run in the audio thread on the browser's
// 128-frame blocks. It holds the pieces of the bed and the summed voices that the page sends ahead
// of the playhead, reads the key look-ahead frames ahead
// of the bed (so that what it plays lines up), plays the ducked bed with the voices over it, and
// reports the position and the deepest gain of each stretch. The loudness gain and the limiter are
// the export's alone: the preview plays the mix at its own level. Self-contained: the page loads it
// from text it read at load, so that nothing is fetched when playing starts.

declare const sampleRate: number;
declare function registerProcessor(name: string, processor: unknown): void;
declare class AudioWorkletProcessor {
  readonly port: MessagePort;
  constructor(options?: unknown);
}

interface DuckerExports {
  memory: WebAssembly.Memory;
  _initialize(): void;
  qm_create(rateHz: number, maxBlockFrames: number): number;
  qm_destroy(instance: number): void;
  qm_set_control(instance: number, id: number, value: number): number;
  qm_audio(instance: number, channel: number): number;
  qm_key(instance: number, channel: number): number;
  qm_factors(instance: number): number;
  qm_process(instance: number, frames: number): number;
  qm_latency_frames(instance: number): number;
}

const kBlockFrames = 128;
const kDuckKeyControl = 7;
// Blocks between reports to the page (about 30 a second at 48 kHz).
const kReportBlocks = 12;

type Message =
  // Pieces of sounds `frames` long follow.
  | { type: 'stream'; wasm: ArrayBuffer; frames: number }
  | { type: 'piece'; at: number; bed: Float32Array[]; key: Float32Array[] }
  | { type: 'controls'; controls: Array<[number, number]> }
  | { type: 'mix'; on: boolean }
  | { type: 'play'; frame: number }
  | { type: 'stop' }
  | { type: 'ping' };

interface Piece {
  at: number;
  bed: Float32Array[];
  key: Float32Array[];
}

// The bed and the key as pieces in order, each from its frame `at` on; silence where none is.
class Timeline {
  pieces: Piece[] = [];
  frames = 0;

  // Whether frames [from, to) have come (or lie past the end).
  has(from: number, to: number): boolean {
    const last = this.pieces[this.pieces.length - 1];
    const first = this.pieces[0];
    const end = last ? last.at + last.bed[0].length : -1;
    return Math.min(to, this.frames) <= end && (first === undefined || first.at <= from || from >= this.frames);
  }

  // Copies `count` frames from `from` of channel `c` of the bed or the key into `target`, with
  // no object made.
  copy(target: Float32Array, key: boolean, c: number, from: number, count: number): void {
    target.fill(0, 0, count);
    for (let p = 0; p < this.pieces.length; ++p) {
      const piece = this.pieces[p];
      const source = key ? piece.key[c] : piece.bed[c];
      const start = Math.max(from, piece.at);
      const end = Math.min(from + count, piece.at + source.length);
      for (let frame = start; frame < end; ++frame) target[frame - from] = source[frame - piece.at];
    }
  }

  // Lets go of the pieces wholly before `frame`.
  dropBefore(frame: number): void {
    while (this.pieces.length > 1 && this.pieces[0].at + this.pieces[0].bed[0].length <= frame) this.pieces.shift();
  }
}

class PreviewProcessor extends AudioWorkletProcessor {
  private exports: DuckerExports | null = null;
  private ducker = 0;
  private timeline = new Timeline();
  // Where the page asked to play from while that stretch had not come yet.
  private waitingFrom: number | null = null;
  private controls: Array<[number, number]> = [];
  private playing = false;
  // Whether the voices are heard over the ducked bed, as in the exported episode.
  private mix = true;
  // The bed's frame the next output frame plays.
  private frame = 0;
  private blocks = 0;
  private lowestGain = 1;
  // How many settings of the controls were taken: a report says which it was made under.
  private controlsTaken = 0;
  // Views of the ducker's buffers, made when it is created (only creating an instance can grow the
  // module's memory), so that playing a block makes no objects on the audio thread.
  private audioViews: Float32Array[] = [];
  private keyViews: Float32Array[] = [];
  private gainView = new Float32Array(0);
  private readonly voiceBlock = [new Float32Array(kBlockFrames), new Float32Array(kBlockFrames)];

  constructor(options?: unknown) {
    super(options);
    this.port.onmessage = (event: MessageEvent<Message>) => this.receive(event.data);
  }

  private receive(message: Message): void {
    if (message.type === 'stream') {
      if (this.exports === null) {
        const instance = new WebAssembly.Instance(new WebAssembly.Module(message.wasm), {});
        this.exports = instance.exports as unknown as DuckerExports;
        this.exports._initialize();
      }
      this.timeline = new Timeline();
      this.timeline.frames = message.frames;
    } else if (message.type === 'piece') {
      this.timeline.pieces.push({ at: message.at, bed: message.bed, key: message.key });
      this.timeline.dropBefore(this.frame);
    } else if (message.type === 'controls') {
      this.controls = message.controls;
      ++this.controlsTaken;
      // What is reported from now on was made under these controls alone.
      this.lowestGain = 1;
      const lookaheadBefore = this.ducker !== 0 ? this.exports!.qm_latency_frames(this.ducker) : 0;
      this.applyControls();
      // A changed look-ahead moves the key against the bed: start the line-up again.
      if (this.ducker !== 0 && this.exports!.qm_latency_frames(this.ducker) !== lookaheadBefore) this.restart(this.frame);
    } else if (message.type === 'mix') {
      this.mix = message.on;
    } else if (message.type === 'play') {
      // The pieces before it are let go of from now on.
      this.frame = message.frame;
      this.waitingFrom = message.frame;
      this.playing = true;
    } else if (message.type === 'ping') {
      // Messages are taken in order: the answer says every earlier one has been.
      this.port.postMessage({ type: 'pong' });
    } else {
      this.playing = false;
    }
  }

  private applyControls(): void {
    if (this.ducker === 0 || this.exports === null) return;
    this.exports.qm_set_control(this.ducker, kDuckKeyControl, 1);
    for (const [id, value] of this.controls) this.exports.qm_set_control(this.ducker, id, value);
  }

  // A fresh ducker primed with the look-ahead's frames, so that its output starts at `frame`.
  private restart(frame: number): void {
    const exports = this.exports;
    if (exports === null) return;
    if (this.ducker !== 0) exports.qm_destroy(this.ducker);
    this.ducker = exports.qm_create(sampleRate, kBlockFrames);
    const memory = exports.memory.buffer;
    const view = (address: number) => new Float32Array(memory, address, kBlockFrames);
    this.audioViews = [0, 1].map((c) => view(exports.qm_audio(this.ducker, c)));
    this.keyViews = [0, 1].map((c) => view(exports.qm_key(this.ducker, c)));
    this.gainView = view(exports.qm_factors(this.ducker));
    this.applyControls();
    const latency = exports.qm_latency_frames(this.ducker);
    this.frame = frame;
    this.waitingFrom = null;
    // Feed the `latency` frames before `frame` + latency: the bed from `frame`, the key ahead.
    for (let done = 0; done < latency; done += kBlockFrames) {
      const count = Math.min(kBlockFrames, latency - done);
      this.feed(frame + done, count);
      exports.qm_process(this.ducker, count);
    }
  }

  // Writes bed and key from frame `at` (the bed's own position plus the latency) into the ducker.
  private feed(at: number, count: number): void {
    for (let c = 0; c < 2; ++c) {
      this.timeline.copy(this.audioViews[c], false, c, at, count);
      this.timeline.copy(this.keyViews[c], true, c, at, count);
    }
  }

  process(_inputs: Float32Array[][], outputs: Float32Array[][]): boolean {
    const output = outputs[0];
    const exports = this.exports;
    if (!this.playing || exports === null || output.length === 0) return true;
    const count = Math.min(output[0].length, kBlockFrames);
    // Until the stretch asked for has come, and where the pieces fall behind, silence.
    const latencyNow = this.ducker !== 0 ? exports.qm_latency_frames(this.ducker) : 0;
    const from = this.waitingFrom ?? this.frame;
    if (!this.timeline.has(from, from + latencyNow + count + kBlockFrames)) return true;
    if (this.waitingFrom !== null) this.restart(this.waitingFrom);
    const latency = exports.qm_latency_frames(this.ducker);
    this.feed(this.frame + latency, count);
    exports.qm_process(this.ducker, count);
    const gains = this.gainView;
    for (let c = 0; c < 2; ++c) this.timeline.copy(this.voiceBlock[c], true, c, this.frame, count);
    for (let c = 0; c < output.length; ++c) {
      const ducked = this.audioViews[c & 1];
      const voice = this.voiceBlock[c & 1];
      for (let i = 0; i < count; ++i) output[c][i] = ducked[i] + (this.mix ? voice[i] : 0);
    }
    for (let i = 0; i < count; ++i) this.lowestGain = Math.min(this.lowestGain, gains[i]);
    this.frame += count;
    if (this.frame >= this.timeline.frames) this.playing = false;
    if (++this.blocks % kReportBlocks === 0 || !this.playing) {
      this.port.postMessage({
        type: 'position', frame: this.frame, lowestGain: this.lowestGain, playing: this.playing, controls: this.controlsTaken,
      });
      this.lowestGain = 1;
    }
    return true;
  }
}

registerProcessor('quellmar-preview', PreviewProcessor);
