// Touch screens and pixel densities: a phone upright (the narrow layout) and a tablet lying
// (the window as on a desktop), each driven by a finger; at twice the pixel density the
// board's backing store doubles and the board stays put.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness');

const ADD = h.ctl('IDC_BOARD_ADD_MARKER');
const NAME = h.ctl('IDC_MARKER_NAME');
const INPUT = h.ctl('IDC_BOARD_INPUT');
const FINGER_REACH = 22;  // CSS pixels, web/app.js
// The window of the desktop layout: where its board lies on the page.
const WINDOW_BOARD = {x: 9, y: 30, width: 601};

const DEVICES = [
  {name: 'a 390 × 844 phone', width: 390, height: 844, dpr: 3, narrow: true},
  {name: 'a 1024 × 768 tablet', width: 1024, height: 768, dpr: 2, narrow: false},
];

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

async function open(width, height, dpr, hasTouch) {
  const page = await browser.newPage();
  await page.setViewport({width, height, deviceScaleFactor: dpr, hasTouch, isMobile: hasTouch});
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(String(e)));
  await page.goto(server.url);
  await page.waitForFunction(() => document.documentElement.dataset.ready === 'true' &&
      window.dozeroTest.painted());
  return page;
}

async function board(page) {
  return page.$eval('#board', (c) => {
    const r = c.getBoundingClientRect();
    return {x: r.left, y: r.top, width: r.width, height: r.height, store: c.width};
  });
}

// A finger on the board (scrolled to the top of the page): positions in board pixels.
function finger(page) {
  const at = async (p) => {
    const b = await board(page);
    const f = b.width / 601;
    return [b.x + (p[0] + h.INSIDE) * f, b.y + (p[1] + h.INSIDE) * f];
  };
  return {
    down: async (p) => {
      await page.evaluate(() => window.scrollTo(0, 0));
      await page.touchscreen.touchStart(...await at(p));
    },
    move: async (p) => page.touchscreen.touchMove(...await at(p)),
    up: async () => {
      await page.touchscreen.touchEnd();
      await h.settle(page);
    },
    tap: async (p) => {
      await page.evaluate(() => window.scrollTo(0, 0));
      await page.touchscreen.tap(...await at(p));
      await h.settle(page);
    },
    async drag(from, to) {
      await this.down(from);
      await this.move([(from[0] + to[0]) / 2, (from[1] + to[1]) / 2]);
      await this.move(to);
      await this.up();
    },
  };
}

async function tapControl(page, selector) {
  const el = await page.$(selector);
  await el.scrollIntoView();
  await el.tap();
  await h.settle(page);
}

async function selectedName(page) {
  return (await h.visible(page, h.MARKER)) ? h.value(page, NAME) : null;
}

// Sizes and places of the page's visible texts and controls, with the board's box.
async function measure(page) {
  return page.evaluate(() => {
    const b = document.getElementById('board').getBoundingClientRect();
    const shown = (e) => e.getClientRects().length > 0;
    const controls = Array.from(document.querySelectorAll(
        '#menubar button, .panel button, .panel input, .panel select')).filter(shown);
    // Each panel's controls top to bottom, then left to right: on the screen and by the
    // places of the desktop panels.
    const rect = (e) => e.dataset.rect.split(',').map(Number);
    const box = (e) => e.getBoundingClientRect();
    const orders = Array.from(document.querySelectorAll('.panel:not([hidden])'), (p) => {
      const items = Array.from(p.querySelectorAll(':scope > [data-rect]')).filter(shown);
      const caption = (e) => e.textContent || e.getAttribute('aria-label');
      return [items.sort((x, y) => box(x).top - box(y).top || box(x).left - box(y).left),
        items.slice().sort((x, y) => rect(x)[1] - rect(y)[1] || rect(x)[0] - rect(y)[0])]
          .map((list) => list.map(caption).join(' '));
    });
    return {
      orders,
      scrollWidth: document.documentElement.scrollWidth,
      smallestText: Math.min(...Array.from(document.querySelectorAll(
          '#menubar button, .panel > *:not(.row-break)')).filter(shown).map((e) =>
        parseFloat(getComputedStyle(e).fontSize))),
      controls: controls.map((e) => {
        const r = e.getBoundingClientRect();
        return {name: e.textContent || e.getAttribute('aria-label'), width: r.width,
          height: r.height, left: r.left, right: r.right,
          gap: e.closest('#settings') ? 1e9 : Math.max(b.top - r.bottom, r.top - b.bottom)};
      }),
    };
  });
}

for (const d of DEVICES) {
  test(`${d.name}: layout, and a finger drags, takes a disc within reach, measures`, async () => {
    const page = await open(d.width, d.height, d.dpr, true);
    const b = await board(page);
    const width = await page.evaluate(() => document.documentElement.clientWidth);
    if (d.narrow) {
      // (less a classic scroll bar, as Firefox shows on Linux)
      assert.deepEqual([b.x, b.width], [0, width], 'the board as wide as the screen');
    } else {
      assert.deepEqual([b.x, b.y, b.width], [WINDOW_BOARD.x, WINDOW_BOARD.y, WINDOW_BOARD.width],
          'the window as on a desktop');
    }
    assert.equal(b.store, Math.round(b.width * d.dpr), 'drawn at the device\'s pixels');

    const touch = finger(page);
    await tapControl(page, ADD);
    await touch.tap([4, 4]);
    assert.equal(await selectedName(page), 'A', 'a tap on the disc in the top-left cell selects it');

    await page.click('#settings-button');  // the menu's items are measured too
    const m = await measure(page);
    await page.click('#settings-button');
    assert.ok(m.scrollWidth <= width, `no horizontal scrolling: ${m.scrollWidth}`);
    for (const c of m.controls) {
      assert.ok(c.left >= 0 && c.right <= width, `${c.name} within the screen's width`);
    }
    if (d.narrow) {
      assert.equal(m.orders.length, 2, 'the board and marker panels');
      for (const [screen, desktop] of m.orders) assert.equal(screen, desktop);
      assert.ok(m.smallestText >= 16, `texts of ${m.smallestText} px`);
      for (const c of m.controls) {
        assert.ok(c.width >= 44 && c.height >= 44, `${c.name}: ${c.width} × ${c.height}`);
        // Chromium adjusts a touch up to 16 px towards a control: none lies that near.
        assert.ok(c.gap >= 16, `${c.name} ${c.gap} px from the board`);
      }
    }

    await touch.drag([15, 15], [100, 100]);
    assert.equal(await h.code(page), 'A:91,91:r');

    // A disc of 30 board pixels: a tap just within a finger's reach of its box takes it
    // (without moving it), a drag from just beyond takes nothing.
    await h.loadCode(page, 'A:91,91:r B:301,301:g');
    const f = b.width / 601;
    const beside = (css) => [Math.floor(331 + css / f), 315];
    await touch.tap([105, 105]);
    await touch.tap(beside(FINGER_REACH - 2));
    assert.equal(await selectedName(page), 'B', 'within reach');
    await touch.drag(beside(FINGER_REACH + 3), [450, 20]);
    assert.equal(await h.code(page), 'A:91,91:r B:301,301:g', 'a tap moves nothing, nor beyond reach');
    // (Firefox's WebDriver touches never pan a page: only Chromium's run proves touch-action.)
    assert.equal(await page.evaluate(() => window.scrollY), 0, 'a drag on empty board scrolls nothing');

    await touch.tap([105, 105]);
    await tapControl(page, '#measure');
    await touch.down([105, 105]);
    await touch.move([300, 106]);
    await touch.move([406, 106]);
    await h.settle(page);
    const line = await h.pixel(page, 300, 106);
    await touch.up();
    assert.ok(line.every((v) => v < 100), `the measuring line under the finger: ${line}`);
    assert.equal(await h.code(page), 'A:91,91:r B:301,301:g', 'measuring moved nothing');
    assert.equal(await page.$eval('#measure', (e) => e.getAttribute('aria-pressed')), 'false',
        'the toggle serves one drag');
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test(`${d.name} turned during a drag: the drag ends, nothing is lost`, async () => {
    const page = await open(d.width, d.height, d.dpr, true);
    const touch = finger(page);
    await tapControl(page, ADD);
    await page.focus(INPUT);
    await page.keyboard.type('B:3');
    await touch.down([15, 15]);
    await touch.move([100, 100]);
    const store = (await board(page)).store;
    await page.setViewport({width: d.height, height: d.width, deviceScaleFactor: d.dpr,
      hasTouch: true, isMobile: true});
    await page.waitForFunction((s) => document.getElementById('board').width !== s, {}, store);
    await touch.move([200, 200]);  // the finger goes on: the ended drag stays ended
    await touch.up();
    const b = await board(page);
    const width = await page.evaluate(() => document.documentElement.clientWidth);
    assert.equal(b.width, d.narrow ? WINDOW_BOARD.width : width, 'the board re-laid');
    assert.equal(b.store, Math.round(b.width * d.dpr));
    assert.equal(await h.code(page), 'A:91,91:r', 'the disc stays where the drag ended');
    assert.equal(await selectedName(page), 'A', 'still selected');
    assert.deepEqual(await page.evaluate(() => [document.activeElement.value,
      document.activeElement.selectionStart]), ['B:3', 3], 'the text being typed is kept');
    assert.deepEqual(await h.pixel(page, 96, 106), [255, 1, 1], 'the board drawn again');
    assert.deepEqual(page.errors, []);
    await page.close();
  });
}

test('twice the pixel density: a sharper backing store, the same board', async () => {
  const page = await open(1000, 720, 2, false);
  const size = await page.$eval('#board', (c) => [c.width, c.height, c.clientWidth, c.clientHeight]);
  assert.deepEqual(size, [1202, 1200, 601, 600]);
  await h.clickControl(page, ADD);
  await h.drag(page, [15, 15], [100, 100]);
  assert.equal(await h.code(page), 'A:91,91:r');
  assert.deepEqual(await h.pixel(page, 96, 106), [255, 1, 1]);
  assert.deepEqual(await h.pixel(page, 30, 4), [100, 100, 255]);
  await page.close();
});
