// Files on the page are never lost: tabs share the stored folder without overwriting each other,
// recovery copies follow the model, a reload offers the work back, leaving with unsaved work
// asks first, and the file panel opens, downloads and deletes what is stored.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const web = require('./support.js');

const shared = web.useBrowser(test);

async function withPages(count, body) {
  const opened = [];
  try {
    for (let i = 0; i < count; i++) opened.push(await web.openEditor(shared.browser, shared.server.url));
    await body(...opened.map((o) => o.page)).catch((error) => {
      // A wait that ran out may have waited on an editor stopped by an error of its page.
      const problems = opened.flatMap((o) => o.problems);
      if (problems.length) error.message += `\nerrors of the pages: ${problems.join('; ')}`;
      throw error;
    });
    for (const { problems } of opened) assert.deepStrictEqual(problems, []);
  } finally {
    for (const { page } of opened) await page.close();
  }
}

// What the headless editor saves after a script.
function savedByReference(script, name) {
  const folder = web.temporaryFolder('reference');
  web.referencePicture(script, folder);
  return Array.from(fs.readFileSync(path.join(folder, name)));
}

// A file dropped on the page from outside it.
function dropFile(page, bytes, name) {
  return page.evaluate((bytes, name) => {
    const dropped = new DataTransfer();
    dropped.items.add(new File([new Uint8Array(bytes)], name));
    document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: dropped, bubbles: true, cancelable: true }));
  }, bytes, name);
}

// A tab in the background may be kept from running: a script's tab comes to the front first.
async function playIn(page, script) {
  await page.bringToFront();
  await web.play(page, script);
}

const vertexAt = (x, y) => `move ${x} ${y}, down 1, up 1`;
const saveAs = (name) => `key f / key a, key ${name}, enter`;

test('two tabs saving different files keep both, and the later save of one name wins whole', async () => {
  await withPages(2, async (first, second) => {
    const fromA = `key v / ${vertexAt(300, 200)} / ${saveAs('fromA.vx')}`;
    const fromB = `key v / ${vertexAt(500, 300)} / ${vertexAt(400, 400)} / ${saveAs('fromB.vx')}`;
    await playIn(first, fromA);
    await playIn(second, fromB);
    await web.waitForStored(first, 'fromA.vx', savedByReference(fromA, 'fromA.vx'));
    await web.waitForStored(first, 'fromB.vx', savedByReference(fromB, 'fromB.vx'));
    // A quick save in the first tab writes its own file only.
    await playIn(first, 'key s');
    await web.sleep(500);
    assert.deepStrictEqual(await web.storedFile(first, 'fromB.vx'), savedByReference(fromB, 'fromB.vx'));
    // The other tab's folder has the new file too, for its load prompt.
    assert.deepStrictEqual(await web.folderFile(first, 'fromB.vx'), savedByReference(fromB, 'fromB.vx'));

    // The later save of one name asks first, naming when the other tab saved it.
    const asked = [];
    for (const page of [first, second]) {
      page.on('dialog', (dialog) => {
        asked.push(dialog.message());
        if (asked.length === 2) dialog.dismiss();
        else dialog.accept();
      });
    }
    await playIn(first, saveAs('same.vx'));
    await web.waitForStored(first, 'same.vx', savedByReference(fromA, 'fromA.vx'));
    await playIn(second, saveAs('same.vx'));
    await web.waitForStored(first, 'same.vx', savedByReference(fromB, 'fromB.vx'));
    assert.strictEqual(asked.length, 1);
    assert.match(asked[0], /^same\.vx was saved by another tab at \d{4}-\d\d-\d\d \d\d:\d\d:\d\d\. Save over it\?$/);
    // A quick save over the name this tab saved is the editor's to ask about, on its message
    // row: no dialog, and the store keeps the other tab's model. A second s replaces it, without
    // a second ask.
    await playIn(first, 'key s');
    await web.sleep(500);
    assert.strictEqual(asked.length, 1);
    assert.deepStrictEqual(await web.storedFile(first, 'same.vx'), savedByReference(fromB, 'fromB.vx'));
    await playIn(first, 'key s');
    await web.waitForStored(first, 'same.vx', savedByReference(fromA, 'fromA.vx'));
    assert.strictEqual(asked.length, 1);
    // Loaded, the name is this tab's to save over without a word, however often.
    await playIn(first, 'key L / key s');
    await web.sleep(200);
    await playIn(first, 'key s');
    await web.sleep(200);
    await playIn(first, 'key s');
    assert.strictEqual(asked.length, 1);
    // Saved under a name this tab saved before, but not its current one, the page asks, saying
    // so; declined, the store keeps what it had.
    await web.sleep(500);
    await playIn(second, saveAs('other.vx'));
    await playIn(second, saveAs('same.vx'));
    assert.strictEqual(asked.length, 2);
    assert.match(asked[1], /^same\.vx was saved by another tab at .*, after this tab last read it\. Save over it\?$/);
    await web.sleep(500);
    assert.deepStrictEqual(await web.storedFile(first, 'same.vx'), savedByReference(fromA, 'fromA.vx'));
  });
  await withPages(1, async (third) => {
    for (const name of ['fromA.vx', 'fromB.vx', 'same.vx']) assert.notStrictEqual(await web.folderFile(third, name), null, name);
  });
});

test('a reload a second after the last edit keeps every edit, and the offer restores them', async (t) => {
  const edits = `key v / ${[...Array(8).keys()].map((i) => vertexAt(200 + 50 * i, 150 + 30 * i)).join(' / ')}`;
  await withPages(1, async (page) => {
    page.on('dialog', (dialog) => dialog.accept());  // leaving with unsaved work asks first
    await page.evaluate(() => {
      for (const name of Module.FS.readdir('/home/web/.local/state/vxedit/recovery').filter((n) => n.endsWith('.vx'))) {
        Module.FS.unlink(`/home/web/.local/state/vxedit/recovery/${name}`);
      }
    }).catch(() => {});
    await web.play(page, 'key v');
    const clickedAt = await page.evaluate(() => performance.now());
    await web.play(page, edits.split(' / ')[1]);
    await web.waitUntil(page, (after) => Number(document.body.dataset.keptAtMs) > after, {}, clickedAt);
    const storedAt = Number(await page.evaluate(() => document.body.dataset.keptAtMs));
    t.diagnostic(`the change reached the stored recovery copy ${Math.round(storedAt - clickedAt)} ms after its click`);
    await web.play(page, edits.split(' / ').slice(2).join(' / '));
    await web.sleep(1000);
    await page.reload();
    await web.waitForState(page, 'running');
    await page.waitForSelector('#restore-offer:not([hidden])');
    assert.match(await page.$eval('#restore-text', (e) => e.textContent), /^Unsaved work from \d\d:\d\d$/);
    await page.waitForSelector('#copy-list li');
    const copy = await page.$eval('#copy-list li', (item) => item.dataset.name);  // the newest
    // Each copy's .lock and .from records stay out of both lists.
    const names = (list) => page.$$eval(`${list} li`, (items) => items.map((item) => item.dataset.name));
    const copies = await names('#copy-list');
    assert.ok(copies.every((name) => name.endsWith('.vx')), copies.join(', '));
    const models = await names('#model-list');
    assert.ok(!models.some((name) => name.includes('/recovery/')), models.join(', '));
    await page.click('#restore');
    await web.settle(page);
    assert.strictEqual(await page.title(), '*unnamed.vx — vxedit');
    await web.play(page, saveAs('restored.vx'));
    assert.deepStrictEqual(await web.folderFile(page, 'restored.vx'), savedByReference(`${edits} / ${saveAs('restored.vx')}`, 'restored.vx'));
    await web.waitForStored(page, copy, null);  // kept until the model was saved
  });
});

test('Download after a reload hands over the model as shown and leaves the stored one as it was', async () => {
  const downloads = web.temporaryFolder('downloads');
  const box = `key v / ${vertexAt(300, 200)} / ${vertexAt(450, 300)} / key f / key s`;
  await withPages(1, async (page) => {
    page.on('dialog', (dialog) => dialog.accept());
    await web.play(page, box);
    const stored = savedByReference(box, 'unnamed.vx');
    await web.waitForStored(page, 'unnamed.vx', stored);
    await page.reload();
    await web.waitForState(page, 'running');
    const session = await shared.browser.target().createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    await page.click('#download-model');
    const downloaded = path.join(downloads, 'unnamed.vx');
    for (let tries = 0; tries < 100 && !fs.existsSync(downloaded); tries++) await web.sleep(100);
    assert.deepStrictEqual(Array.from(fs.readFileSync(downloaded)), savedByReference('key f / key a, key start.vx, enter', 'start.vx'));
    await web.sleep(500);
    assert.deepStrictEqual(await web.storedFile(page, 'unnamed.vx'), stored);
    assert.deepStrictEqual(await web.folderFile(page, 'unnamed.vx'), stored);
  });
});

test('leaving asks first only while there are unsaved changes', async () => {
  await withPages(1, async (page) => {
    const dialogs = [];
    page.on('dialog', (dialog) => {
      dialogs.push(dialog.type());
      dialog.accept();
    });
    const box = await (await page.$('#screen')).boundingBox();
    await page.mouse.click(box.x + 400, box.y + 300);  // a click in Rotate mode changes no model
    await web.settle(page);
    await page.reload();
    await web.waitForState(page, 'running');
    assert.deepStrictEqual(dialogs, []);

    await page.keyboard.press('v');
    await web.settle(page);
    await page.mouse.click(box.x + 400, box.y + 300);
    await web.settle(page);
    await page.reload();
    await web.waitForState(page, 'running');
    assert.deepStrictEqual(dialogs, ['beforeunload']);
  });
});

test('the panel lists stored models and opens, downloads and deletes them, in every tab; a dropped file opens', async () => {
  const one = `key v / ${vertexAt(250, 250)} / ${saveAs('panel-one.vx')}`;
  const two = `key v / ${vertexAt(350, 260)} / ${vertexAt(450, 360)} / ${saveAs('panel-two.vx')}`;
  const downloads = web.temporaryFolder('downloads');
  await withPages(2, async (page, other) => {
    await playIn(page, `${one} / key r / key x / ${two}`);
    const listed = (p) => p.$$eval('#model-list li', (items) => items.map((item) => item.dataset.name));
    // The other tab is in the background all along: it takes the change without drawing.
    await web.waitUntil(other, () => document.querySelector('#model-list li[data-name="panel-two.vx"]'));
    assert.deepStrictEqual((await listed(other)).filter((n) => n.startsWith('panel-')), ['panel-one.vx', 'panel-two.vx']);

    const session = await shared.browser.target().createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    await page.click('#model-list li[data-name="panel-one.vx"] button:nth-of-type(2)');
    const downloaded = path.join(downloads, 'panel-one.vx');
    for (let tries = 0; tries < 100 && !fs.existsSync(downloaded); tries++) await web.sleep(100);
    assert.deepStrictEqual(Array.from(fs.readFileSync(downloaded)), savedByReference(one, 'panel-one.vx'));

    await page.click('#model-list li[data-name="panel-one.vx"] button:nth-of-type(1)');
    await web.settle(page);
    const reference = web.temporaryFolder('reference');
    const expected = web.referencePicture(`${one} / key r / key x / ${two} / key l, key panel-one.vx, enter`, reference);
    assert.strictEqual(await page.title(), 'panel-one.vx — vxedit');
    assert.strictEqual(web.firstDifference(await web.canvasPixels(page), expected), null);

    // A model file dropped on the page opens as Open model… opens it; in a tab that was in the
    // background when the file came, too, which shows it when it comes to the front.
    const bytesOfTwo = savedByReference(two, 'panel-two.vx');
    await dropFile(page, bytesOfTwo, 'dropped.vx');
    await web.waitUntil(page, () => document.title === 'dropped.vx — vxedit');
    await dropFile(other, bytesOfTwo, 'behind.vx');
    await other.bringToFront();
    await web.waitUntil(other, () => document.title === 'behind.vx — vxedit');

    await page.bringToFront();
    page.once('dialog', (dialog) => dialog.accept());
    await page.click('#model-list li[data-name="panel-two.vx"] button:nth-of-type(3)');
    await web.waitForStored(page, 'panel-two.vx', null);
    await web.waitUntil(other, () => !document.querySelector('#model-list li[data-name="panel-two.vx"]'));
    assert.strictEqual(await web.folderFile(other, 'panel-two.vx'), null);
  });
});

test('files kept by an earlier build of the page move into the shared store', async () => {
  const server = await web.startServer();  // an origin of its own, with no store yet
  const page = await shared.browser.newPage();
  try {
    await page.goto(`${server.url}favicon.svg`);
    await page.evaluate(() => new Promise((resolve, reject) => {
      const opening = indexedDB.open('/home/web', 21);
      opening.onupgradeneeded = () => opening.result.createObjectStore('FILE_DATA').createIndex('timestamp', 'timestamp');
      opening.onerror = () => reject(opening.error);
      opening.onsuccess = () => {
        const store = opening.result.transaction('FILE_DATA', 'readwrite').objectStore('FILE_DATA');
        store.put({ timestamp: new Date(1e12), mode: 16877 }, '/home/web');
        store.put({ timestamp: new Date(1e12), mode: 33188, contents: new Uint8Array([86, 84, 88, 70, 1, 2]) }, '/home/web/kept.vx');
        store.transaction.oncomplete = () => {
          opening.result.close();
          resolve();
        };
      };
    }));
    await page.goto(server.url);
    await web.waitForState(page, 'running');
    assert.deepStrictEqual(await web.folderFile(page, 'kept.vx'), [86, 84, 88, 70, 1, 2]);
    assert.deepStrictEqual(await web.storedFile(page, 'kept.vx'), [86, 84, 88, 70, 1, 2]);
    await web.waitUntil(page, async () => !(await indexedDB.databases()).some((d) => d.name === '/home/web'));
  } finally {
    await page.close();
    server.stop();
  }
});
