// SPDX-License-Identifier: MIT
// Keeps every file of the page, so that after one visit it opens without a network.
// The build fills in a hash of the files and their list. A cache is named for this
// copy's scope too, so that other copies of the page on the same host (another
// path) and other apps there keep theirs.
const scope = self.registration.scope;
const prefix = `qzb:${scope}:`;
const cacheName = `${prefix}__BUILD__`;
const files = __FILES__;

// Past the browser's HTTP cache, which may still hold the previous build under the same names.
self.addEventListener('install', (event) => {
  const requests = files.map((file) => new Request(file, { cache: 'reload' }));
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(requests)).then(() => self.skipWaiting()));
});

// This copy's older caches: those under its prefix, and those of builds before it had one
// ("qzb-" and a hash) that hold its page.
async function older(name) {
  if (name.startsWith(prefix)) return name !== cacheName;
  return /^qzb-[0-9a-f]{16}$/.test(name) && (await (await caches.open(name)).match(scope)) !== undefined;
}

self.addEventListener('activate', (event) => {
  event.waitUntil(
    caches
      .keys()
      .then((names) => Promise.all(names.map(async (name) => (await older(name)) && caches.delete(name))))
      .then(() => self.clients.claim()),
  );
});

// Cache first: the files of one build never change under its cache name.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(
    caches.match(event.request, { cacheName, ignoreSearch: true }).then((hit) => hit ?? fetch(event.request)),
  );
});
