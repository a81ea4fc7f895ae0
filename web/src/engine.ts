// The ducking engine of quellmar.wasm (or quellmar-relaxed.wasm) for pages and Node: typed
// instances over the module's exports. The module imports nothing (no WASI call is ever made), so
// any WebAssembly host loads it.
// Sample buffers live in the module's memory; the views handed out are made anew after the memory
// grows, which only creating instances can cause.

import { ControlId } from './control-ids.js';

export { ControlId };

interface Exports {
  memory: WebAssembly.Memory;
  _initialize(): void;
  qm_create(sampleRateHz: number, maxBlockFrames: number): number;
  qm_destroy(instance: number): void;
  qm_set_control(instance: number, id: number, value: number): number;
  qm_control(instance: number, id: number): number;
  qm_max_block_frames(instance: number): number;
  qm_audio(instance: number, channel: number): number;
  qm_key(instance: number, channel: number): number;
  qm_factors(instance: number): number;
  qm_process(instance: number, frames: number): number;
  qm_latency_frames(instance: number): number;
  qm_kernels_name(): number;
  qm_limiter_create(sampleRateHz: number, ceilingDb: number, maxBlockFrames: number): number;
  qm_limiter_destroy(limiter: number): void;
  qm_limiter_audio(limiter: number, channel: number): number;
  qm_limiter_max_block_frames(limiter: number): number;
  qm_limiter_latency_frames(limiter: number): number;
  qm_limiter_process(limiter: number, frames: number): void;
  qm_limiter_flush(limiter: number): void;
  qm_limiter_deepest_reduction_db(limiter: number): number;
  qm_loudness_create(sampleRateHz: number, channels: number, maxBlockFrames: number): number;
  qm_loudness_destroy(meter: number): void;
  qm_loudness_audio(meter: number, channel: number): number;
  qm_loudness_max_block_frames(meter: number): number;
  qm_loudness_add(meter: number, frames: number): void;
  qm_loudness_integrated_lufs(meter: number): number;
  qm_loudness_reset(meter: number): void;
  qm_quantizer_create(dither: number, maxBlockFrames: number): number;
  qm_quantizer_destroy(quantizer: number): void;
  qm_quantizer_audio(quantizer: number, channel: number): number;
  qm_quantizer_samples(quantizer: number): number;
  qm_quantizer_max_block_frames(quantizer: number): number;
  qm_quantizer_process(quantizer: number, frames: number): void;
  qm_bytes_create(bytes: number): number;
  qm_bytes_destroy(bytes: number): void;
  qm_mp3_join(first: number, second: number, sizes: number, firstCount: number, secondCount: number, earliest: number,
    firstWhole: number): number;
  qm_control_count(): number;
  qm_control_minimum(id: number): number;
  qm_control_maximum(id: number): number;
  qm_control_default(id: number): number;
}

// A control's range and default in user units, from the engine's control table.
export interface ControlRange {
  minimum: number;
  maximum: number;
  defaultValue: number;
}

// A stereo pair of views into the module's memory.
export type Stereo = [Float32Array, Float32Array];

// One ducker: fill audio() and key() with up to maxBlockFrames frames, call process(), read the
// ducked audio back from audio() and each frame's gain from factors().
export class Ducker {
  readonly maxBlockFrames: number;

  constructor(private readonly exports: Exports, private handle: number) {
    this.maxBlockFrames = exports.qm_max_block_frames(handle);
  }

  // Sets a control, limited to its range; returns the value taken.
  setControl(id: ControlId, value: number): number {
    return this.exports.qm_set_control(this.live(), id, value);
  }

  control(id: ControlId): number {
    return this.exports.qm_control(this.live(), id);
  }

  audio(): Stereo {
    return [this.view(this.exports.qm_audio(this.live(), 0)), this.view(this.exports.qm_audio(this.live(), 1))];
  }

  key(): Stereo {
    return [this.view(this.exports.qm_key(this.live(), 0)), this.view(this.exports.qm_key(this.live(), 1))];
  }

  // The factor applied to each frame of the last block: the gain (duck) or one minus it (key).
  factors(): Float32Array {
    return this.view(this.exports.qm_factors(this.live()));
  }

  // Ducks the first `frames` frames in place; returns the last frame's factor.
  process(frames: number): number {
    return this.exports.qm_process(this.live(), frames);
  }

  // Frames the audio comes out behind its key (the look-ahead).
  latencyFrames(): number {
    return this.exports.qm_latency_frames(this.live());
  }

  dispose(): void {
    if (this.handle !== 0) this.exports.qm_destroy(this.handle);
    this.handle = 0;
  }

  private live(): number {
    if (this.handle === 0) throw new Error('quellmar: the ducker was disposed');
    return this.handle;
  }

  private view(address: number): Float32Array {
    return new Float32Array(this.exports.memory.buffer, address, this.maxBlockFrames);
  }
}

// The finished episode's true-peak limiter (5 ms attack, 150 ms release), latencyFrames() behind.
export class Limiter {
  readonly maxBlockFrames: number;
  readonly latencyFrames: number;

  constructor(private readonly exports: Exports, private handle: number) {
    this.maxBlockFrames = exports.qm_limiter_max_block_frames(handle);
    this.latencyFrames = exports.qm_limiter_latency_frames(handle);
  }

  audio(): Stereo {
    const memory = this.exports.memory.buffer;
    const at = (channel: number) => this.exports.qm_limiter_audio(this.live(), channel);
    return [new Float32Array(memory, at(0), this.maxBlockFrames), new Float32Array(memory, at(1), this.maxBlockFrames)];
  }

  process(frames: number): void {
    this.exports.qm_limiter_process(this.live(), frames);
  }

  // Writes the last latencyFrames frames to the start of audio().
  flush(): void {
    this.exports.qm_limiter_flush(this.live());
  }

  deepestReductionDb(): number {
    return this.exports.qm_limiter_deepest_reduction_db(this.live());
  }

  dispose(): void {
    if (this.handle !== 0) this.exports.qm_limiter_destroy(this.handle);
    this.handle = 0;
  }

  private live(): number {
    if (this.handle === 0) throw new Error('quellmar: the limiter was disposed');
    return this.handle;
  }
}

// 16-bit rounding with quellmar-duck's TPDF dither (its generator, seed and order: left then right
// in each frame), so that the page's 16-bit WAV holds the tool's samples.
export class Quantizer16 {
  readonly maxBlockFrames: number;

  constructor(private readonly exports: Exports, private handle: number) {
    this.maxBlockFrames = exports.qm_quantizer_max_block_frames(handle);
  }

  // Rounds the channels into `interleaved` (2 values a frame), continuing the dither's sequence.
  convert([left, right]: Stereo, interleaved: Int16Array): void {
    const handle = this.live();
    const memory = this.exports.memory.buffer;
    const audio = [0, 1].map((c) => new Float32Array(memory, this.exports.qm_quantizer_audio(handle, c), this.maxBlockFrames));
    const samples = new Int16Array(memory, this.exports.qm_quantizer_samples(handle), 2 * this.maxBlockFrames);
    for (let at = 0; at < left.length; at += this.maxBlockFrames) {
      const frames = Math.min(this.maxBlockFrames, left.length - at);
      audio[0].set(left.subarray(at, at + frames));
      audio[1].set(right.subarray(at, at + frames));
      this.exports.qm_quantizer_process(handle, frames);
      interleaved.set(samples.subarray(0, 2 * frames), 2 * at);
    }
  }

  dispose(): void {
    if (this.handle !== 0) this.exports.qm_quantizer_destroy(this.handle);
    this.handle = 0;
  }

  private live(): number {
    if (this.handle === 0) throw new Error('quellmar: the quantizer was disposed');
    return this.handle;
  }
}

// The engine's integrated loudness meter (BS.1770-4, gated): fill audio() with up to
// maxBlockFrames frames, add() them, read integratedLufs() at the end.
export class LoudnessMeter {
  readonly maxBlockFrames: number;

  constructor(private readonly exports: Exports, private handle: number) {
    this.maxBlockFrames = exports.qm_loudness_max_block_frames(handle);
  }

  audio(): Stereo {
    const memory = this.exports.memory.buffer;
    const at = (channel: number) => this.exports.qm_loudness_audio(this.live(), channel);
    return [new Float32Array(memory, at(0), this.maxBlockFrames), new Float32Array(memory, at(1), this.maxBlockFrames)];
  }

  add(frames: number): void {
    this.exports.qm_loudness_add(this.live(), frames);
  }

  // Adds whole channels (any length) block by block.
  addChannels(left: Float32Array, right: Float32Array): void {
    for (let at = 0; at < left.length; at += this.maxBlockFrames) {
      const end = Math.min(at + this.maxBlockFrames, left.length);
      const [l, r] = this.audio();
      l.set(left.subarray(at, end));
      r.set(right.subarray(at, end));
      this.add(end - at);
    }
  }

  // LUFS; -Infinity when nothing passed the gates.
  integratedLufs(): number {
    return this.exports.qm_loudness_integrated_lufs(this.live());
  }

  reset(): void {
    this.exports.qm_loudness_reset(this.live());
  }

  dispose(): void {
    if (this.handle !== 0) this.exports.qm_loudness_destroy(this.handle);
    this.handle = 0;
  }

  private live(): number {
    if (this.handle === 0) throw new Error('quellmar: the loudness meter was disposed');
    return this.handle;
  }
}

// A module of one function made of relaxed SIMD's f64x2.relaxed_madd: whether the engine runs it.
const kRelaxedSimdProbe = new Uint8Array([
  0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00, // magic and version
  0x01, 0x08, 0x01, 0x60, 0x03, 0x7b, 0x7b, 0x7b, 0x01, 0x7b, // a type: (v128, v128, v128) -> v128
  0x03, 0x02, 0x01, 0x00, // a function of that type
  0x0a, 0x0d, 0x01, 0x0b, 0x00, 0x20, 0x00, 0x20, 0x01, 0x20, 0x02, 0xfd, 0x87, 0x02, 0x0b, // its code
]);

// The module file to load beside engine.js: the one whose ducker fuses its multiply-adds where
// the engine runs relaxed SIMD (about a fifth faster), else the one for any engine with SIMD.
export function moduleFileName(): string {
  return WebAssembly.validate(kRelaxedSimdProbe) ? 'quellmar-relaxed.wasm' : 'quellmar.wasm';
}

export class QuellmarModule {
  private constructor(private readonly exports: Exports) {}

  // Instantiates a module file (see moduleFileName) from its bytes or as compiled.
  static async load(source: BufferSource | WebAssembly.Module): Promise<QuellmarModule> {
    const instance =
      source instanceof WebAssembly.Module
        ? await WebAssembly.instantiate(source, {})
        : (await WebAssembly.instantiate(source, {})).instance;
    const exports = instance.exports as unknown as Exports;
    exports._initialize();
    return new QuellmarModule(exports);
  }

  // The vector instruction set the engine runs on ("wasm-simd128" or "wasm-relaxed-simd").
  get kernels(): string {
    const start = this.exports.qm_kernels_name();
    const bytes = new Uint8Array(this.exports.memory.buffer, start);
    return new TextDecoder().decode(bytes.subarray(0, bytes.indexOf(0)));
  }

  createDucker(sampleRateHz: number, maxBlockFrames: number): Ducker {
    const handle = this.exports.qm_create(sampleRateHz, maxBlockFrames);
    if (handle === 0) throw new Error(`quellmar: no ducker at ${sampleRateHz} Hz for ${maxBlockFrames} frames`);
    return new Ducker(this.exports, handle);
  }

  createLoudnessMeter(sampleRateHz: number, channels: number, maxBlockFrames: number): LoudnessMeter {
    const handle = this.exports.qm_loudness_create(sampleRateHz, channels, maxBlockFrames);
    if (handle === 0) throw new Error(`quellmar: no loudness meter at ${sampleRateHz} Hz for ${channels} channels`);
    return new LoudnessMeter(this.exports, handle);
  }

  // The range and default of control `id` in user units.
  controlRange(id: ControlId): ControlRange {
    return {
      minimum: this.exports.qm_control_minimum(id),
      maximum: this.exports.qm_control_maximum(id),
      defaultValue: this.exports.qm_control_default(id),
    };
  }

  createQuantizer16(dither: boolean, maxBlockFrames: number): Quantizer16 {
    const handle = this.exports.qm_quantizer_create(dither ? 1 : 0, maxBlockFrames);
    if (handle === 0) throw new Error(`quellmar: no quantizer for ${maxBlockFrames} frames`);
    return new Quantizer16(this.exports, handle);
  }

  createLimiter(sampleRateHz: number, ceilingDb: number, maxBlockFrames: number): Limiter {
    const handle = this.exports.qm_limiter_create(sampleRateHz, ceilingDb, maxBlockFrames);
    if (handle === 0) throw new Error(`quellmar: no limiter at ${sampleRateHz} Hz and ${ceilingDb} dBTP`);
    return new Limiter(this.exports, handle);
  }

  // Joins two MP3 streams encoded side by side from different starts, as the file tool does:
  // frame i of `first` and of `second` encode the same stretch; first's frames from `firstWhole` on
  // are partly its encoder's flush and no join. Chooses the first join j from `earliest` on that
  // can be made and rewrites the frames in place; the file then goes on with first's frames
  // before j and second's from j. -1 where none can be made (nothing changed).
  joinMp3(first: Uint8Array[], second: Uint8Array[], earliest: number, firstWhole: number): number {
    const frames = [...first, ...second];
    const bytes = frames.reduce((sum, frame) => sum + frame.length, 0);
    const start = this.exports.qm_bytes_create(bytes + 4 * frames.length);
    if (start === 0) return -1;
    // The sizes first, where they are aligned, then the frames. Views are taken afresh after the
    // join: the module's memory may grow while it joins, which leaves older views empty.
    const framesAt = start + 4 * frames.length;
    const framesView = () => new Uint8Array(this.exports.memory.buffer, framesAt, bytes);
    try {
      const sizes = new Int32Array(this.exports.memory.buffer, start, frames.length);
      const memory = framesView();
      let at = 0;
      frames.forEach((frame, i) => {
        memory.set(frame, at);
        sizes[i] = frame.length;
        at += frame.length;
      });
      const firstBytes = first.reduce((sum, frame) => sum + frame.length, 0);
      const join = this.exports.qm_mp3_join(framesAt, framesAt + firstBytes, start, first.length,
        second.length, earliest, firstWhole);
      if (join >= 0) {
        const joined = framesView();
        at = 0;
        for (const frame of frames) {
          frame.set(joined.subarray(at, at + frame.length));
          at += frame.length;
        }
      }
      return join;
    } finally {
      this.exports.qm_bytes_destroy(start);
    }
  }
}
