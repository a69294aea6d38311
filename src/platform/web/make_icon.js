// Draws the page's SVG icon as a square PNG of the given size: node make_icon.js SVG SIZE OUT
// The icon is kept simple on purpose: filled rectangles and stroked paths of straight segments
// (M, L, H, V and z, absolute or relative), which is all this reads.
'use strict';
const fs = require('node:fs');
const zlib = require('node:zlib');

const [svgPath, sizeText, outPath] = process.argv.slice(2);
const size = Number(sizeText);
const svg = fs.readFileSync(svgPath, 'utf8');
const attribute = (tag, name, fallback) => (new RegExp(`\\s${name}="([^"]*)"`).exec(tag) || [])[1] ?? fallback;
const viewBox = attribute(/<svg[^>]*>/.exec(svg)[0], 'viewBox', `0 0 ${size} ${size}`).split(/[\s,]+/).map(Number);

function colour(text) {
  if (!text || text === 'none') return null;
  const hex = text.replace('#', '');
  const full = hex.length === 3 ? [...hex].map((c) => c + c).join('') : hex;
  return [0, 2, 4].map((i) => parseInt(full.slice(i, i + 2), 16));
}

// A path's segments, from its d attribute.
function segments(d) {
  const out = [];
  const tokens = d.match(/[MLHVZmlhvz]|-?[\d.]+(?:e-?\d+)?/g);
  let command = 'M';
  let [x, y, startX, startY] = [0, 0, 0, 0];
  for (let i = 0; i < tokens.length;) {
    if (/[A-Za-z]/.test(tokens[i])) command = tokens[i++];
    const relative = command === command.toLowerCase();
    const upper = command.toUpperCase();
    if (upper === 'Z') {
      out.push([x, y, startX, startY]);
      [x, y] = [startX, startY];
      continue;
    }
    const next = () => Number(tokens[i++]);
    let [nx, ny] = [x, y];
    if (upper === 'H') nx = next() + (relative ? x : 0);
    else if (upper === 'V') ny = next() + (relative ? y : 0);
    else [nx, ny] = [next() + (relative ? x : 0), next() + (relative ? y : 0)];
    if (upper === 'M') {
      [startX, startY] = [nx, ny];
      command = relative ? 'l' : 'L';  // further pairs after a move are lines
    } else {
      out.push([x, y, nx, ny]);
    }
    [x, y] = [nx, ny];
  }
  return out;
}

function distanceToSegment(px, py, [ax, ay, bx, by]) {
  const [dx, dy] = [bx - ax, by - ay];
  const length = dx * dx + dy * dy;
  const t = length ? Math.max(0, Math.min(1, ((px - ax) * dx + (py - ay) * dy) / length)) : 0;
  return Math.hypot(px - ax - t * dx, py - ay - t * dy);
}

const shapes = [];
for (const tag of svg.match(/<(rect|path)\b[^>]*>/g) || []) {
  if (tag.startsWith('<rect')) {
    const [x, y, w, h] = ['x', 'y', 'width', 'height'].map((name) => Number(attribute(tag, name, '0')));
    const fill = colour(attribute(tag, 'fill', '#000'));
    if (fill) shapes.push({ colour: fill, covers: (px, py) => px >= x && px < x + w && py >= y && py < y + h });
  } else {
    const stroke = colour(attribute(tag, 'stroke', 'none'));
    const half = Number(attribute(tag, 'stroke-width', '1')) / 2;
    const lines = segments(attribute(tag, 'd', ''));
    if (stroke) shapes.push({ colour: stroke, covers: (px, py) => lines.some((s) => distanceToSegment(px, py, s) <= half) });
  }
}

// Four by four samples a pixel, the last shape covering a sample giving its colour.
const samples = 4;
const rows = [];
for (let row = 0; row < size; row++) {
  const line = Buffer.alloc(1 + size * 3);  // filter byte 0, then red, green, blue
  for (let column = 0; column < size; column++) {
    const sum = [0, 0, 0];
    for (let s = 0; s < samples * samples; s++) {
      const px = viewBox[0] + ((column + ((s % samples) + 0.5) / samples) * viewBox[2]) / size;
      const py = viewBox[1] + ((row + (Math.floor(s / samples) + 0.5) / samples) * viewBox[3]) / size;
      let found = [0, 0, 0];
      for (const shape of shapes) if (shape.covers(px, py)) found = shape.colour;
      for (let c = 0; c < 3; c++) sum[c] += found[c];
    }
    for (let c = 0; c < 3; c++) line[1 + column * 3 + c] = Math.round(sum[c] / (samples * samples));
  }
  rows.push(line);
}

const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});
function crc32(bytes) {
  let c = 0xffffffff;
  for (const byte of bytes) c = crcTable[(c ^ byte) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}
function chunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length, 0);
  head.write(type, 4, 'latin1');
  const tail = Buffer.alloc(4);
  tail.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), data])), 0);
  return Buffer.concat([head, data, tail]);
}
const header = Buffer.alloc(13);
header.writeUInt32BE(size, 0);
header.writeUInt32BE(size, 4);
header[8] = 8;  // bits per sample
header[9] = 2;  // red, green, blue
fs.writeFileSync(outPath, Buffer.concat([
  Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
  chunk('IHDR', header),
  chunk('IDAT', zlib.deflateSync(Buffer.concat(rows), { level: 9 })),
  chunk('IEND', Buffer.alloc(0)),
]));
