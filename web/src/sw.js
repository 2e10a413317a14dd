// Tessary's service worker: keeps the site's own files for offline use. A new build changes
// this file (its build id), so the browser installs the new worker beside the old one; the
// page offers to reload, and the new worker takes over when the page asks.
'use strict';
const BUILD = '@BUILD@';
const CACHE = 'tessary-' + BUILD;
const FILES = [@FILES@];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(
    names.filter((name) => name.startsWith('tessary-') && name !== CACHE)
         .map((name) => caches.delete(name)))).then(() => self.clients.claim()));
});

self.addEventListener('message', (event) => {
  if (event.data === 'take-over') self.skipWaiting();
});

// The site's files from the cache, or else from the site; nothing else is ever fetched.
self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith(caches.open(CACHE).then((cache) =>
    cache.match(event.request, { ignoreSearch: true }).then((hit) => hit || fetch(event.request))));
});
