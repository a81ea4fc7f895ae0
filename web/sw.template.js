// Keeps the page's files for offline use: all of them cached at install, served from the cache
// first. tools/web/write-service-worker.mjs fills in the list and a version made from the files'
// contents, so that a changed page installs anew and replaces the old files.
const kCache = 'quellmar-page-@VERSION@';
const kFiles = @FILES@;

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
