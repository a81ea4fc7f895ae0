// What the Node loader uses of Node's own modules (the page's build has no Node types).
declare module 'node:fs/promises' {
  export function readFile(path: string): Promise<Uint8Array>;
}
declare module 'node:path' {
  export function join(...parts: string[]): string;
}
declare module 'node:v8' {
  export function setFlagsFromString(flags: string): void;
}
