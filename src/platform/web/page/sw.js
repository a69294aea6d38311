// The page's offline copy: every file of the site is cached on the first load, and a reload
// without the network starts the editor from the cache. Each build has a cache of its own, so
// a new build's files replace the old at the next load.
'use strict';

const version = '@SITE_VERSION@';
const cacheName = `vxedit-${version}`;
const siteFiles = ['./', 'index.html', 'files.js', 'panel.js', 'entry.js', 'touch.js', 'share.js', 'page.js',
  'vxedit.js', 'vxedit.wasm', 'favicon.svg', 'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(siteFiles)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  const oldCaches = caches.keys().then((names) => names.filter((name) => name.startsWith('vxedit-') && name !== cacheName));
  event.waitUntil(oldCaches.then((names) => Promise.all(names.map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// The network first, so that a new build shows at once; the cache when there is no network.
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(fetch(request).catch(() =>
    caches.open(cacheName).then((cache) => cache.match(request, { ignoreSearch: true }))
      .then((found) => found || Response.error())));
});
