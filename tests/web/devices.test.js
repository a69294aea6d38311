// The page on every device: an idle page sleeps, keys are kept or left to the browser as they
// should be, the picture's size on a phone and at 200%, touch, and names typed in a text field.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const web = require('./support.js');

const shared = web.useBrowser(test);
const phone = { width: 390, height: 844, isMobile: true, hasTouch: true, deviceScaleFactor: 3 };

async function withEditor(body, viewport) {
  const { page, problems } = await web.openEditor(shared.browser, shared.server.url, viewport);
  try {
    await body(page);
    assert.deepStrictEqual(problems, []);
  } finally {
    await page.close();
  }
}

async function expectPicture(page, script) {
  assert.strictEqual(web.firstDifference(await web.canvasPixels(page), web.referencePicture(script)), null, script);
}

test('an idle page takes under 0.2% of a core', async (t) => {
  await withEditor(async (page) => {
    await web.sleep(1000);
    const before = (await page.metrics()).TaskDuration;
    await web.sleep(10000);
    const share = ((await page.metrics()).TaskDuration - before) / 10;
    t.diagnostic(`idle: ${(share * 100).toFixed(3)}% of a core over 10 s`);
    assert.ok(share < 0.002, `${share * 100}% of a core`);
  });
});

test('Ctrl+Shift+Z redoes, and the browser keeps the keys the editor does not use', async () => {
  await withEditor(async (page) => {
    await web.play(page, 'key v / move 300 200, down 1, up 1');
    await page.keyboard.down('Control');
    await page.keyboard.press('z');
    await web.settle(page);
    await page.keyboard.down('Shift');
    await page.keyboard.press('Z');
    await page.keyboard.up('Shift');
    await page.keyboard.up('Control');
    await web.settle(page);
    await expectPicture(page, 'key v / move 300 200, down 1, up 1 / char 26 / code 44');

    const keptFromBrowser = await page.evaluate(() => {
      const press = (key, more) => !document.dispatchEvent(new KeyboardEvent('keydown', { key, cancelable: true, bubbles: true, ...more }));
      const ctrl = { ctrlKey: true };
      return [['w', ctrl], ['t', ctrl], ['l', ctrl], ['n', ctrl], ['F5', {}], ['F11', {}], ['F12', {}],
        ['z', ctrl], ['Z', { ctrlKey: true, shiftKey: true }], ['y', ctrl], ['ArrowLeft', {}]].map(([key, more]) => press(key, more));
    });
    assert.deepStrictEqual(keptFromBrowser, [false, false, false, false, false, false, false, true, true, true, true]);
  });
});

test('on a phone the picture fits the width the same way on every load, with the panel below', async () => {
  const layouts = [];
  for (let load = 0; load < 3; load++) {
    await withEditor(async (page) => {
      layouts.push(await page.evaluate(() => {
        const picture = document.getElementById('screen').getBoundingClientRect();
        const panel = document.querySelector('aside').getBoundingClientRect();
        return { width: picture.width, height: picture.height, panelBelow: panel.top >= picture.bottom,
          scrolls: document.documentElement.scrollWidth > window.innerWidth };
      }));
    }, phone);
  }
  assert.deepStrictEqual(layouts[0], { width: 366, height: 274.5, panelBelow: true, scrolls: false });
  assert.deepStrictEqual(layouts, [layouts[0], layouts[0], layouts[0]]);
});

test('at 200% the picture is 800×600 CSS pixels on 1600×1200 device pixels', async () => {
  await withEditor(async (page) => {
    const shown = await page.evaluate(() => {
      const box = document.getElementById('screen').getBoundingClientRect();
      return [box.width, box.height, box.width * devicePixelRatio, box.height * devicePixelRatio];
    });
    assert.deepStrictEqual(shown, [800, 600, 1600, 1200]);
  }, { width: 1300, height: 800, deviceScaleFactor: 2 });
});

test('touch: a tap places a vertex, a long press picks it, two fingers turn the view and a pinch zooms', async () => {
  await withEditor(async (page) => {
    const touch = await web.touchScreen(page);
    await web.play(page, 'key v');
    await touch.tap([300, 200]);
    await web.settle(page);
    await touch.start([300, 200]);
    await web.sleep(700);
    await touch.end();
    await web.settle(page);
    const vertex = touch.pixel([300, 200]);
    assert.strictEqual(vertex, '300 200');
    await expectPicture(page, `key v / move ${vertex}, down 1, up 1 / move ${vertex}, down 2, up 2`);

    await web.play(page, 'key x / key r');
    await touch.start([200, 300], [300, 300]);
    for (let step = 1; step <= 10; step++) await touch.move([200 + 10 * step, 300], [300 + 10 * step, 300]);
    await touch.end();
    await web.settle(page);
    // Fingers spread from 100 to 200 editor pixels: three notches of 1.25 (1.95 of the spread).
    await touch.start([350, 300], [450, 300]);
    for (let step = 1; step <= 10; step++) await touch.move([350 - 5 * step, 300], [450 + 5 * step, 300]);
    await touch.end();
    await web.settle(page);
    await expectPicture(page, `key v / move ${vertex}, down 1, up 1 / move ${vertex}, down 2, up 2 / key x / key r` +
      ` / move ${touch.middle([200, 300], [300, 300])}, down 2 / move ${touch.middle([300, 300], [400, 300])}, up 2 / wheel 3`);
  }, phone);
});

test('a name typed in the text field reaches the prompt, è and ñ as typed and € refused aloud', async () => {
  await withEditor(async (page) => {
    await page.tap('#key-bar button[data-key="f"]');
    await web.settle(page);
    await page.keyboard.press('a');
    await page.waitForSelector('#entry:not([hidden])');
    assert.strictEqual(await page.evaluate(() => document.activeElement.id), 'name-entry');
    await page.keyboard.type('mod');
    // An input method composes "è" from two keys and then commits it.
    const session = await page.createCDPSession();
    await session.send('Input.imeSetComposition', { text: '`', selectionStart: 1, selectionEnd: 1 });
    await session.send('Input.imeSetComposition', { text: 'è', selectionStart: 1, selectionEnd: 1 });
    await session.send('Input.insertText', { text: 'è' });
    await page.keyboard.type('le ñ€');
    await web.settle(page);
    assert.match(await page.$eval('#entry-message', (e) => e.textContent), /"€" cannot be typed/);
    await page.evaluate(() => {
      const field = document.getElementById('name-entry');
      field.value = '.vx';  // as a paste leaves it
      field.dispatchEvent(new InputEvent('input', { inputType: 'insertFromPaste', bubbles: true }));
    });
    await page.keyboard.press('Enter');
    await web.settle(page);
    assert.strictEqual(await page.$eval('#entry', (e) => e.hidden), true);
    assert.notStrictEqual(await web.folderFile(page, 'modèle ñ.vx'), null);
    assert.strictEqual(await page.title(), 'modèle ñ.vx — vxedit');
  }, phone);
});

// The key bar once held 16 fixed keys: no File-mode key, so no name could be typed on a phone.
test('on a phone the key bar follows the mode and holds every key of it', async () => {
  await withEditor(async (page) => {
    const bar = () => page.$$eval('#key-bar button', (keys) => keys.map((key) => key.textContent));
    const every = ['q', 'undo', 'redo', 'r', 'v', 'f', 'c', 'e', 'x', '1', '2', '3', '4', '+', '-', 'o', 'i', 'O', 'I',
      'm', 'n', 'M', 'N', '↑', '←', '→', '↓'];
    const modes = [['r', ['a', 's', 'd', 'z']], ['c', ['z', 'a', 'A', 's', 'S', 'd', 'D', 'p', '[', ']', 'k']],
      ['v', ['a', 'h', 'g', 's', 'w', 'k', 'u', 'j', 'y', '=', 'b', 'd']], ['e', ['p', 't', 'd', '[', ']', 'b', '=', 'B']],
      ['f', ['s', 'a', 'l', 'L', 'b', 'B', 'P']]];
    for (const [modeKey, own] of modes) {
      await page.tap(`#key-bar button[data-key="${modeKey}"]`);
      await web.settle(page);
      const shown = await bar();
      assert.deepStrictEqual(shown.slice(0, own.length), own, `mode ${modeKey}`);
      for (const key of every) assert.ok(shown.slice(own.length).includes(key), `mode ${modeKey}: ${key}`);
    }
    assert.strictEqual(await page.$eval('#key-bar button[data-key="g"]', (key) => key.getAttribute('aria-label')).catch(() => null), null);
    await page.tap('#key-bar button[data-key="a"]');  // File mode's save under a typed name
    await page.waitForSelector('#entry:not([hidden])');
    await page.keyboard.type('tapped.vx');
    await page.keyboard.press('Enter');
    await web.settle(page);
    assert.notStrictEqual(await web.folderFile(page, 'tapped.vx'), null);
    await page.tap('#key-bar button[data-key="v"]');
    await web.settle(page);
    assert.strictEqual(await page.$eval('#key-bar button[data-key="g"]', (key) => key.getAttribute('aria-label')), 'key g: grab the group');
    assert.strictEqual(await page.$eval('#key-bar button[data-key="d"]', (key) => key.getAttribute('aria-label')),
      'key d: delete the group; delete the last vertex; delete the selected vertex');
  }, phone);
});

// A one-finger drag in Vertices mode once placed a vertex where it began, under the finger; a
// pinch moved the 3-D pointer 5 or 6 units however wide it was.
test('in Vertices mode a finger aims while it moves and places where it lifts, and a pinch moves the pointer in proportion', async () => {
  await withEditor(async (page) => {
    const touch = await web.touchScreen(page);
    await web.play(page, 'key v');
    await touch.tap([301, 201]);
    await web.settle(page);
    await touch.start([200, 300]);
    for (let step = 1; step <= 10; step++) await touch.move([200 + 20 * step, 300 + 5 * step]);
    await web.settle(page);
    await touch.end();
    await web.settle(page);
    // Fingers spread from 100 to 520 editor pixels: over half the picture's width, 100 units.
    await touch.start([350, 300], [450, 300]);
    for (let step = 1; step <= 10; step++) await touch.move([350 - 21 * step, 300], [450 + 21 * step, 300]);
    await touch.end();
    await web.settle(page);
    await expectPicture(page, 'key v / move 301 201, down 1, up 1 / move 200 300 / move 400 350, down 1, up 1' +
      ' / move 400 300, hold 1, wheel 10');
  }, phone);
});

// Markers are one editor pixel, under half a CSS pixel on a phone: the loupe shows what lies
// under the finger, enlarged, above it.
test('on a phone a loupe above the finger shows the picture around where it lands; two two-finger taps reset the view', async () => {
  await withEditor(async (page) => {
    const touch = await web.touchScreen(page);
    const pixels = await web.canvasPixels(page);
    let lit = 0;
    while (pixels[lit * 3] === 0) lit++;  // a pixel of the first letter on the top row
    const spot = [lit % web.width, Math.floor(lit / web.width)];
    await touch.start(spot);
    await web.sleep(100);
    const seen = await page.evaluate(() => {
      const loupe = document.getElementById('loupe');
      const middle = loupe.getContext('2d').getImageData(loupe.width / 2, loupe.height / 2, 1, 1).data;
      return { hidden: loupe.hidden, middle: Array.from(middle.subarray(0, 3)) };
    });
    await touch.end();
    await web.settle(page);
    assert.strictEqual(seen.hidden, false);
    assert.deepStrictEqual(seen.middle, [...pixels.subarray(lit * 3, lit * 3 + 3)]);
    assert.strictEqual(await page.$eval('#loupe', (loupe) => loupe.hidden), true);

    await web.play(page, 'key a');
    for (let tap = 0; tap < 2; tap++) {
      await touch.start([300, 300], [400, 300]);
      await touch.end();
    }
    await web.settle(page);
    await expectPicture(page, 'key a / key z');
  }, phone);
});
