// The page offline and installed, and models shared by link.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const web = require('./support.js');

const shared = web.useBrowser(test);

test('after one load the page starts without the network, and it can be installed', async (t) => {
  const server = await web.startServer();  // its own, to be stopped: an origin of its own
  const page = await shared.browser.newPage();
  try {
    await page.setViewport({ width: 1200, height: 700 });
    await page.goto(server.url);
    await web.waitForState(page, 'running');
    const cold = await page.evaluate(() => document.body.dataset.firstFrameMs);
    await page.evaluate(() => navigator.serviceWorker.ready.then(() => true));
    const session = await page.createCDPSession();
    assert.deepStrictEqual((await session.send('Page.getInstallabilityErrors')).installabilityErrors, []);

    await page.reload();
    await web.waitForState(page, 'running');
    const warm = await page.evaluate(() => document.body.dataset.firstFrameMs);
    t.diagnostic(`first frame ${cold} ms after the start of loading on a cold cache, ${warm} ms on a warm one`);

    server.stop();
    await page.setOfflineMode(true);
    await page.reload();
    await web.waitForState(page, 'running');
    await web.play(page, 'key v / move 300 200, down 1, up 1');
    assert.strictEqual(web.firstDifference(await web.canvasPixels(page), web.referencePicture('key v / move 300 200, down 1, up 1')), null);
  } finally {
    server.stop();
    await page.close();
  }
});

test('a model shared by link opens byte for byte as unsaved work; a damaged link says so', async () => {
  const context = shared.browser.defaultBrowserContext();
  await context.overridePermissions(shared.server.url.replace(/\/$/, ''), ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
  const first = await web.openEditor(shared.browser, shared.server.url);
  const pages = [first.page];
  try {
    const model = 'key v / move 300 200, down 1, up 1 / move 450 260, down 1, up 1 / move 380 420, down 1, up 1' +
      ' / key 4 / key f / key a, key linked.vx, enter';
    await web.play(first.page, model);
    const saved = await web.folderFile(first.page, 'linked.vx');
    await first.page.click('#copy-link');
    await first.page.waitForFunction(() => document.getElementById('link-message').textContent === 'Link copied.');
    const link = first.page.url();
    assert.match(link, /#model=[A-Za-z0-9_-]+&name=linked\.vx$/);
    assert.strictEqual(await first.page.evaluate(() => navigator.clipboard.readText()), link);

    const opened = await web.openEditor(shared.browser, link);
    pages.push(opened.page);
    await opened.page.waitForFunction(() => document.title === '*linked.vx — vxedit');
    await web.play(opened.page, 'key f / key a, key fromlink.vx, enter');
    assert.deepStrictEqual(await web.folderFile(opened.page, 'fromlink.vx'), saved);
    assert.deepStrictEqual(await web.storedFile(opened.page, 'linked.vx'), saved);

    const damaged = await web.openEditor(shared.browser, `${shared.server.url}#model=AAAA-not-deflate&name=x.vx`);
    pages.push(damaged.page);
    await damaged.page.waitForFunction(() => /damaged/.test(document.getElementById('link-message').textContent));
    await damaged.page.waitForFunction(() => document.title === 'unnamed.vx — vxedit');
    for (const { problems } of [first, opened, damaged]) assert.deepStrictEqual(problems, []);
  } finally {
    for (const page of pages) await page.close();
  }
});

test('a model too large for a link is refused with a word on Download', async () => {
  const vertices = 5000;
  const model = Buffer.alloc(12 + 12 * vertices);
  model.write('VTXF', 0, 'latin1');
  model.writeUInt16BE(vertices, 4);
  for (let i = 0; i < 3 * vertices; i++) model.writeInt32LE(Math.floor(Math.random() * 2e6) - 1e6, 12 + 4 * i);
  const file = require('node:path').join(web.temporaryFolder('large'), 'large.vx');
  require('node:fs').writeFileSync(file, model);
  const { page, problems } = await web.openEditor(shared.browser, shared.server.url);
  try {
    await (await page.$('#open-model')).uploadFile(file);
    await page.waitForFunction(() => document.title === 'large.vx — vxedit');
    await page.click('#copy-link');
    await page.waitForFunction(() => document.getElementById('link-message').textContent === 'too large for a link: use Download');
    assert.doesNotMatch(page.url(), /#model=/);
    assert.deepStrictEqual(problems, []);
  } finally {
    await page.close();
  }
});

// A 408 KB link once expanded to 300 MiB over 5 s, and a link of something else was dropped
// without a word: each is now refused in one line of the panel, within a second, and the
// editor goes on with what it had.
test('a link that is not a model, expands past any model, or names too long a file is refused in a word', async () => {
  const zlib = require('node:zlib');
  const folder = web.temporaryFolder('reference');
  web.referencePicture('key v / move 300 200, down 1, up 1 / key f / key a, key small.vx, enter', folder);
  const model = require('node:fs').readFileSync(require('node:path').join(folder, 'small.vx'));
  const link = (bytes, name) => `${shared.server.url}#model=${zlib.deflateRawSync(bytes).toString('base64url')}` +
    `&name=${encodeURIComponent(name)}`;
  const cases = [
    [link(Buffer.from('<html>not a model</html>'), 'page.vx'), /^The shared link is refused: what it holds is not a model\.$/],
    [link(Buffer.alloc(8 << 20), 'zeros.vx'), /^The shared link is refused: its model would be over 256 KB/],
    [link(model, `${'n'.repeat(4092)}.vx`), /^The shared link is refused: its name is longer than 255 bytes\.$/],
  ];
  for (const [address, said] of cases) {
    const { page, problems } = await web.openEditor(shared.browser, address);
    try {
      await page.waitForFunction(() => document.body.dataset.linkSaidMs);
      const { text, after } = await page.evaluate(() => ({
        text: document.getElementById('link-message').textContent,
        after: Number(document.body.dataset.linkSaidMs) - Number(document.body.dataset.firstFrameMs),
      }));
      assert.match(text, said);
      assert.ok(after < 1000, `${text}: said ${after} ms after the first frame`);
      await web.settle(page);
      assert.strictEqual(await page.title(), 'unnamed.vx — vxedit');
      assert.strictEqual(web.firstDifference(await web.canvasPixels(page), web.referencePicture('')), null);
      assert.deepStrictEqual(problems, []);
    } finally {
      await page.close();
    }
  }
});

// The server names no lifetime for its files, so the browser guesses one from their age: a day
// old, they would pass for fresh for hours, and the offline copy's worker must ask anew.
test('a changed build is picked up at the next reload', async () => {
  const fs = require('node:fs');
  const path = require('node:path');
  const folder = web.temporaryFolder('site');
  const dayAgo = new Date(Date.now() - 86400000);
  for (const name of fs.readdirSync(web.site)) {
    fs.copyFileSync(path.join(web.site, name), path.join(folder, name));
    fs.utimesSync(path.join(folder, name), dayAgo, dayAgo);
  }
  const server = await web.startServer(folder);
  const page = await shared.browser.newPage();
  try {
    await page.goto(server.url);
    await web.waitForState(page, 'running');
    await page.evaluate(() => navigator.serviceWorker.ready.then(() => true));
    await page.reload();
    await web.waitForState(page, 'running');
    assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null));

    const index = path.join(folder, 'index.html');
    fs.writeFileSync(index, fs.readFileSync(index, 'utf8').replace('<body ', '<body data-build="2" '));
    fs.appendFileSync(path.join(folder, 'files.js'), '\nwindow.vxBuild = 2;\n');
    await page.reload();
    await web.waitForState(page, 'running');
    assert.deepStrictEqual(await page.evaluate(() => [document.body.dataset.build, window.vxBuild]), ['2', 2]);
  } finally {
    server.stop();
    await page.close();
  }
});
