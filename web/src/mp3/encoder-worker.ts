// One MP3 encoder off the page's thread: LAME as WebAssembly (npm's wasm-media-encoders, beside
// this script), so that the page encodes two stretches of a long episode side by side. Messages
// in, handled in order: { rateHz, bitrateKbps } once, then { audio: [left, right] } blocks, then
// { end: true }. Messages out: { encoded } for each block, { ended } with the stream's last bytes,
// or { failed } with what went wrong.

interface LameEncoder {
  configure(params: { sampleRate: number; channels: 1 | 2; bitrate?: number }): void;
  encode(samples: readonly Float32Array[]): Uint8Array;
  finalize(): Uint8Array;
}

declare function importScripts(...urls: string[]): void;
declare const WasmMediaEncoder: { createEncoder(mimeType: 'audio/mpeg', wasm: string): Promise<LameEncoder> };

interface EncoderScope {
  onmessage: ((event: MessageEvent) => void) | null;
  postMessage(message: unknown, transfer?: Transferable[]): void;
}

{
  const scope = self as unknown as EncoderScope;
  let encoder: LameEncoder | null = null;
  let failed = false;
  let handled = Promise.resolve();
  // The encoder hands out a view of its own memory: copied before its next call.
  const send = (key: 'encoded' | 'ended', bytes: Uint8Array) => {
    const copy = bytes.slice();
    scope.postMessage({ [key]: copy }, [copy.buffer]);
  };
  const handle = async (message: { rateHz?: number; bitrateKbps?: number; audio?: [Float32Array, Float32Array]; end?: boolean }) => {
    if (failed) return;
    if (message.rateHz !== undefined) {
      importScripts('WasmMediaEncoder.min.js');
      encoder = await WasmMediaEncoder.createEncoder('audio/mpeg', 'mp3.wasm');
      encoder.configure({ sampleRate: message.rateHz, channels: 2, bitrate: message.bitrateKbps });
    } else if (!encoder) {
      throw new Error('no encoder');
    } else if (message.audio) {
      send('encoded', encoder.encode(message.audio));
    } else if (message.end) {
      send('ended', encoder.finalize());
    }
  };
  scope.onmessage = (event) => {
    handled = handled.then(() => handle(event.data)).catch((error: unknown) => {
      failed = true;
      scope.postMessage({ failed: error instanceof Error ? error.message : String(error) });
    });
  };
}
