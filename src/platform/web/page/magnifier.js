// On a screen too small for the picture's own size, a loupe above the finger while it is down:
// the picture around the point the touch lands on, enlarged, with that pixel marked, so a
// one-pixel marker can be hit and the finger never hides where it lands.
(() => {
'use strict';

const page = window.vxPage;
const size = 132;        // CSS pixels across the loupe
const shown = 33;        // editor pixels across it: four CSS pixels each
const above = 48;        // CSS pixels between the finger and the loupe's lower edge
const loupe = document.createElement('canvas');
let at = null;           // the finger's place (client pixels) while it is down
let frame = 0;

function pixelUnder(point) {
  const rect = page.canvas.getBoundingClientRect();
  return {
    x: Math.floor(((point.x - rect.left) * page.canvas.width) / rect.width),
    y: Math.floor(((point.y - rect.top) * page.canvas.height) / rect.height),
  };
}

function place() {
  const top = Math.max(0, at.y - above - size);
  const left = Math.min(Math.max(0, at.x - size / 2), document.documentElement.clientWidth - size);
  loupe.style.left = `${left + window.scrollX}px`;
  loupe.style.top = `${top + window.scrollY}px`;
}

// Draws the picture around the touched pixel, and goes on drawing at every frame the browser
// shows while the finger is down, as the editor's answer to the touch changes the picture.
function draw() {
  frame = 0;
  if (!at) return;
  const context = loupe.getContext('2d');
  const pixel = pixelUnder(at);
  const half = Math.floor(shown / 2);
  context.imageSmoothingEnabled = false;
  context.fillStyle = '#000';
  context.fillRect(0, 0, loupe.width, loupe.height);
  const scale = loupe.width / shown;
  context.drawImage(page.canvas, pixel.x - half, pixel.y - half, shown, shown, 0, 0, loupe.width, loupe.height);
  context.strokeStyle = '#f0c040';
  context.lineWidth = Math.max(1, scale / 4);
  context.strokeRect(half * scale, half * scale, scale, scale);
  place();
  frame = requestAnimationFrame(draw);
}

// The finger went down or moved (a point), or lifted (null).
page.magnify = (point) => {
  const small = page.canvas.getBoundingClientRect().width < page.canvas.width;
  at = small ? point : null;
  loupe.hidden = !at;
  if (at && !frame) draw();
  if (!at && frame) {
    cancelAnimationFrame(frame);
    frame = 0;
  }
};

page.startMagnifier = () => {
  loupe.id = 'loupe';
  loupe.hidden = true;
  loupe.width = loupe.height = size * Math.max(1, Math.round(window.devicePixelRatio || 1));
  loupe.style.width = loupe.style.height = `${size}px`;
  loupe.setAttribute('aria-hidden', 'true');
  document.body.append(loupe);
};
})();
