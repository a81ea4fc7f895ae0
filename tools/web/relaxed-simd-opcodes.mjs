// Gives a module built with clang 14's -mrelaxed-simd the standard opcodes of its fused
// multiply-adds. Clang 14 encodes f32x4.fma and f64x2.fma with the relaxed-SIMD proposal's early
// opcodes (0xaf and 0xcf), which browsers no longer take; the standard f32x4.relaxed_madd (0x105)
// and f64x2.relaxed_madd (0x107) compute the same a * b + c and encode in as many bytes. The
// instructions are found through llvm-objdump's listing, so that no immediate or data byte that
// happens to look like one is touched; any other relaxed instruction is refused.
//   node tools/web/relaxed-simd-opcodes.mjs LLVM_OBJDUMP IN.wasm OUT.wasm
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';

const [objdump, input, output] = process.argv.slice(2);
if (!output) {
  console.error('usage: relaxed-simd-opcodes.mjs LLVM_OBJDUMP IN.wasm OUT.wasm');
  process.exit(2);
}
const bytes = readFileSync(input);

function readLeb(at) {
  let value = 0;
  let shift = 0;
  let byte;
  do {
    byte = bytes[at++];
    value += (byte & 0x7f) * 2 ** shift;
    shift += 7;
  } while (byte & 0x80);
  return [value, at];
}

// Where the code section's contents start: llvm-objdump counts its offsets from there.
let codeStart = -1;
for (let at = 8; at < bytes.length;) {
  const id = bytes[at];
  const [size, contents] = readLeb(at + 1);
  if (id === 10) codeStart = contents;
  at = contents + size;
}
if (codeStart < 0) throw new Error(`${input}: no code section`);

// Each instruction: clang 14's second and third byte after the 0xfd prefix, and the standard's.
const rewrites = {
  'f32x4.fma': { from: [0xaf, 0x01], to: [0x85, 0x02] },
  'f64x2.fma': { from: [0xcf, 0x01], to: [0x87, 0x02] },
};
const listing = execFileSync(objdump, ['-d', input], { maxBuffer: 1 << 30 }).toString();
let rewritten = 0;
for (const line of listing.split('\n')) {
  const instruction = /^\s*([0-9a-f]+):\s+fd ((?:[0-9a-f]{2} )+)\s*(\S+)/.exec(line);
  if (!instruction) continue;
  const name = instruction[3];
  if (!/fma|fms|relaxed|laneselect/.test(name)) continue;
  const rewrite = rewrites[name];
  if (!rewrite) throw new Error(`${input}: no standard opcode known for ${name}`);
  const at = codeStart + parseInt(instruction[1], 16);
  if (bytes[at] !== 0xfd || bytes[at + 1] !== rewrite.from[0] || bytes[at + 2] !== rewrite.from[1]) {
    throw new Error(`${input}: ${name} at ${at} is not where the listing puts it`);
  }
  bytes[at + 1] = rewrite.to[0];
  bytes[at + 2] = rewrite.to[1];
  ++rewritten;
}
if (rewritten === 0) throw new Error(`${input}: no fused multiply-add found`);
writeFileSync(output, bytes);
