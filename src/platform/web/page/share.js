// A model shared by link: the address's fragment holds "model=" and the model file's bytes,
// compressed (deflate-raw) and in base64url, and "name=" its name.
(() => {
'use strict';

const page = window.vxPage;
const largestLink = 32 * 1024;  // compressed bytes
// Past this a link is refused unread: the largest model the editor can hold is under 250 KB,
// and deflate never makes its input much larger.
const largestModel = 256 * 1024;
const largestFragment = Math.ceil((largestModel * 4) / 3) + 4096;
const longestName = 255;  // bytes of UTF-8, as the usual file systems allow
const linkFile = '/tmp/link.vx';
const signature = [0x56, 0x54, 0x58, 0x46];  // "VTXF", how every model file begins

class Refused extends Error {}

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

// Inflates at most `cap` bytes: a link that would give more is refused as soon as it passes
// the cap, so a small link cannot make the page fill its memory.
async function inflateAtMost(bytes, cap) {
  const reader = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate-raw')).getReader();
  const parts = [];
  let length = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    length += value.length;
    if (length > cap) {
      reader.cancel().catch(() => {});
      throw new Refused(`The shared link is refused: its model would be over ${cap / 1024} KB, larger than any model.`);
    }
    parts.push(value);
  }
  const whole = new Uint8Array(length);
  let at = 0;
  for (const part of parts) {
    whole.set(part, at);
    at += part.length;
  }
  return whole;
}

function isModel(bytes) {
  return signature.every((byte, i) => bytes[i] === byte);
}

function nameBytes(name) {
  return new TextEncoder().encode(name).length;
}

// A name from a link is a plain file name in the folder, never a path.
function safeName(name) {
  const plain = (name || '').replace(/[/\\]/g, '').replace(/^\.+/, '').trim();
  if (nameBytes(plain) > longestName) {
    throw new Refused(`The shared link is refused: its name is longer than ${longestName} bytes.`);
  }
  return plain || 'shared.vx';
}

async function sharedModel(fields) {
  const text = fields.get('model');
  if (text.length > largestFragment) throw new Refused('The shared link is refused: it is longer than any model\'s link.');
  const name = safeName(fields.get('name'));
  let bytes;
  try {
    bytes = await inflateAtMost(fromBase64Url(text), largestModel);
  } catch (error) {
    if (error instanceof Refused) throw error;
    throw new Refused('The shared link is damaged: its model could not be read.');
  }
  if (!isModel(bytes)) throw new Refused('The shared link is refused: what it holds is not a model.');
  return { bytes, name };
}

function say(text) {
  document.getElementById('link-message').textContent = text;
  document.body.dataset.linkSaidMs = String(Math.round(performance.now()));  // for scripts
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
    const { bytes, name } = await sharedModel(fields);
    page.openBytes(bytes, name, 'shared');
  } catch (error) {
    say(error instanceof Refused ? error.message : `The shared link could not be opened: ${error.message}`);
  }
};
})();
