// The engine in Node: the module file it runs fastest, read from the page's folder and loaded.
// Node 20 runs relaxed SIMD (a finished standard, which Node 22 runs by default) only behind V8's
// --experimental-wasm-relaxed-simd. V8 reads the flag when it validates or compiles a module, so
// where it is missing it is set here, before either: the relaxed module's fused multiply-adds are
// about a fifth faster than the plain module's.

import { readFile } from 'node:fs/promises';
import { join } from 'node:path';
import { setFlagsFromString } from 'node:v8';

import { QuellmarModule, moduleFileName } from '../engine.js';

// Whether this Node runs relaxed SIMD, once asked to where it does not by default.
export function relaxedSimdInNode(): boolean {
  if (moduleFileName() !== 'quellmar-relaxed.wasm') setFlagsFromString('--experimental-wasm-relaxed-simd');
  return moduleFileName() === 'quellmar-relaxed.wasm';
}

// The engine from `folder` (the page's: dist/web), in the module file this Node runs fastest.
export async function loadInNode(folder: string): Promise<QuellmarModule> {
  relaxedSimdInNode();
  return QuellmarModule.load(await readFile(join(folder, moduleFileName())));
}
