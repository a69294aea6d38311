// No input is lost on the page: every click at a human pace or faster, a drag from where the
// button went down to where the pointer ended, every wheel notch. Real input through DevTools.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const web = require('./support.js');

const shared = web.useBrowser(test);

const withEditor = (body) => web.withEditor(shared, body);

async function expectPicture(page, script) {
  assert.strictEqual(web.firstDifference(await web.canvasPixels(page), web.referencePicture(script)), null, script);
}

test('20 clicks 50 ms apart, each held 20 ms, place 20 vertices', async () => {
  await withEditor(async (page, box) => {
    await web.play(page, 'key v');
    const spots = [...Array(20).keys()].map((i) => [100 + 30 * i, 100 + (i % 2) * 400]);
    for (const [x, y] of spots) {
      await page.mouse.move(box.x + x + 0.5, box.y + y + 0.5);
      await page.mouse.down();
      await web.sleep(20);
      await page.mouse.up();
      await web.sleep(30);
    }
    await web.settle(page);
    await expectPicture(page, `key v / ${spots.map(([x, y]) => `move ${x} ${y}, down 1, up 1`).join(' / ')}`);
  });
});

test('a 200 px drag in 10 quick moves turns or zooms exactly as one long move', async () => {
  await withEditor(async (page, box) => {
    await page.mouse.move(box.x + 300.5, box.y + 300.5);
    await page.mouse.down();
    await page.mouse.move(box.x + 500.5, box.y + 300.5, { steps: 10 });
    await page.mouse.up();
    await web.settle(page);
    // In Camera mode a 200 px right drag adds 200 to the zoom, however many moves it takes.
    await page.keyboard.press('c');
    await web.settle(page);
    await page.mouse.move(box.x + 300.5, box.y + 300.5);
    await page.mouse.down({ button: 'right' });
    await page.mouse.move(box.x + 500.5, box.y + 300.5, { steps: 10 });
    await page.mouse.up({ button: 'right' });
    await web.settle(page);
    await expectPicture(page, 'move 300 300 / down 1 / move 500 300 / up 1 / key c / move 300 300 / down 2 / move 500 300 / up 2');
  });
});

test('five quick wheel notches zoom by 1.25 five times', async () => {
  await withEditor(async (page, box) => {
    // The pointer comes onto the picture first: a notch taken in the same poll as its arrival
    // is no turn, as the pointer was off the picture at the poll before.
    await page.mouse.move(box.x + 400.5, box.y + 300.5);
    await web.settle(page);
    for (let notch = 0; notch < 5; notch++) await page.mouse.wheel({ deltaY: -100 });
    await web.settle(page);
    await expectPicture(page, 'move 400 300 / wheel 5');
  });
});
