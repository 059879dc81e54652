// The page on its own: opened from a folder with no server, and served, it asks for nothing
// beyond its own files while it loads and nothing at all afterwards.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const {pathToFileURL} = require('node:url');
const h = require('./harness');

let browser;
let server;

test.before(async () => {
  browser = await h.launch();
  server = await h.serve();
});

test.after(async () => {
  if (browser) await browser.close();
  if (server) server.stop();
});

const OWN_FILES = h.pageFiles();

async function checkPage(url, base) {
  const page = await browser.newPage();
  const requests = [];
  page.on('request', (r) => requests.push(r.url()));
  const violations = [];
  page.on('console', (m) => { if (/Content.Security.Policy/i.test(m.text())) violations.push(m.text()); });
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(String(e)));
  await page.goto(url);
  await page.waitForFunction(() => document.documentElement.dataset.ready === 'true' &&
      window.dozeroTest.painted());
  const loaded = requests.splice(0);
  for (const r of loaded) {
    // (the page's empty icon is a data: address, which asks nothing of any server)
    const own = OWN_FILES.some((f) => r === base + f) || r === url || r === 'data:,';
    assert.ok(own, `request beyond the page's own files: ${r}`);
  }
  // Using the page asks for nothing more.
  await h.clickControl(page, h.ctl('IDC_BOARD_ADD_MARKER'));
  await h.clickControl(page, h.ctl('IDC_BOARD_ADD_AREA'));
  await h.drag(page, [15, 15], [200, 200]);
  await h.clickControl(page, '#link');
  assert.deepEqual(requests, []);
  assert.deepEqual(violations, []);
  assert.deepEqual(page.errors, []);
  assert.equal(await h.code(page), 'A:181,181:r rb:-14,-14:2');
  const shadowAndDisc = await h.pixel(page, 186, 196);
  assert.deepEqual(shadowAndDisc, [255, 1, 1]);
  await page.close();
}

test('opens from a folder with no server', async () => {
  const url = pathToFileURL(path.join(h.site, 'index.html')).href;
  await checkPage(url, url.replace(/index\.html$/, ''));
});

test('served, it asks only for its own files', async () => {
  await checkPage(server.url, server.url);
});
