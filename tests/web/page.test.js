// The editor's web page in Chromium: the headless editor's pixels for the same input, files
// that survive a reload, Open and Download, keys kept from the browser, and the end.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const web = require('./support.js');

let server;
let browser;
test.before(async () => {
  server = await web.startServer();
  browser = await web.startBrowser();
});
test.after(async () => {
  if (browser) await browser.close();
  if (server) server.stop();
});

async function expectPicture(page, script, folder) {
  const expected = web.referencePicture(script, folder);
  assert.strictEqual(web.firstDifference(await web.canvasPixels(page), expected), null, script);
}

async function withEditor(body, viewport) {
  const { page, problems } = await web.openEditor(browser, server.url, viewport);
  try {
    await body(page);
    assert.deepStrictEqual(problems, []);
  } finally {
    await page.close();
  }
}

test('the first frame is the headless first frame, pixel for pixel', async (t) => {
  await withEditor(async (page) => {
    await expectPicture(page, '');
    t.diagnostic(`first frame ${await page.evaluate(() => document.body.dataset.firstFrameMs)} ms after the page started loading`);
  });
});

// The start box's vertex markers as the headless editor draws them: lit pixels away from the
// text rows, one per marker.
function boxCorners() {
  const pixels = web.referencePicture('key v');
  const lit = [];
  for (let y = 80; y < 540; y++) {
    for (let x = 0; x < web.width; x++) {
      const at = (y * web.width + x) * 3;
      if ((pixels[at] || pixels[at + 1] || pixels[at + 2]) && !lit.some(([u, v]) => Math.abs(u - x) < 4 && Math.abs(v - y) < 4)) lit.push([x, y]);
    }
  }
  const xs = lit.map(([x]) => x);
  const ys = lit.map(([, y]) => y);
  const [left, right, top, bottom] = [Math.min(...xs), Math.max(...xs), Math.min(...ys), Math.max(...ys)];
  return [[left, top], [right, top], [right, bottom], [left, bottom]];
}

test('the renderer is built with WebAssembly SIMD, and draws every style as the headless editor', async () => {
  await withEditor(async (page) => {
    assert.deepStrictEqual(await page.evaluate(() => Module.vxBuild), { simd: true });
    // A face of the start box made a rectangle, turned, in each polygon style.
    const picks = boxCorners().map(([x, y]) => `move ${x} ${y}, down 2, up 2`).join(' / ');
    let script = `key v / ${picks} / move 400 300, down 1, up 1 / key r / move 400 300, down 1 / move 430 320, up 1`;
    await web.play(page, script);
    for (let style = 0; style < 3; style++) {
      await expectPicture(page, script);
      await web.play(page, 'key 4');
      script += ' / key 4';
    }
  });
});

test('keys and quick clicks place and join vertices as in the headless editor', async () => {
  await withEditor(async (page) => {
    // Each click's move, press and release reach the editor between the same two polls.
    const script = 'key v / move 300 200, down 1, up 1 / move 520 260, down 1, up 1 / move 410 420, down 1, up 1' +
      ' / key 4 / code 75 / code 80 / move 200 500';
    await web.play(page, script);
    await expectPicture(page, script);
  });
});

test('editing keys and characters of other layouts reach the name prompt as in the headless editor', async () => {
  await withEditor(async (page) => {
    // Esc erases "q" (typed into the name, it does not end the editor); the name becomes
    // "YaX", "é" and "£". Tab stays the browser's, for moving to the panel.
    const script = 'key f / key a, key q, char 27, key ab, code 75, key X, code 71, key Y, code 79, char 8, char 130, char 156, enter';
    await web.play(page, script);
    await expectPicture(page, script);
  });
});

test('on a large page the canvas grows by whole multiples and the pointer maps back', async () => {
  await withEditor(async (page) => {
    const box = await (await page.$('#screen')).boundingBox();
    assert.deepStrictEqual([box.width, box.height], [1600, 1200]);
    const script = 'key v / move 301 199, down 1, up 1 / move 799 599, down 1, up 1 / move 0 0';
    await web.play(page, script);
    await expectPicture(page, script);
  }, { width: 2000, height: 1400 });
});

test('a slow drag and a fast drag turn the view to where the pointer ended', async () => {
  await withEditor(async (page) => {
    // Real pointer input, a poll apart.
    const box = await (await page.$('#screen')).boundingBox();
    await page.mouse.move(box.x + 400.5, box.y + 300.5);
    await web.settle(page);
    await page.mouse.down();
    await web.settle(page);
    await page.mouse.move(box.x + 470.5, box.y + 260.5, { steps: 5 });
    await web.settle(page);
    await page.mouse.up();
    await web.settle(page);
    // Then a drag whose moves and release all fall between two polls.
    const fast = 'move 300 300, down 1 / move 320 310, move 380 330, move 450 380, up 1';
    await web.play(page, fast);
    await expectPicture(page, `move 400 300 / down 1 / move 470 260 / up 1 / ${fast}`);
  });
});

test('keys the editor uses do not reach the browser', async () => {
  await withEditor(async (page) => {
    await page.evaluate(() => {
      window.keysLeft = [];
      window.addEventListener('keydown', (event) => {
        if (!event.defaultPrevented) window.keysLeft.push(event.key);
      });
    });
    for (const key of ['ArrowLeft', 'ArrowUp', 'Backspace', 'Home', 'Delete']) await page.keyboard.press(key);
    await page.keyboard.down('Control');
    await page.keyboard.press('z');
    await page.keyboard.up('Control');
    await page.keyboard.press('F5');  // reload stays the browser's
    assert.deepStrictEqual(await page.evaluate(() => window.keysLeft), ['Control', 'F5']);
  });
});

test('a save survives a reload and loads back', async () => {
  const folder = web.temporaryFolder('reference');
  await withEditor(async (page) => {
    const kept = await page.evaluate(() => document.body.dataset.kept);
    const save = 'key v / move 300 200, down 1, up 1 / move 500 380, down 1, up 1 / key f / key a, key saved.vx, enter';
    await web.play(page, save);
    await expectPicture(page, save, folder);
    const bytes = () => page.evaluate(() => Array.from(Module.FS.readFile('/home/web/saved.vx')));
    assert.deepStrictEqual(await bytes(), Array.from(fs.readFileSync(path.join(folder, 'saved.vx'))));
    await page.waitForFunction((before) => document.body.dataset.kept !== before, { timeout: 15000 }, kept);

    await page.reload();
    await web.waitForState(page, 'running');
    assert.deepStrictEqual(await bytes(), Array.from(fs.readFileSync(path.join(folder, 'saved.vx'))));
    const load = 'key f / key l, key saved.vx, enter';
    await web.play(page, load);
    await expectPicture(page, load, folder);
  });
});

test('the page title names the document and marks unsaved changes', async () => {
  await withEditor(async (page) => {
    const titled = (title) => page.waitForFunction((t) => document.title === t, { timeout: 10000 }, title);
    await titled('unnamed.vx \u2014 vxedit');
    await web.play(page, 'key v / move 300 200, down 1, up 1');
    await titled('*unnamed.vx \u2014 vxedit');
    await web.play(page, 'key f / key a, key titled.vx, enter');
    await titled('titled.vx \u2014 vxedit');
  });
});

test('Open loads a model or a picture, and Download saves the model under its name', async () => {
  const folder = web.temporaryFolder('reference');
  web.referencePicture('key v / move 250 250, down 1, up 1 / move 350 260, down 1, up 1 / key f / key a, key picked.vx, enter', folder);
  const picked = path.join(folder, 'picked.vx');
  const picture = path.join(folder, 'picture.bmp');
  // Tall enough to reach below the text rows, which are printed over the picture.
  fs.writeFileSync(picture, web.bmp(4, 80, (x, y) => (x === 0 && y === 72 ? 0xff0000 : 0x2040ff)));
  const downloads = web.temporaryFolder('downloads');
  await withEditor(async (page) => {
    const input = await page.$('#open-model');
    await input.uploadFile(picked);
    await web.settle(page);
    await expectPicture(page, 'key f / key l, key picked.vx, enter / key r', folder);

    const session = await browser.target().createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    await page.click('#download-model');
    const downloaded = path.join(downloads, 'picked.vx');
    for (let tries = 0; tries < 100 && !fs.existsSync(downloaded); tries++) await new Promise((r) => setTimeout(r, 100));
    assert.deepStrictEqual(fs.readFileSync(downloaded), fs.readFileSync(picked));

    await input.uploadFile(picture);
    await web.settle(page);
    const pixels = await web.canvasPixels(page);
    const at = (x, y) => [...pixels.subarray((y * web.width + x) * 3, (y * web.width + x) * 3 + 3)];
    assert.deepStrictEqual([at(0, 72), at(3, 79), at(4, 72)], [[0xff, 0, 0], [0x20, 0x40, 0xff], [0, 0, 0]]);
  });
});

test('"q" ends the editor and the page offers to start again', async () => {
  await withEditor(async (page) => {
    await page.keyboard.press('q');
    await web.waitForState(page, 'ended');
    assert.strictEqual(await page.$eval('#restart', (button) => button.hidden), false);
    await page.click('#restart');
    await web.waitForState(page, 'running');
  });
});
