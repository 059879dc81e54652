// A member with the room's secret floods the room: thousands of sealed moves a second mixed
// with garbage, then the largest packets the broker takes. The other members' pages keep
// answering (within 10 s: the machine may be shared), their memory stays bounded, and once
// the flood stops they show the same board.
// The flooder: flooder.js.
// The JavaScript heap is measured in Chromium only (Firefox gives no figure of it to a
// test); the WebAssembly memory in both.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness');
const {flood} = require('./flooder');

const ADD = h.ctl('IDC_BOARD_ADD_MARKER');
const FLOOD_MS = 4000;
const MB = 1 << 20;

// The page's WebAssembly memory, caught as the module is instantiated.
function catchMemory() {
  for (const name of ['instantiate', 'instantiateStreaming']) {
    const f = WebAssembly[name];
    WebAssembly[name] = async function (...args) {
      const r = await f.apply(this, args);
      const exports = Object.values((r.instance || r).exports);
      window.dozeroMemory = exports.find((e) => e instanceof WebAssembly.Memory);
      return r;
    };
  }
}

async function memory(page) {
  const wasm = await page.evaluate(() => window.dozeroMemory.buffer.byteLength);
  if (h.firefox) return {wasm, heap: 0};
  const cdp = await page.target().createCDPSession();
  await cdp.send('HeapProfiler.collectGarbage');
  await cdp.detach();
  return {wasm, heap: (await page.metrics()).JSHeapUsedSize};
}

test('a member flooding the room leaves the others answering, bounded and in step', async (t) => {
  const broker = await h.roomBroker();
  const server = await h.serve(broker.site);
  const browser = await h.launch();
  try {
    const open = async (url) => {
      const page = await browser.newPage();
      page.errors = [];
      page.on('pageerror', (e) => page.errors.push(String(e)));
      await page.evaluateOnNewDocument(catchMemory);
      await page.goto(url);
      await page.waitForFunction(() => document.documentElement.dataset.ready === 'true');
      return page;
    };
    const a = await open(server.url);
    await h.clickControl(a, ADD);
    await h.clickControl(a, '#room');
    const link = await a.evaluate(() => location.href);
    const b = await open(link);
    await b.waitForFunction(() => document.getElementById('room-status').textContent.endsWith('2人'));
    const before = [await memory(a), await memory(b)];

    const flooding = flood(link, broker.tcp, FLOOD_MS);
    const end = Date.now() + FLOOD_MS;

    // While it lasts, each page answers a script and a click within a generous bound; its
    // memory is measured as it goes.
    let slowest = 0;
    let clicks = 0;
    const most = [{...before[0]}, {...before[1]}];
    while (Date.now() < end) {
      for (const [i, page] of [a, b].entries()) {
        await page.bringToFront();  // a page in the background gets no animation frames
        const start = Date.now();
        await page.evaluate(() => document.getElementById('room-status').textContent);
        if (clicks < 20) {
          await h.clickControl(page, ADD);
          ++clicks;
        }
        slowest = Math.max(slowest, Date.now() - start);
        const m = await memory(page);
        most[i] = {wasm: Math.max(most[i].wasm, m.wasm), heap: Math.max(most[i].heap, m.heap)};
      }
    }
    const sent = await flooding;
    assert.ok(sent > 2000, `only ${sent} messages in ${FLOOD_MS} ms`);  // a slow machine floods less
    t.diagnostic(`${sent} messages in ${FLOOD_MS} ms; slowest answer ${slowest} ms; most memory ` +
        JSON.stringify(most));
    assert.ok(slowest < 10000, `a page took ${slowest} ms to answer`);

    // Afterwards both show one board, the flooder's last move and every click in it.
    const same = async () => {
      for (let i = 0; i < 100; ++i) {
        const [ca, cb] = [await h.code(a), await h.code(b)];
        if (ca === cb && ca.includes('F:300,300')) return ca;
        await new Promise((r) => setTimeout(r, 200));
      }
      return [await h.code(a), await h.code(b)].join(' | ');
    };
    const board = await same();
    assert.match(board, /F:300,300/);
    assert.doesNotMatch(board, /\|/);
    assert.equal(board.split(' ').length, Math.min(26, 2 + clicks));
    const after = [await memory(a), await memory(b)];
    for (let i = 0; i < 2; ++i) {
      assert.ok(most[i].wasm <= before[i].wasm + 16 * MB, `wasm ${before[i].wasm} → ${most[i].wasm}`);
      assert.ok(most[i].heap <= before[i].heap + 32 * MB, `heap ${before[i].heap} → ${most[i].heap}`);
      assert.ok(after[i].wasm <= before[i].wasm + 16 * MB, `wasm ${before[i].wasm} → ${after[i].wasm}`);
      assert.ok(after[i].heap <= before[i].heap + 32 * MB, `heap ${before[i].heap} → ${after[i].heap}`);
    }
    assert.deepEqual(a.errors.concat(b.errors), []);
  } finally {
    await browser.close();
    server.stop();
    broker.stop();
  }
});
