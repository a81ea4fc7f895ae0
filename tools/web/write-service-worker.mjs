// Writes the page's service worker from its template: the files it keeps for offline use (every
// file of the page's folder but type declarations, the service worker itself and what is fetched
// only when asked for, in mp3/) and a version from their contents.
//   node tools/web/write-service-worker.mjs TEMPLATE DIST_WEB
import { createHash } from 'node:crypto';
import { readFileSync, readdirSync, statSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const [template, dist] = process.argv.slice(2);
if (!dist) {
  console.error('usage: write-service-worker.mjs TEMPLATE DIST_WEB');
  process.exit(2);
}
const files = readdirSync(dist)
  .filter((name) => statSync(join(dist, name)).isFile() && !name.endsWith('.d.ts') && name !== 'sw.js')
  .sort();
const hash = createHash('sha256');
for (const name of files) hash.update(name).update(readFileSync(join(dist, name)));
const text = readFileSync(template, 'utf8')
  .replace('@VERSION@', hash.digest('hex').slice(0, 16))
  .replace('@FILES@', JSON.stringify(['./', ...files]));
writeFileSync(join(dist, 'sw.js'), text);
