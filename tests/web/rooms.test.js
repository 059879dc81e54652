// Rooms in the page against a real broker (mosquitto, or nats-server when DOZERO_BROKER=nats)
// on ports of the test's own: two pages share a board both ways, a late joiner gets it from
// the broker alone, a raw publisher on the room's topics changes nothing, the broker sees no
// board text, and a page without WebCrypto says why rooms are missing and keeps working.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const {execFileSync, spawnSync} = require('node:child_process');
const crypto = require('node:crypto');
const h = require('./harness');

const {ctl} = h;
const ADD = ctl('IDC_BOARD_ADD_MARKER');
const ADD_AREA = ctl('IDC_BOARD_ADD_AREA');
const NAME = ctl('IDC_MARKER_NAME');
const NEEDS_SECURE = 'ルームには https、127.0.0.1 または file:// で開いたページが必要です';

let roomBroker;
let server;
let browser;
let roomUser;  // the room id: the broker's user name
let tcpPort;

test.before(async () => {
  roomBroker = await h.roomBroker();
  tcpPort = roomBroker.tcp;
  server = await h.serve(roomBroker.site);
  browser = await h.launch();
  // Firefox knows no clipboard permissions: a test preference opens its clipboard (harness.js).
  if (!h.firefox) {
    await browser.defaultBrowserContext().overridePermissions(new URL(server.url).origin,
        ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
  }
});

test.after(async () => {
  if (browser) await browser.close();
  if (server) server.stop();
  if (roomBroker) roomBroker.stop();
});

// Waits until the element shows the text. With a timer: a page in the background gets no
// animation frames.
async function shows(page, selector, text) {
  await page.waitForFunction((sel, t) => {
    const e = document.querySelector(sel);
    return (e.value ?? e.textContent) === t;
  }, {timeout: 5000, polling: 50}, selector, text).catch(async () => {
    assert.equal(await page.$eval(selector, (e) => e.value ?? e.textContent), text, selector);
  });
}
const CODE = ctl('IDC_BOARD_CODE');
const members = (page, n) => shows(page, '#room-status', `ルーム: 接続 ${n}人`);

// Every retained payload on the room's topics, as [topic, hex].
function subscribeAll() {
  // -W: the retained messages come at once; it ends after a second.
  const out = spawnSync('mosquitto_sub', ['-h', '127.0.0.1', '-p', String(tcpPort),
    '-u', roomUser, '-t', `rooms/${roomUser}/#`, '-F', '%t %x', '-W', '1'],
  {encoding: 'utf8'}).stdout;
  return out.trim().split('\n').filter(Boolean).map((l) => l.split(' '));
}

function publish(topic, args, input) {
  execFileSync('mosquitto_pub', ['-h', '127.0.0.1', '-p', String(tcpPort), '-u', roomUser,
    '-t', topic, ...args], {input});
}

test('pages share a room through the broker, sealed', async () => {
  const a = await h.openPage(browser, server.url);
  await h.clickControl(a, ADD);
  await h.clickControl(a, '#room');
  const link = await a.evaluate(() => navigator.clipboard.readText());
  assert.match(link, /^http:\/\/127\.0\.0\.1:\d+\/#room=[A-Za-z0-9_-]{43}&broker=ws:\/\/127\.0\.0\.1:\d+(\/mqtt)?&tcp=127\.0\.0\.1:\d+$/);
  assert.equal(await a.evaluate(() => location.href), link);
  await members(a, 1);
  const secret = Buffer.from(/room=([^&]*)/.exec(link)[1], 'base64url');
  roomUser = Buffer.from(crypto.hkdfSync('sha256', secret, Buffer.alloc(0),
      'dozero room id v1', 16)).toString('hex');

  // The second page opens the link: it gets the board, and each change reaches the other.
  const b = await h.openPage(browser, link);
  await members(a, 2);
  await members(b, 2);
  await shows(b, CODE, await h.code(a));
  await b.bringToFront();
  await h.clickControl(b, ADD_AREA);
  await shows(a, CODE, await h.code(b));
  await a.bringToFront();
  await h.drag(a, [15, 15], [200, 120]);
  await h.click(a, 195, 135);
  await a.focus(NAME);
  await a.$eval(NAME, (e) => e.select());
  await a.type(NAME, 'ゴZ');
  await shows(b, CODE, await h.code(a));
  assert.match(await h.code(b), /^ゴZ:/);
  const board = await h.code(a);

  // The broker keeps only sealed bytes: no name, no coordinate text.
  const messages = subscribeAll();
  assert.ok(messages.length >= 3, 'the pieces and the grid are retained');
  const clear = [Buffer.from('ゴZ'), Buffer.from([0x83, 0x53, 0x5a]),
    ...board.split(/[:; ]/).filter((s) => s.length >= 3).map((s) => Buffer.from(s))];
  for (const [topic, hex] of messages) {
    for (const text of clear) {
      assert.ok(!hex.includes(text.toString('hex')), `${topic} shows ${text}`);
    }
  }

  // A client under another user name sees nothing of the room.
  for (const user of ['stranger', '#', '+']) {
    const seen = spawnSync('mosquitto_sub', ['-h', '127.0.0.1', '-p', String(tcpPort), '-u', user,
      '-t', `rooms/${roomUser}/#`, '-W', '1'], {encoding: 'utf8'}).stdout;
    assert.equal(seen, '', user);
  }
  // A raw publisher with the room's user name: a replay of a real message, garbage, empty
  // messages that clear the piece and the grid off the broker. The members put them back.
  const [pieceTopic, pieceHex] = messages.find(([t]) => t.includes('/p/'));
  publish(pieceTopic, ['-s'], Buffer.from(pieceHex, 'hex'));
  publish(pieceTopic, ['-m', 'garbage']);
  publish(`rooms/${roomUser}/p/c0123456789abcdef-1`, ['-m', 'x'.repeat(60)]);
  publish(pieceTopic, ['-n']);
  publish(`rooms/${roomUser}/grid`, ['-n']);
  await new Promise((r) => setTimeout(r, 3000));  // the members put back what was taken after 2 s
  await h.settle(a);
  assert.equal(await h.code(a), board);
  assert.equal(await h.code(b), board);
  assert.deepEqual(a.errors.concat(b.errors), []);
  await a.close();
  await b.close();

  // A late joiner with nobody else in the room gets the board from the broker, whole.
  const c = await h.openPage(browser, link);
  await shows(c, CODE, board);
  await members(c, 1);
  await c.close();
});

test('a page without WebCrypto says rooms need a secure page and keeps working', async () => {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(() => {
    Object.defineProperty(Crypto.prototype, 'subtle', {get: () => undefined});
  });
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.goto(`${server.url}#room=${'A'.repeat(43)}&broker=ws://127.0.0.1:1`);
  await page.waitForFunction(() => document.documentElement.dataset.ready === 'true');
  assert.equal(await page.$eval('#room-status', (e) => e.textContent), NEEDS_SECURE);
  await h.clickControl(page, ADD);
  assert.notEqual(await h.code(page), '');
  await h.clickControl(page, '#room');
  assert.equal(await page.$eval('#note', (e) => e.textContent), NEEDS_SECURE);
  assert.deepEqual(errors, []);
  await page.close();
});
