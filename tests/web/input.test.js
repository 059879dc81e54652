// Touch and high-density screens: a finger drags and, with the measuring toggle, measures;
// at twice the pixel density the board's backing store doubles and the board stays put.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness');

let server;
let browser;

test.before(async () => {
  server = await h.serve();
  browser = await h.launch();
});

test.after(async () => {
  if (browser) await browser.close();
  if (server) server.stop();
});

test('touch: a finger drags, and measures after the toggle', async () => {
  const page = await h.openPage(browser, server.url);
  await h.clickControl(page, h.ctl('IDC_BOARD_ADD_MARKER'));
  const b = await page.$eval('#board', (c) => c.getBoundingClientRect().toJSON());
  const at = (x, y) => [b.x + x + 0.5, b.y + y + 0.5];
  const swipe = async (from, to) => {
    await page.touchscreen.touchStart(...at(...from));
    await page.touchscreen.touchMove(...at((from[0] + to[0]) / 2, (from[1] + to[1]) / 2));
    await page.touchscreen.touchMove(...at(...to));
    await page.touchscreen.touchEnd();
    await h.settle(page);
  };
  await swipe([15, 15], [100, 100]);
  assert.equal(await h.code(page), 'A:91,91:r');
  await h.clickControl(page, '#measure');
  await page.touchscreen.touchStart(...at(105, 105));
  await page.touchscreen.touchMove(...at(300, 106));
  await page.touchscreen.touchMove(...at(406, 106));
  await h.settle(page);
  const line = await h.pixel(page, 300, 106);
  await page.touchscreen.touchEnd();
  await h.settle(page);
  assert.ok(line.every((v) => v < 80), `the measuring line under the finger: ${line}`);
  assert.equal(await h.code(page), 'A:91,91:r', 'measuring moved nothing');
  assert.equal(await page.$eval('#measure', (e) => e.getAttribute('aria-pressed')), 'false',
      'the toggle serves one drag');
  await swipe([105, 105], [200, 200]);
  assert.equal(await h.code(page), 'A:181,181:r', 'the next drag moves again');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('twice the pixel density: a sharper backing store, the same board', async () => {
  const page = await browser.newPage();
  await page.setViewport({width: 1000, height: 720, deviceScaleFactor: 2});
  await page.goto(server.url);
  await page.waitForFunction(() => document.documentElement.dataset.ready === 'true' &&
      window.dozeroTest.painted());
  const size = await page.$eval('#board', (c) => [c.width, c.height, c.clientWidth, c.clientHeight]);
  assert.deepEqual(size, [1202, 1200, 601, 600]);
  await h.clickControl(page, h.ctl('IDC_BOARD_ADD_MARKER'));
  await h.drag(page, [15, 15], [100, 100]);
  assert.equal(await h.code(page), 'A:91,91:r');
  assert.deepEqual(await h.pixel(page, 96, 106), [255, 1, 1]);
  assert.deepEqual(await h.pixel(page, 30, 4), [100, 100, 255]);
  await page.close();
});

test('a narrow screen: the window is scaled to fit and the board follows the pointer', async () => {
  const page = await browser.newPage();
  await page.setViewport({width: 600, height: 900, deviceScaleFactor: 1, hasTouch: true});
  await page.goto(server.url);
  await page.waitForFunction(() => document.documentElement.dataset.ready === 'true' &&
      window.dozeroTest.painted());
  const width = await page.$eval('#window', (e) => e.getBoundingClientRect().width);
  assert.ok(width <= 600, `the window is ${width} pixels wide`);
  await h.clickControl(page, h.ctl('IDC_BOARD_ADD_MARKER'));
  const b = await page.$eval('#board', (c) => c.getBoundingClientRect().toJSON());
  const f = b.width / 601;
  await page.mouse.move(b.x + 15 * f, b.y + 15 * f);
  await page.mouse.down();
  await page.mouse.move(b.x + 100.5 * f, b.y + 100.5 * f, {steps: 3});
  await page.mouse.up();
  await h.settle(page);
  assert.equal(await h.code(page), 'A:91,91:r');
  await page.close();
});
