// A member with the room's secret floods the room: thousands of sealed moves a second mixed
// with garbage, then the largest packets the broker takes. The other members' pages keep
// answering, their memory stays bounded, and once the flood stops they show the same board.
// The flooder is a raw MQTT client sealing with node's crypto as docs/rooms.md describes.
// The JavaScript heap is measured in Chromium only (Firefox gives no figure of it to a
// test); the WebAssembly memory in both.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const net = require('node:net');
const crypto = require('node:crypto');
const h = require('./harness');

const ADD = h.ctl('IDC_BOARD_ADD_MARKER');
const FLOOD_MS = 4000;
const MB = 1 << 20;

function roomKeys(link) {
  const secret = Buffer.from(/room=([^&]*)/.exec(link)[1], 'base64url');
  const derive = (info, n) => Buffer.from(crypto.hkdfSync('sha256', secret, Buffer.alloc(0),
      info, n));
  return {id: derive('dozero room id v1', 16).toString('hex'), key: derive('dozero room key v1', 32)};
}

function seal(key, topic, plain) {
  const nonce = crypto.randomBytes(12);
  const c = crypto.createCipheriv('aes-256-gcm', key, nonce);
  c.setAAD(Buffer.from(topic));
  return Buffer.concat([nonce, c.update(plain), c.final(), c.getAuthTag()]);
}

function packet(head, body) {
  const len = [];
  let n = body.length;
  do {
    len.push((n % 128) | (n >= 128 ? 0x80 : 0));
    n = Math.floor(n / 128);
  } while (n);
  return Buffer.concat([Buffer.from([head, ...len]), body]);
}

function field(s) {
  const b = Buffer.from(s);
  return Buffer.concat([Buffer.from([b.length >> 8, b.length & 255]), b]);
}

const publish = (topic, payload) => packet(0x31, Buffer.concat([field(topic), payload]));

// A raw client with the room id as user name; resolves once the broker accepts it.
function connect(port, user) {
  return new Promise((resolve, reject) => {
    const s = net.connect(port, '127.0.0.1', () => s.write(packet(0x10, Buffer.concat([
      field('MQTT'), Buffer.from([4, 0x82, 0, 60]), field(`flood${process.pid}`), field(user)]))));
    s.once('data', (d) => (d[0] === 0x20 && d[3] === 0 ? resolve(s) : reject(new Error('refused'))));
    s.on('error', reject);
  });
}

// A character "F" of the flooder's asking for the last slot, at (x, y).
function move(member, seq, x, y) {
  const p = Buffer.alloc(32);
  p[0] = 1;  // version
  p[1] = 1;  // a piece
  member.copy(p, 2);
  p.writeBigUInt64BE(BigInt(seq), 10);
  p[18] = 25;
  p.writeInt32BE(x, 20);
  p.writeInt32BE(y, 24);
  p[30] = 1;
  p[31] = 0x46;
  return p;
}

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

    const {id, key} = roomKeys(link);
    const flooder = await connect(broker.tcp, id);
    const member = crypto.randomBytes(8);
    const topic = `rooms/${id}/p/c${member.toString('hex')}-1`;
    let seq = 0;
    let sent = 0;
    const end = Date.now() + FLOOD_MS;
    const flood = (async () => {
      while (Date.now() < end) {
        // The second half: the largest packets the broker takes (4096 bytes).
        const large = Date.now() > end - FLOOD_MS / 2;
        const batch = [];
        for (let i = 0; i < 50; ++i, ++sent) {
          if (large) batch.push(publish(topic, crypto.randomBytes(4096 - 5 - topic.length)));
          else if (i % 4 === 3) batch.push(publish(topic, crypto.randomBytes(60)));
          else batch.push(publish(topic, seal(key, topic, move(member, ++seq, seq % 500, 9))));
        }
        if (!flooder.write(Buffer.concat(batch))) await new Promise((r) => flooder.once('drain', r));
        await new Promise((r) => setTimeout(r, 5));
      }
    })();

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
    await flood;
    flooder.write(publish(topic, seal(key, topic, move(member, ++seq, 300, 300))));
    flooder.end();
    assert.ok(sent / (FLOOD_MS / 1000) > 1000, `${sent} messages in ${FLOOD_MS} ms`);
    t.diagnostic(`${sent} messages in ${FLOOD_MS} ms; slowest answer ${slowest} ms; most memory ` +
        JSON.stringify(most));
    assert.ok(slowest < 5000, `a page took ${slowest} ms to answer`);

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
