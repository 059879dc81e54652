// Shared set-up of the browser tests: a static server for the built site on 127.0.0.1,
// a headless browser through puppeteer-core (Chromium, or Firefox over WebDriver BiDi when
// DOZERO_BROWSER=firefox), and helpers that act as a user would.
'use strict';

const {execFileSync, spawn} = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');
const vm = require('node:vm');
const puppeteer = require('puppeteer-core');

const root = path.resolve(__dirname, '../..');
const site = process.env.DOZERO_SITE || path.join(root, 'build/web/site');

// The engine of this run: 'chromium' or 'firefox' (tests/web/run runs both).
const engine = process.env.DOZERO_BROWSER || 'chromium';
if (!['chromium', 'firefox'].includes(engine)) throw new Error(`unknown DOZERO_BROWSER ${engine}`);
const firefox = engine === 'firefox';

function executable() {
  const candidates = firefox ? [process.env.FIREFOX, '/usr/bin/firefox-esr'] :
    [process.env.CHROMIUM, '/usr/bin/chromium', '/usr/bin/chromium-browser'];
  for (const p of candidates) {
    if (p && fs.existsSync(p)) return p;
  }
  throw new Error(`${engine} not found; run scripts/setup`);
}

// Serves `dir` with Python's http.server on a free port; resolves to {url, stop}.
function serve(dir = site) {
  return new Promise((resolve, reject) => {
    const child = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
      '--directory', dir], {stdio: ['ignore', 'pipe', 'pipe']});
    let out = '';
    const onData = (d) => {
      out += d;
      const m = /port (\d+)/.exec(out);
      if (m) {
        child.stdout.off('data', onData);
        resolve({url: `http://127.0.0.1:${m[1]}/`, stop: () => child.kill()});
      }
    };
    child.stdout.on('data', onData);
    child.on('error', reject);
    child.on('exit', (code) => reject(new Error(`http.server ended (${code}): ${out}`)));
  });
}

// The tables the page was built with (ids.js, generated from src/panels/ids.h and the
// resource script): dozero.ids, dozero.panelOf.
function pageTables() {
  const file = path.join(site, 'ids.js');
  if (!fs.existsSync(file)) throw new Error(`${file} is missing; build the site (scripts/build-web)`);
  const context = {};
  context.window = context;
  vm.runInNewContext(fs.readFileSync(file, 'utf8'), context);
  return context.dozero;
}
const {ids, panelOf} = pageTables();

// The site's own files as the page names them: itself, its scripts and its style sheets.
function pageFiles() {
  const html = fs.readFileSync(path.join(site, 'index.html'), 'utf8');
  const named = html.matchAll(/<(?:script src|link rel="stylesheet" href)="([^"]+)"/g);
  return ['index.html'].concat(Array.from(named, (m) => m[1]));
}

// What the tests read of a page, put into every page before its own scripts.
function testHooks() {
  window.dozeroTest = {
    // The board's pixel at board position (x, y): [r, g, b].
    pixel(x, y) {
      const canvas = document.getElementById('board');
      const s = canvas.width / 601;
      const board = canvas.getContext('2d');
      const d = board.getImageData(Math.floor(x * s), Math.floor(y * s), 1, 1).data;
      return [d[0], d[1], d[2]];
    },
    // True once the core has drawn the board.
    painted() {
      return document.documentElement.dataset.firstPaint !== undefined;
    },
  };
}

async function launch() {
  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), `dozero-${engine}-`));
  const browser = await puppeteer.launch(firefox ? {
    browser: 'firefox',
    executablePath: executable(),
    headless: true,
    userDataDir,
    // The asynchronous clipboard without the paste prompt a user answers.
    extraPrefsFirefox: {'intl.accept_languages': 'ja', 'dom.events.testing.asyncClipboard': true},
  } : {
    executablePath: executable(),
    headless: true,
    userDataDir,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run',
      '--disable-default-apps', '--force-device-scale-factor=1', '--lang=ja'],
  });
  const newPage = browser.newPage.bind(browser);
  browser.newPage = async () => {
    const page = await newPage();
    await page.setViewport({width: 1000, height: 720, deviceScaleFactor: 1});
    await page.evaluateOnNewDocument(testHooks);
    return page;
  };
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(userDataDir, {recursive: true, force: true});
  };
  return browser;
}

// Opens the page and waits until the core has started and drawn its first board.
async function openPage(browser, url) {
  const page = await browser.newPage();
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(String(e)));
  await page.goto(url);
  await page.waitForFunction(() => document.documentElement.dataset.ready === 'true' &&
      window.dozeroTest.painted());
  return page;
}

// Waits for the repaints asked for so far to happen.
async function settle(page) {
  await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
}

async function boardBox(page) {
  return page.$eval('#board', (c) => {
    const r = c.getBoundingClientRect();
    return {x: r.left, y: r.top};
  });
}

// A point a little into a pixel: Chromium keeps fractions of input positions, Firefox
// rounds them to whole pixels.
const INSIDE = 0.25;

// Real mouse input at board pixel (x, y).
async function mouseAt(page, x, y) {
  const b = await boardBox(page);
  await page.mouse.move(b.x + x + INSIDE, b.y + y + INSIDE);
}

async function press(page, x, y, button = 'left') {
  await mouseAt(page, x, y);
  await page.mouse.down({button});
}

async function release(page, x, y, button = 'left') {
  await mouseAt(page, x, y);
  await page.mouse.up({button});
}

// A press, a move in steps and a release.
async function drag(page, from, to, {button = 'left', steps = 4} = {}) {
  await press(page, from[0], from[1], button);
  const b = await boardBox(page);
  await page.mouse.move(b.x + to[0] + INSIDE, b.y + to[1] + INSIDE, {steps});
  await page.mouse.up({button});
  await settle(page);
}

async function click(page, x, y) {
  await press(page, x, y);
  await page.mouse.up();
  await settle(page);
}

const BOARD = '#panel-board';
const MARKER = '#panel-marker';
const AREA = '#panel-area';

// The selector of a panel control by its identifier's name (IDC_BOARD_CODE).
function ctl(name) {
  if (!(name in panelOf)) throw new Error(`no panel control ${name}`);
  return `.panel[data-panel="${panelOf[name]}"] [data-id="${ids[name]}"]`;
}

async function value(page, selector) {
  return page.$eval(selector, (e) => e.value);
}

async function code(page) {
  return value(page, ctl('IDC_BOARD_CODE'));
}

async function clickControl(page, selector) {
  await page.click(selector);
  await settle(page);
}

// Types a code into the input field and presses the load button.
async function loadCode(page, text) {
  await page.$eval(ctl('IDC_BOARD_INPUT'), (e, t) => { e.value = t; }, text);
  await clickControl(page, ctl('IDC_BOARD_LOAD'));
}

async function visible(page, selector) {
  return page.$eval(selector, (e) => !e.hidden && !e.closest('[hidden]'));
}

async function menu(page, label) {
  await page.click('#settings-button');
  const items = await page.$$('#settings button');
  for (const item of items) {
    const text = await item.evaluate((e) => e.textContent);
    if (text === label) {
      if (!(await item.isVisible())) {
        await page.click('#rounding-button');
      }
      await item.click();
      await settle(page);
      return;
    }
  }
  throw new Error(`no menu item ${label}`);
}

async function menuMarks(page) {
  return page.$$eval('#settings [data-menu]', (items) =>
    Object.fromEntries(items.map((i) => [i.textContent, i.getAttribute('aria-checked') === 'true'])));
}

async function pixel(page, x, y) {
  return page.evaluate((px, py) => window.dozeroTest.pixel(px, py), x, y);
}

// ---- rooms -------------------------------------------------------------------------------

function freePort() {
  return new Promise((resolve) => {
    const s = net.createServer().listen(0, '127.0.0.1', () => {
      const {port} = s.address();
      s.close(() => resolve(port));
    });
  });
}

function brokerCall(fn, ...args) {
  return execFileSync('bash', ['-c', `. scripts/lib/broker.sh; ${fn} "$@"`, 'broker', ...args],
      {cwd: root, encoding: 'utf8'}).trim();
}

// The broker of the caller's own on free ports (scripts/lib/broker.sh: mosquitto, or
// nats-server when DOZERO_BROKER=nats) and a copy of the site whose page names it
// (src/web/set_broker.py). kill() ends the broker at once (SIGKILL), start() starts it again
// on the same ports, with the state it kept or, given {empty: true}, none; stop() ends the
// broker and removes everything.
async function roomBroker() {
  const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'dozero-rooms-'));
  fs.chmodSync(scratch, 0o755);  // mosquitto started as root runs as its own user
  const state = path.join(scratch, 'broker');
  const tcp = await freePort();
  const ws = await freePort();
  const wsUrl = brokerCall('dz_broker_ws_url', ws);
  const broker = {
    kind: process.env.DOZERO_BROKER || 'mosquitto',
    tcp, ws, wsUrl,
    pid: brokerCall('dz_broker_start', state, tcp, ws),
    site: sitePointedAt(scratch, 'site', wsUrl, `127.0.0.1:${tcp}`),
    // A copy of the site whose page names another address of this broker (a proxy's).
    siteFor(name, url, tcpAddress) {
      return sitePointedAt(scratch, name, url, tcpAddress);
    },
    kill() {
      process.kill(Number(broker.pid), 'SIGKILL');
    },
    start({empty = false} = {}) {
      if (empty) fs.rmSync(state, {recursive: true, force: true});
      broker.pid = brokerCall('dz_broker_start', state, tcp, ws);
    },
    stop() {
      brokerCall('dz_broker_stop', broker.pid);
      fs.rmSync(scratch, {recursive: true, force: true});
    },
  };
  return broker;
}

function sitePointedAt(scratch, name, url, tcpAddress) {
  const dir = path.join(scratch, name);
  fs.cpSync(site, dir, {recursive: true});
  execFileSync('python3', [path.join(root, 'src/web/set_broker.py'),
    path.join(site, 'index.html'), path.join(dir, 'index.html'), url, tcpAddress]);
  return dir;
}

module.exports = {
  engine, firefox, INSIDE, root, site, ids, pageFiles, serve, launch, openPage, settle, press, release, drag, click,
  mouseAt, BOARD, MARKER, AREA, ctl, value, code, clickControl, loadCode, visible, menu,
  menuMarks, pixel, freePort, roomBroker,
};
