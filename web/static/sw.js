// Keeps the page's files for offline use: all of them cached at install, served from the cache
// first. The cache's name changes with the list, so a new page replaces the old files.
const kCache = 'quellmar-page-v1';
const kFiles = ['./', 'index.html', 'style.css', 'page.js', 'engine.js', 'audio-files.js', 'episode.js', 'presets.js',
  'wav.js', 'quantizer.js', 'mp3.js', 'waveform.js', 'controls.js', 'worklet.js', 'quellmar.wasm', 'presets.json', 'manifest.webmanifest', 'icon.svg'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(kCache).then((cache) => cache.addAll(kFiles)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name !== kCache).map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// What is fetched later (the MP3 encoder, when asked for) is kept once it came.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.match(event.request).then((hit) => hit ?? fetch(event.request).then((response) => {
    if (response.ok) {
      const copy = response.clone();
      event.waitUntil(caches.open(kCache).then((cache) => cache.put(event.request, copy)));
    }
    return response;
  })));
});
