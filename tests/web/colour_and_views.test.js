// Colours and view pictures on the page: a tapped swatch chooses the colour on a phone, an opened
// .gpl becomes the model's palette, and a view's picture file is stored beside its model.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const web = require('./support.js');

const shared = web.useBrowser(test);
const phone = { width: 390, height: 844, isMobile: true, hasTouch: true, deviceScaleFactor: 3 };

// Four vertices around (400, 300) make one quad in Polys mode; a right click there selects it.
const vertexAt = (x, y) => `move ${x} ${y}, down 1, up 1`;
const quad = `key v / ${vertexAt(400, 280)} / ${vertexAt(380, 300)} / ${vertexAt(420, 300)} / ${vertexAt(400, 320)}` +
  ' / key e / move 400 300, down 1, up 1 / move 400 300, down 2, up 2';
const colourUp = (times) => Array(times).fill('key ]').join(' / ');

// The middle of colour c's swatch in row 5's strip, which starts at column 15, two cells a swatch.
const swatchMiddle = (colour) => [(15 - 1 + 2 * colour) * 8 + 8, (5 - 1) * 16 + 8];

async function withEditor(body, viewport) {
  const { page, problems } = await web.openEditor(shared.browser, shared.server.url, viewport);
  try {
    await body(page);
    assert.deepStrictEqual(problems, []);
  } finally {
    await page.close();
  }
}

async function expectPicture(page, script, folder) {
  assert.strictEqual(web.firstDifference(await web.canvasPixels(page), web.referencePicture(script, folder)), null, script);
}

function pixelAt(pixels, x, y) {
  const at = (y * web.width + x) * 3;
  return [...pixels.subarray(at, at + 3)];
}

test('on a phone a tap on a swatch chooses its colour, which "b" then paints', async () => {
  await withEditor(async (page) => {
    // Built by touch as well: a phone's picture has less than half a CSS pixel per editor pixel,
    // finer than a mouse event's whole-pixel place.
    const touch = await web.touchScreen(page);
    const tapAt = (point) => `move ${touch.pixel(point)}, down 1, up 1`;
    await web.play(page, 'key v');
    const corners = [[400, 280], [380, 300], [420, 300], [400, 320]];
    for (const corner of corners) {
      await touch.tap(corner);
      await web.settle(page);
    }
    const longPress = async (point) => {
      await touch.start(point);
      await web.sleep(700);
      await touch.end();
      await web.settle(page);
    };
    await web.play(page, 'key e');
    await touch.tap([400, 300]);
    await web.settle(page);
    await longPress([400, 300]);
    const unselected = `key v / ${corners.map(tapAt).join(' / ')} / key e / ${tapAt([400, 300])}`;
    const quad = `${unselected} / move ${touch.pixel([400, 300])}, down 2, up 2`;
    await expectPicture(page, quad);

    const swatch = swatchMiddle(20);
    await touch.tap(swatch);
    await web.settle(page);
    // The same colour chosen with the keys: row 5's number, mark and every other pixel agree.
    const chosen = `${quad} / move ${touch.pixel(swatch)} / ${colourUp(20)}`;
    await expectPicture(page, chosen);
    // Painted, and let go so that the selection's colour does not hide the paint.
    await web.play(page, 'key b');
    await longPress([400, 300]);
    await expectPicture(page, `${chosen} / key b / move ${touch.pixel([400, 300])}, down 2, up 2`);
    const unpainted = pixelAt(web.referencePicture(unselected), 400, 300);
    assert.notDeepStrictEqual(pixelAt(await web.canvasPixels(page), 400, 300), unpainted);
  }, phone);
});

test('a .gpl opened through the page becomes the model\'s palette, saved at the end of its file', async () => {
  const folder = web.temporaryFolder('reference');
  const colours = Array.from({ length: 31 }, (_, i) => [8 * i + 7, 250 - 8 * i, (90 * i) % 256]);
  const palette = path.join(folder, 'garish.gpl');
  const lines = colours.map((c) => `${c.join(' ')}\tentry`);
  fs.writeFileSync(palette, `GIMP Palette\nName: garish\nColumns: 8\n# ours\n${lines.join('\n')}\n`);
  const edits = `${quad} / ${colourUp(3)} / key b`;
  const save = 'key f / key a, key garish.vx, enter';
  web.referencePicture(`key f / key P, key garish.gpl, enter / ${edits} / ${save}`, folder);
  const savedByReference = Array.from(fs.readFileSync(path.join(folder, 'garish.vx')));
  await withEditor(async (page) => {
    await (await page.$('#open-model')).uploadFile(palette);
    await web.settle(page);
    await web.play(page, edits);
    await expectPicture(page, `key f / key P, key garish.gpl, enter / ${edits}`, folder);
    await web.play(page, save);
    await web.waitForStored(page, 'garish.vx', savedByReference);
    const trailer = savedByReference.slice(-97);
    assert.deepStrictEqual(trailer, [...Buffer.from('VXPL'), ...colours.flat()]);
  });
});

test('a view\'s picture is stored as NAME.vxref beside NAME.vx, and the panel lists only the model', async () => {
  const folder = web.temporaryFolder('reference');
  const picture = web.bmp(16, 8, (x, y) => (x + y) % 2 ? 0xff8000 : 0x0040c0);
  fs.writeFileSync(path.join(folder, 'front.bmp'), picture);
  const script = 'key c / key a / key p / key f / key b, key front.bmp, enter / key s';
  web.referencePicture(script, folder);
  const wanted = (name) => Array.from(fs.readFileSync(path.join(folder, name)));
  await withEditor(async (page) => {
    // Opened through the page, a picture becomes the tracing picture and its file is not kept;
    // a name typed at the prompt reaches files of the editor's folder only.
    await page.evaluate((bytes) => Module.FS.writeFile('/home/web/front.bmp', new Uint8Array(bytes)), [...picture]);
    await web.play(page, script);
    await web.waitForStored(page, 'unnamed.vxref', wanted('unnamed.vxref'));
    await web.waitForStored(page, 'unnamed.vx', wanted('unnamed.vx'));
    await web.waitUntil(page, () => document.querySelector('#model-list li[data-name="unnamed.vx"]') !== null, { timeout: 5000 });
    const listed = await page.$$eval('#model-list li', (items) => items.map((item) => item.dataset.name));
    assert.deepStrictEqual(listed.filter((name) => name.startsWith('unnamed')), ['unnamed.vx']);
  });
});

// A tab that starts with an earlier tab's recovery copy in the store makes the copy's folders
// again; made open to others, the editor refused them and put its own copies among the models.
test('a tab started beside an earlier tab\'s recovery copy keeps its own copy in the recovery folder too', async () => {
  const storedNames = (page) => page.evaluate(() => new Promise((resolve, reject) => {
    const opening = indexedDB.open('vxedit-files', 1);
    opening.onerror = () => reject(opening.error);
    opening.onsuccess = () => {
      const keys = opening.result.transaction('files').objectStore('files').getAllKeys();
      keys.onsuccess = () => resolve(keys.result);
    };
  }));
  const recovery = '.local/state/vxedit/recovery/';
  await withEditor(async (page) => {
    await web.play(page, `key v / ${vertexAt(300, 200)}`);
    const copied = async () => (await storedNames(page)).some((name) => name.startsWith(recovery));
    for (let tries = 0; tries < 50 && !(await copied()); tries++) await web.sleep(100);
  });
  await withEditor(async (page) => {
    const before = await storedNames(page);
    await web.play(page, `key v / ${vertexAt(300, 250)}`);
    // The copy and the record of its model.
    for (let tries = 0; tries < 50 && (await storedNames(page)).length < before.length + 2; tries++) await web.sleep(100);
    const names = await storedNames(page);
    const copies = (list) => list.filter((name) => name.startsWith(recovery)).length;
    assert.strictEqual(copies(names), copies(before) + 2, names.join(', '));
    assert.deepStrictEqual(names.filter((name) => !name.startsWith(recovery) && name.includes('unnamed-')), []);
  });
});
