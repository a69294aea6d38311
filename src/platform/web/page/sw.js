// The page's offline copy: every file of the site is cached on the first load, and a reload
// without the network starts the editor from the cache. Each build has a cache of its own, so
// a new build's files replace the old at the next load.
'use strict';

const version = '@SITE_VERSION@';
const cacheName = `vxedit-${version}`;
const siteFiles = ['./', 'index.html', 'files.js', 'panel.js', 'entry.js', 'focus.js', 'touch.js', 'keybar.js', 'magnifier.js', 'share.js', 'page.js',
  'vxedit.js', 'vxedit.wasm', 'favicon.svg', 'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

// Every request of the worker asks the server again ("no-cache"): the browser's own cache would
// answer from a copy it takes for fresh, as a server that names no lifetime leaves it to guess
// one, and a new build would then show only a minute or more later.
const revalidated = (request) => new Request(request, { cache: 'no-cache' });

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(siteFiles.map(revalidated)))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  const oldCaches = caches.keys().then((names) => names.filter((name) => name.startsWith('vxedit-') && name !== cacheName));
  event.waitUntil(oldCaches.then((names) => Promise.all(names.map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

// What the worker hands the page says it must be asked for again each time: the page's own
// memory would otherwise keep a script it takes for fresh across loads, and never ask.
function withoutLifetime(response) {
  if (response.type !== 'basic') return response;
  const headers = new Headers(response.headers);
  headers.set('Cache-Control', 'no-cache');
  return new Response(response.body, { status: response.status, statusText: response.statusText, headers });
}

// The network first, so that a new build shows at once; the cache when there is no network. A
// page's own load (a navigation) cannot be copied with other options, so it is asked for anew
// by its address.
function fromNetwork(request) {
  const fetching = request.mode === 'navigate'
    ? fetch(request.url, { cache: 'no-cache', credentials: 'same-origin' }) : fetch(revalidated(request));
  return fetching.then(withoutLifetime);
}

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(fromNetwork(request).catch(() =>
    caches.open(cacheName).then((cache) => cache.match(request, { ignoreSearch: true }))
      .then((found) => found || Response.error())));
});
