// The pointer and the keyboard around the panel: a press on the picture reaches the editor
// whatever was clicked before it, and the panel is used from the keyboard alone.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const web = require('./support.js');

const shared = web.useBrowser(test);

const withEditor = (body) => web.withEditor(shared, body);

async function clickPicture(page, box, x, y) {
  await page.mouse.click(box.x + x + 0.5, box.y + y + 0.5);
  await web.settle(page);
}

async function expectPicture(page, script) {
  assert.strictEqual(web.firstDifference(await web.canvasPixels(page), web.referencePicture(script)), null, script);
}

// A click on the page outside the picture once left the editor taking the pointer for gone
// ("mouse -1 -1") until the tab was left and entered again.
test('after a click on panel text or a button, a press on the picture places a vertex where it lands', async () => {
  for (const elsewhere of ['#files h2', '#status', '#copy-link']) {
    await withEditor(async (page, box) => {
      await web.play(page, 'key v');
      await page.click(elsewhere);
      await web.settle(page);
      await clickPicture(page, box, 300, 200);
      await expectPicture(page, 'key v / move 300 200, down 1, up 1');
      assert.strictEqual(await page.evaluate(() => document.activeElement.id), 'screen', elsewhere);
    });
  }
});

test('after a click in the name field, a press on the picture places a vertex', async () => {
  await withEditor(async (page, box) => {
    await web.play(page, 'key f / key a');
    await page.click('#name-entry');
    await page.keyboard.type('clicked.vx');
    await page.keyboard.press('Enter');
    await web.settle(page);
    await web.play(page, 'key v');
    await clickPicture(page, box, 300, 200);
    await expectPicture(page, 'key f / key a, key clicked.vx, enter / key v / move 300 200, down 1, up 1');
  });
});

test('after Restore on the offer of unsaved work, a press on the picture places a vertex', async () => {
  await withEditor(async (page, box) => {
    page.on('dialog', (dialog) => dialog.accept());  // leaving with unsaved work asks first
    const kept = await page.evaluate(() => document.body.dataset.kept);
    await web.play(page, 'key v / move 250 250, down 1, up 1');
    await web.waitUntil(page, (before) => document.body.dataset.kept !== before, {}, kept);
    await page.reload();
    await web.waitForState(page, 'running');
    await page.waitForSelector('#restore-offer:not([hidden])');
    await page.click('#restore');
    await web.settle(page);
    await web.play(page, 'key v');
    await clickPicture(page, box, 300, 200);
    // Both vertices are there: the restored one and the one just placed, with a line between.
    await web.play(page, 'key f / key a, key restored-then-clicked.vx, enter');
    const saved = await web.folderFile(page, 'restored-then-clicked.vx');
    const folder = web.temporaryFolder('reference');
    const script = 'key v / move 250 250, down 1, up 1 / move 300 200, down 1, up 1 / key f / key a, key r.vx, enter';
    web.referencePicture(script, folder);
    assert.deepStrictEqual(saved, Array.from(require('node:fs').readFileSync(require('node:path').join(folder, 'r.vx'))));
  });
});

test('Tab leads from the picture through the panel, Enter and Space work its controls, Esc comes back', async () => {
  await withEditor(async (page) => {
    const focused = () => page.evaluate(() => document.activeElement.id || document.activeElement.tagName);
    await page.focus('#screen');
    const visited = [];
    for (let i = 0; i < 8 && (visited.length === 0 || visited.at(-1) !== 'copy-link'); i++) {
      await page.keyboard.press('Tab');
      visited.push(await focused());
    }
    // An earlier test may have left unsaved work, whose offer comes first.
    const offer = visited[0] === 'restore' ? ['restore', 'discard'] : [];
    assert.deepStrictEqual(visited, [...offer, 'open-model', 'save-as', 'download-model', 'copy-link']);
    const outline = await page.evaluate(() => getComputedStyle(document.activeElement).outlineStyle);
    assert.notStrictEqual(outline, 'none', 'the focused control shows it');

    await page.keyboard.press(' ');  // Copy link
    await page.waitForFunction(() => document.getElementById('link-message').textContent !== '');
    await page.focus('#save-as');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.activeElement.id === 'name-entry');
    await page.keyboard.type('by-keys.vx');
    await page.keyboard.press('Enter');
    await web.settle(page);
    assert.notStrictEqual(await web.folderFile(page, 'by-keys.vx'), null);

    assert.strictEqual(await focused(), 'screen');
    await page.keyboard.press('Tab');
    assert.notStrictEqual(await focused(), 'screen');
    await page.keyboard.press('Escape');
    assert.strictEqual(await focused(), 'screen');
    assert.strictEqual(await page.$eval('#screen', (canvas) => canvas.getAttribute('aria-label')), 'vxedit picture');
    // Esc on the panel only brought the focus back: the editor is still in File mode, unchanged.
    await expectPicture(page, 'key f / key a, key by-keys.vx, enter');
  });
});
