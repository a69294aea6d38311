// What the browser tests share: the page's server, Debian's Chromium, input as the page gets
// it, and reference pictures of the headless editor for the same input.
'use strict';
const { spawn, execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const assert = require('node:assert');
const puppeteer = require('puppeteer-core');

const site = process.env.VX_SITE;
const referenceTool = process.env.VX_REFERENCE_TOOL;
const width = 800;
const height = 600;

function temporaryFolder(name) {
  return fs.mkdtempSync(path.join(os.tmpdir(), `vxedit-${name}-`));
}

// The README's server, over the built page or another folder.
async function startServer(folder = site) {
  const server = spawn('/usr/bin/python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', folder], {
    stdio: ['ignore', 'pipe', 'ignore'],
  });
  const port = await new Promise((resolve, reject) => {
    let said = '';
    server.stdout.on('data', (chunk) => {
      said += chunk;
      const found = /port (\d+)/.exec(said);
      if (found) resolve(Number(found[1]));
    });
    server.on('exit', (code) => reject(new Error(`the page's server ended with ${code}`)));
  });
  return { url: `http://127.0.0.1:${port}/`, stop: () => server.kill() };
}

async function startBrowser(more = {}) {
  return puppeteer.launch({
    ...more,
    executablePath: '/usr/bin/chromium',
    headless: true,
    userDataDir: temporaryFolder('chromium'),
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
}

// Waits until fn(...args) holds in the page, looking again every 50 ms by the page's timers.
// Puppeteer looks at each animation frame unless told otherwise, and a tab in the background
// draws no frames: such a wait looks once and never again, however soon the change comes.
function waitUntil(page, fn, options = {}, ...args) {
  return page.waitForFunction(fn, { polling: 50, ...options }, ...args);
}

function waitForState(page, state) {
  return waitUntil(page, (wanted) => document.body.dataset.vxedit === wanted, { timeout: 15000 }, state);
}

async function openEditor(browser, url, viewport = { width: 1200, height: 700 }) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  const problems = [];
  page.on('pageerror', (error) => problems.push(String(error)));
  await page.goto(url);
  await waitForState(page, 'running');
  return { page, problems };
}

// Waits until the editor has taken in everything sent so far, acted on it and shown the result:
// it is in an idle wait that began after it had taken in every event queued. Input given
// through DevTools may still be on its way to the page when its command returns; the browser
// hands it over before the next animation frame's callbacks. While a name is typed, the line
// editor polls every 25 ms instead of waiting idle.
async function settle(page) {
  await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0))));
  const cycles = await page.evaluate(() => Module.vxCycles || 0);
  await page.waitForFunction((from) => (Module.vxIdle && Module.vxIdle.taken === (Module.vxQueued || 0) &&
    Module.vxRequests.length === 0) || (!document.getElementById('entry').hidden && Module.vxCycles >= from + 8),
  { timeout: 15000 }, cycles);
}

// The canvas as red, green, blue bytes row by row.
async function canvasPixels(page) {
  const bytes = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    return Array.from(rgba);
  });
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0, o = 0; i < bytes.length; i += 4) {
    rgb[o++] = bytes[i];
    rgb[o++] = bytes[i + 1];
    rgb[o++] = bytes[i + 2];
  }
  return rgb;
}

// The headless editor's picture after the same script; see tests/web/reference_frame.cpp.
function referencePicture(script, folder = temporaryFolder('reference')) {
  const out = path.join(folder, 'frame.rgb');
  execFileSync(referenceTool, [out, script], { cwd: folder });
  return fs.readFileSync(out);
}

// Where two pictures first differ, for the failure message; null when they are equal. A
// difference leaves both pictures (PPM) in a folder the message names.
function firstDifference(actual, expected) {
  const where = firstDifferentPixel(actual, expected);
  if (where === null) return null;
  const folder = temporaryFolder('difference');
  const header = Buffer.from(`P6 ${width} ${height} 255\n`);
  fs.writeFileSync(path.join(folder, 'page.ppm'), Buffer.concat([header, actual]));
  fs.writeFileSync(path.join(folder, 'headless.ppm'), Buffer.concat([header, expected]));
  return `${where} (pictures in ${folder})`;
}

function firstDifferentPixel(actual, expected) {
  for (let i = 0; i < expected.length; i += 3) {
    if (actual[i] !== expected[i] || actual[i + 1] !== expected[i + 1] || actual[i + 2] !== expected[i + 2]) {
      const pixel = i / 3;
      return `pixel (${pixel % width}, ${Math.floor(pixel / width)}) is ${[...actual.subarray(i, i + 3)]}` +
        ` where the headless editor shows ${[...expected.subarray(i, i + 3)]}`;
    }
  }
  return null;
}

const extendedKeyNames = {
  71: 'Home', 72: 'ArrowUp', 75: 'ArrowLeft', 77: 'ArrowRight', 79: 'End', 80: 'ArrowDown', 83: 'Delete',
};
const characterKeyNames = { 8: 'Backspace', 9: 'Tab', 27: 'Escape' };
const codePage437 = { 130: '\u00e9', 156: '\u00a3' };

// A key of another keyboard layout, as its browser reports it: a keydown naming the character.
function typeCharacter(page, character) {
  return page.evaluate((key) => document.dispatchEvent(new KeyboardEvent('keydown', { key, bubbles: true, cancelable: true })), character);
}

// Sends one step of a reference script to the page. Mouse events of one step are dispatched
// together, so they reach the editor between the same two polls as in the headless run.
async function sendStep(page, step) {
  const mouse = [];
  for (const event of step.split(', ')) {
    const [verb, ...rest] = event.split(' ');
    if (verb === 'key') await page.keyboard.type(event.slice(4));
    else if (verb === 'enter') await page.keyboard.press('Enter');
    else if (verb === 'code') await page.keyboard.press(extendedKeyNames[rest[0]]);
    else if (verb === 'char' && characterKeyNames[rest[0]]) await page.keyboard.press(characterKeyNames[rest[0]]);
    else if (verb === 'char') await typeCharacter(page, codePage437[rest[0]]);
    else mouse.push([verb, ...rest.map(Number)]);
  }
  if (mouse.length) {
    await page.evaluate((events) => {
      const canvas = document.getElementById('screen');
      const box = canvas.getBoundingClientRect();
      const scale = box.width / canvas.width;
      let x = 0;
      let y = 0;
      const send = (type, target, button, more = {}) => target.dispatchEvent(new MouseEvent(type, {
        bubbles: true, cancelable: true, view: window, button,
        clientX: box.left + (x + 0.5) * scale, clientY: box.top + (y + 0.5) * scale, ...more,
      }));
      const buttonOf = (bit) => ({ 1: 0, 2: 2, 4: 1 })[bit];
      for (const [verb, a, b] of events) {
        if (verb === 'move') {
          [x, y] = [a, b];
          send('mousemove', canvas, 0);
        } else if (verb === 'down') send('mousedown', canvas, buttonOf(a));
        else if (verb === 'up') send('mouseup', canvas, buttonOf(a));
        else if (verb === 'wheel') {
          canvas.dispatchEvent(new WheelEvent('wheel', { bubbles: true, cancelable: true, deltaY: a > 0 ? -100 : 100 }));
        }
      }
    }, mouse);
  }
  await settle(page);
}

async function play(page, script) {
  for (const step of script.split(' / ')) await sendStep(page, step);
}

// One server and one browser for a test file: returns where they will be once it starts.
function useBrowser(test, launchOptions) {
  const shared = { server: null, browser: null };
  test.before(async () => {
    shared.server = await startServer();
    shared.browser = await startBrowser(launchOptions);
  });
  test.after(async () => {
    if (shared.browser) await shared.browser.close();
    if (shared.server) shared.server.stop();
  });
  return shared;
}

// A file as the page's store holds it (an array of bytes), or null.
function storedFile(page, name) {
  return page.evaluate((wanted) => new Promise((resolve, reject) => {
    const opening = indexedDB.open('vxedit-files', 1);
    opening.onerror = () => reject(opening.error);
    opening.onsuccess = () => {
      const get = opening.result.transaction('files').objectStore('files').get(wanted);
      get.onsuccess = () => resolve(get.result ? Array.from(get.result.bytes) : null);
      get.onerror = () => reject(get.error);
    };
  }), name);
}

// Waits until the store holds the file with these bytes (or, for null, holds no such file).
async function waitForStored(page, name, bytes) {
  const wanted = JSON.stringify(bytes);
  for (let tries = 0; tries < 150; tries++) {
    if (JSON.stringify(await storedFile(page, name)) === wanted) return;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  assert.fail(`the store never held ${name} as expected`);
}

// The bytes of a file in the page's folder, or null.
function folderFile(page, name) {
  return page.evaluate((path) => (Module.FS.analyzePath(path).exists ? Array.from(Module.FS.readFile(path)) : null),
    `/home/web/${name}`);
}

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// Touches at the middle of editor pixels, through the DevTools protocol as a touch screen sends
// them: in fractions of a CSS pixel, of which a phone's picture has less than half per editor
// pixel. pixel() says which editor pixel a point lands on.
async function touchScreen(page) {
  const session = await page.createCDPSession();
  const box = await page.evaluate(() => {
    const rect = document.getElementById('screen').getBoundingClientRect();
    return { left: rect.left, top: rect.top, width: rect.width, height: rect.height, scale: rect.width / 800 };
  });
  const client = ([x, y]) => [box.left + (x + 0.5) * box.scale, box.top + (y + 0.5) * box.scale];
  // As the page maps a point to an editor pixel.
  const toPixel = (x, y) => `${Math.floor(((x - box.left) * 800) / box.width)} ${Math.floor(((y - box.top) * 600) / box.height)}`;
  const send = (type, points) => session.send('Input.dispatchTouchEvent', {
    type, touchPoints: points.map((p, id) => ({ x: client(p)[0], y: client(p)[1], id })),
  });
  return {
    start: (...points) => send('touchStart', points),
    move: (...points) => send('touchMove', points),
    end: () => send('touchEnd', []),
    async tap(point) {
      await send('touchStart', [point]);
      await send('touchEnd', []);
    },
    pixel: (point) => toPixel(...client(point)),
    middle(a, b) {
      const [[ax, ay], [bx, by]] = [client(a), client(b)];
      return toPixel((ax + bx) / 2, (ay + by) / 2);
    },
  };
}

// A 24-bit picture, bottom row first, each row padded to four bytes.
function bmp(width, height, colourAt) {
  const rowBytes = Math.ceil((width * 3) / 4) * 4;
  const file = Buffer.alloc(54 + rowBytes * height);
  file.write('BM', 0, 'latin1');
  file.writeUInt32LE(file.length, 2);
  file.writeUInt32LE(54, 10);
  file.writeUInt32LE(40, 14);
  file.writeInt32LE(width, 18);
  file.writeInt32LE(height, 22);
  file.writeUInt16LE(1, 26);
  file.writeUInt16LE(24, 28);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const colour = colourAt(x, y);
      const at = 54 + (height - 1 - y) * rowBytes + x * 3;
      file[at] = colour & 0xff;
      file[at + 1] = (colour >> 8) & 0xff;
      file[at + 2] = (colour >> 16) & 0xff;
    }
  }
  return file;
}

// Runs body(page, box of the picture) on a new page of the editor, and checks that the page
// reported no problem.
async function withEditor(shared, body) {
  const assert = require('node:assert');
  const { page, problems } = await openEditor(shared.browser, shared.server.url);
  try {
    await body(page, await (await page.$('#screen')).boundingBox());
    assert.deepStrictEqual(problems, []);
  } finally {
    await page.close();
  }
}

module.exports = {
  site, startServer, startBrowser, openEditor, waitUntil, waitForState, settle, canvasPixels, referencePicture, firstDifference,
  play, temporaryFolder, width, height, useBrowser, storedFile, waitForStored, folderFile, sleep,
  withEditor, touchScreen, bmp,
};
