// SPDX-License-Identifier: MIT
// Keeps every file of the page, so that after one visit it opens without a network.
// The build fills in the cache's name (a hash of the files) and the file list.
const cacheName = '__CACHE_NAME__';
const files = __FILES__;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(files)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
    caches
      .keys()
      .then((names) => Promise.all(names.filter((name) => name !== cacheName).map((name) => caches.delete(name))))
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
