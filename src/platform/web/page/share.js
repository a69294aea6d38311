// A model shared by link: the address's fragment holds "model=" and the model file's bytes,
// compressed (deflate-raw) and in base64url, and "name=" its name.
(() => {
'use strict';

const page = window.vxPage;
const largestLink = 32 * 1024;  // compressed bytes
const linkFile = '/tmp/link.vx';

async function through(stream, bytes) {
  const output = new Blob([bytes]).stream().pipeThrough(stream);
  return new Uint8Array(await new Response(output).arrayBuffer());
}

function toBase64Url(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

function fromBase64Url(text) {
  if (!/^[A-Za-z0-9_-]*$/.test(text)) throw new Error('not base64url');
  const binary = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
  return Uint8Array.from(binary, (c) => c.charCodeAt(0));
}

// A name from a link is a plain file name in the folder, never a path.
function safeName(name) {
  const plain = (name || '').replace(/[/\\]/g, '').replace(/^\.+/, '').trim();
  return plain || 'shared.vx';
}

function say(text) {
  document.getElementById('link-message').textContent = text;
}

async function makeLink(bytes) {
  const packed = await through(new CompressionStream('deflate-raw'), bytes);
  if (packed.length > largestLink) {
    say('too large for a link: use Download');
    return;
  }
  const fragment = `model=${toBase64Url(packed)}&name=${encodeURIComponent(page.modelName || 'shared.vx')}`;
  history.replaceState(null, '', `#${fragment}`);
  try {
    await navigator.clipboard.writeText(location.href);
    say('Link copied.');
  } catch (error) {
    say('The link is in the address bar: copy it from there.');
  }
}

// The editor wrote the model where the page asked (written false: it could not).
page.linkReady = (path, written) => {
  const FS = page.Module.FS;
  if (!written) {
    say('The model could not be written for a link.');
    return;
  }
  const bytes = FS.readFile(path);
  FS.unlink(path);
  makeLink(bytes).catch((error) => say(`No link: ${error.message}`));
};

page.copyLink = () => page.ask({ kind: 'link', path: linkFile });

// A shared model in the address opens as unsaved work; the fragment is then taken away, so a
// reload offers the recovery copy instead of opening the link again over later edits.
page.openSharedModel = async () => {
  const fields = new URLSearchParams(location.hash.slice(1));
  if (!fields.has('model')) return;
  history.replaceState(null, '', location.pathname + location.search);
  try {
    const bytes = await through(new DecompressionStream('deflate-raw'), fromBase64Url(fields.get('model')));
    page.openBytes(bytes, safeName(fields.get('name')), 'shared');
  } catch (error) {
    say('The shared link is damaged: its model could not be read.');
  }
};
})();
