// The browser edition in headless Chromium, driven with real input events: the main things
// a user does, checked on the code field, the panels, the menu and the board's pixels.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const h = require('./harness');
const images = require('./images');

const {BOARD, MARKER, AREA, ctl} = h;
const ADD = ctl('IDC_BOARD_ADD_MARKER');
const ADD_AREA = ctl('IDC_BOARD_ADD_AREA');
const CLEAR = ctl('IDC_BOARD_CLEAR');
const COPY = ctl('IDC_BOARD_COPY');
const GRID = ctl('IDC_BOARD_GRID');
const NAME = ctl('IDC_MARKER_NAME');
const MELEE = ctl('IDC_MARKER_MELEE');
const COLOUR = ctl('IDC_MARKER_COLOR');
const RADIUS = ctl('IDC_AREA_RADIUS');
const GRID_COLOUR = [100, 100, 255];
const WHITE = [255, 255, 255];
const RED = [255, 1, 1];  // the colour table's red

let server;
let browser;
let scratch;

test.before(async () => {
  server = await h.serve();
  browser = await h.launch();
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'dozero-web-test-'));
  // Firefox knows no clipboard permissions: a test preference opens its clipboard (harness.js).
  if (!h.firefox) {
    const context = browser.defaultBrowserContext();
    await context.overridePermissions(new URL(server.url).origin,
        ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
  }
});

test.after(async () => {
  if (browser) await browser.close();
  if (server) server.stop();
  if (scratch) fs.rmSync(scratch, {recursive: true, force: true});
});

async function fresh(url = server.url) {
  const page = await h.openPage(browser, url);
  return page;
}

async function done(page) {
  assert.deepEqual(page.errors, [], 'no script errors');
  await page.close();
}

async function clipboard(page) {
  return page.evaluate(() => navigator.clipboard.readText());
}

function near(actual, expected, tolerance = 2) {
  return actual.every((v, i) => Math.abs(v - expected[i]) <= tolerance);
}

async function assertPixel(page, x, y, expected, what, tolerance = 2) {
  const got = await h.pixel(page, x, y);
  assert.ok(near(got, expected, tolerance), `${what}: pixel (${x},${y}) is ${got}, expected ${expected}`);
}

// A click on a character without moving it: the release rewrites the code.
async function rewrite(page, x, y) {
  await h.click(page, x, y);
  return h.code(page);
}

test('start: title, panels and the empty grid', async () => {
  const page = await fresh();
  assert.equal(await page.title(), 'dozero ver 0.50');
  assert.deepEqual([await h.visible(page, BOARD), await h.visible(page, MARKER),
    await h.visible(page, AREA)], [true, false, false]);
  assert.deepEqual(await page.$$eval(`${GRID} option`, (o) => o.map((e) => e.textContent)),
      ['20×20(30×30)', '25×25(24×24)', '30×30(20×20)', '40×40(15×15)']);
  assert.equal(await page.$eval(GRID, (e) => e.selectedIndex), 2);
  assert.deepEqual(await page.$$eval(`${COLOUR} option`, (o) => o.map((e) => e.textContent)),
      ['赤', '緑', '青', '黄', '水色', '紫']);
  assert.deepEqual(await h.menuMarks(page), {
    'グリッドに合わせる': true, 'マーカー間距離を表示する': true, '線分からの距離を表示する': true,
    '四捨五入': true, '切捨て': false, '切り上げ': false,
  });
  assert.equal(await h.code(page), '');
  await done(page);
});

test('add, drag with and without snapping, shadow and movement distance', async () => {
  const page = await fresh();
  await h.clickControl(page, ADD);
  assert.equal(await h.code(page), 'A:1,1:r');
  await assertPixel(page, 5, 16, RED, 'new disc');
  await h.press(page, 15, 15);
  await h.mouseAt(page, 100, 100);
  await h.settle(page);
  // While the move goes on, the shadow shows where it started, blended over the board.
  const shadow = await h.pixel(page, 16, 16);
  assert.ok(!near(shadow, WHITE, 10) && !near(shadow, RED, 10), `shadow pixel ${shadow}`);
  await page.mouse.up();
  await h.settle(page);
  assert.equal(await h.code(page), 'A:91,91:r', 'snapped into the cell under the pointer');
  await assertPixel(page, 96, 106, RED, 'moved disc');
  await assertPixel(page, 16, 16, WHITE, 'the shadow went with the drop', 0);
  await h.clickControl(page, ADD);
  await h.drag(page, [15, 15], [200, 100]);  // a second move: the first character's shadow goes
  await h.menu(page, 'グリッドに合わせる');
  await h.drag(page, [195, 105], [300, 300]);
  assert.equal(await h.code(page), 'A:91,91:r B:285,285:r', 'centred under the pointer');
  await done(page);
});

test('the melee rule and the three panels', async () => {
  const page = await fresh();
  await h.clickControl(page, ADD_AREA);
  await h.clickControl(page, ADD);
  assert.equal(await h.code(page), 'A:1,1:r rb:-14,-14:2');
  await h.drag(page, [15, 15], [200, 200]);
  assert.equal(await h.visible(page, MARKER), true);
  assert.equal(await h.visible(page, MELEE), false, 'outside every area: no melee button');
  await h.drag(page, [195, 195], [50, 50]);
  assert.equal(await h.visible(page, MELEE), true, 'inside an area: the melee button');
  await h.clickControl(page, MELEE);
  assert.equal(await h.code(page), 'A:31,31:r; rb:-14,-14:2');
  await h.drag(page, [45, 45], [400, 400]);
  assert.equal(await h.visible(page, MELEE), false);
  assert.equal(await h.code(page), 'A:391,391:r rb:-14,-14:2', 'leaving the area leaves the melee');
  // An area selects the area panel and hides the marker panel.
  await h.click(page, 5, 5);
  assert.deepEqual([await h.visible(page, MARKER), await h.visible(page, AREA)], [false, true]);
  await page.select(RADIUS, '4m');
  await h.settle(page);
  assert.equal(await h.code(page), 'A:391,391:r rb:-74,-74:4', 'the radius grows round the centre');
  await h.clickControl(page, ctl('IDC_AREA_DELETE'));
  assert.deepEqual([await h.visible(page, MARKER), await h.visible(page, AREA)], [false, false]);
  assert.equal(await h.code(page), 'A:391,391:r');
  await h.click(page, 405, 405);
  await page.select(COLOUR, '青');
  await h.settle(page);
  assert.equal(await h.code(page), 'A:391,391:b');
  await h.clickControl(page, ctl('IDC_MARKER_DELETE'));
  assert.equal(await h.visible(page, MARKER), false);
  assert.equal(await h.code(page), '');
  await done(page);
});

test('the four grid sizes: lines, snapping and the new disc', async () => {
  const page = await fresh();
  const sizes = [['20×20(30×30)', 20], ['25×25(24×24)', 25], ['30×30(20×20)', 30], ['40×40(15×15)', 40]];
  for (const [caption, g] of sizes) {
    await page.select(GRID, caption);
    await h.settle(page);
    await assertPixel(page, g, 4, GRID_COLOUR, `grid ${g}: a dash of the line at x=${g}`, 0);
    await assertPixel(page, g, 10, WHITE, `grid ${g}: the gap after the dash`, 0);
    await assertPixel(page, 4, 2 * g, GRID_COLOUR, `grid ${g}: the line at y=${2 * g}`, 0);
    await assertPixel(page, g + 3, 4, WHITE, `grid ${g}: inside a cell`, 0);
    await h.clickControl(page, CLEAR);
    await h.clickControl(page, ADD);
    await h.drag(page, [5, 5], [3 * g + 2, 2 * g + 2]);
    assert.equal(await h.code(page), `A:${3 * g + 1},${2 * g + 1}:r`, `grid ${g}: snapped`);
    await assertPixel(page, 3 * g + 4, 2 * g + Math.floor(g / 2), RED, `grid ${g}: disc`);
  }
  await done(page);
});

test('the measuring line, its perpendiculars and the rounding menu', async () => {
  const page = await fresh();
  await h.clickControl(page, ADD);
  await h.drag(page, [15, 15], [100, 100]);      // A at 91,91: centre 106,106
  await h.clickControl(page, ADD);
  await h.drag(page, [15, 15], [220, 40]);       // B, off the line to be measured
  await h.click(page, 105, 105);                 // select A
  await assertPixel(page, 300, 106, WHITE, 'no line before measuring', 0);
  await h.press(page, 406, 106, 'right');
  await h.mouseAt(page, 407, 106);
  await h.settle(page);
  await assertPixel(page, 300, 106, [0, 0, 0], 'measuring line from A to the pointer', 60);
  // The perpendicular from B's centre (226, 46) meets the line at (226, 106).
  await assertPixel(page, 226, 100, [0, 0, 0], 'perpendicular from B', 60);
  await page.mouse.up({button: 'right'});
  await h.settle(page);
  await assertPixel(page, 300, 106, WHITE, 'the line goes with the button', 0);
  assert.equal(await h.code(page), 'A:91,91:r B:211,31:r', 'measuring moves nothing');

  await h.menu(page, '切捨て');
  let marks = await h.menuMarks(page);
  assert.deepEqual([marks['四捨五入'], marks['切捨て'], marks['切り上げ']], [false, true, false]);
  await h.menu(page, '切り上げ');
  marks = await h.menuMarks(page);
  assert.deepEqual([marks['四捨五入'], marks['切捨て'], marks['切り上げ']], [false, false, true]);
  await h.menu(page, 'マーカー間距離を表示する');
  assert.equal((await h.menuMarks(page))['マーカー間距離を表示する'], false);

  // The touch toggle: the next left drag measures instead of moving.
  await h.clickControl(page, '#measure');
  assert.equal(await page.$eval('#measure', (e) => e.getAttribute('aria-pressed')), 'true');
  await h.press(page, 105, 105);
  await h.mouseAt(page, 406, 106);
  await h.settle(page);
  await assertPixel(page, 300, 106, [0, 0, 0], 'measuring drag from the toggle', 60);
  await page.mouse.up();
  await h.settle(page);
  assert.equal(await h.code(page), 'A:91,91:r B:211,31:r');
  assert.equal(await page.$eval('#measure', (e) => e.getAttribute('aria-pressed')), 'false');
  await done(page);
});

test('a drag released outside the board leaves the disc on its edge', async () => {
  const page = await fresh();
  await h.clickControl(page, ADD);
  await h.press(page, 15, 15);
  await h.mouseAt(page, 300, 300);
  await h.mouseAt(page, 300, 650);   // below the board, still captured
  await page.mouse.up();
  await h.settle(page);
  assert.equal(await h.code(page), 'A:301,571:r');
  await h.press(page, 315, 585);
  await h.mouseAt(page, -5, 300);    // left of the board: never a wrapped position
  await page.mouse.up();
  await h.settle(page);
  const after = await h.code(page);
  assert.equal(after, 'A:1,301:r');
  await h.mouseAt(page, 100, 100);   // no button held: nothing moves
  await h.settle(page);
  assert.equal(await h.code(page), after);
  const menuShown = await page.evaluate(() => {
    const e = new MouseEvent('contextmenu', {bubbles: true, cancelable: true});
    return document.getElementById('board').dispatchEvent(e);
  });
  assert.equal(menuShown, false, 'no context menu on the board');
  await done(page);
});

test('copy, load, and a link opened in a fresh page', async () => {
  const page = await fresh();
  await h.loadCode(page, '赤A:91,121:r 緑:31,31:g; rb:-14,-14:3');
  assert.equal(await h.value(page, ctl('IDC_BOARD_INPUT')), '', 'the input field is emptied');
  const code = await rewrite(page, 100, 130);
  assert.equal(code, '赤A:91,121:r 緑:31,31:g; rb:-14,-14:3');
  await h.clickControl(page, COPY);
  await page.waitForFunction(() => document.getElementById('note').textContent !== '');
  assert.equal(await clipboard(page), code);

  await h.clickControl(page, '#link');
  await page.waitForFunction(async () => (await navigator.clipboard.readText()).includes('#c='));
  const link = await clipboard(page);
  assert.ok(link.startsWith(server.url + '#c='), link);
  const other = await fresh(link);
  assert.equal(await rewrite(other, 100, 130), code, 'the same board from the link');
  // A changed fragment loads its board too.
  await other.evaluate(() => { location.hash = '#c=' + encodeURIComponent('Q:301,301:y'); });
  await other.waitForFunction(() => window.dozeroTest.painted());
  await h.settle(other);
  assert.equal(await rewrite(other, 310, 310), 'Q:301,301:y');
  await done(other);
  await done(page);
});

test('a refused clipboard: the code is left selected, the link put in the address bar', async () => {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(() => {
    navigator.clipboard.writeText = () => Promise.reject(new Error('refused'));
    document.execCommand = () => false;
  });
  await page.goto(server.url);
  await page.waitForFunction(() => document.documentElement.dataset.ready === 'true');
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(String(e)));
  await h.clickControl(page, ADD);
  await h.clickControl(page, COPY);
  await page.waitForFunction(() => document.getElementById('note').textContent !== '');
  const selected = await page.evaluate(() => {
    const e = document.activeElement;
    return [e.dataset.id, e.value.slice(e.selectionStart, e.selectionEnd)];
  });
  assert.deepEqual(selected, [String(h.ids.IDC_BOARD_CODE), 'A:1,1:r']);
  // After a load the code field still shows the board before it: the link carries the
  // loaded board.
  await h.loadCode(page, 'B:301,301:g');
  assert.equal(await h.code(page), 'A:1,1:r');
  await h.clickControl(page, '#link');
  await page.waitForFunction(() => location.hash !== '');
  assert.equal(page.url(), server.url + '#c=' + encodeURIComponent('B:301,301:g'));
  assert.match(await page.$eval('#note', (e) => e.textContent), /アドレス欄/);
  await h.drag(page, [310, 310], [100, 100]);  // the board was not loaded again
  assert.equal(await h.code(page), 'B:91,91:g');
  await done(page);
});

test('Japanese names: typed, cut after a whole character, never markup', async () => {
  const page = await fresh();
  await h.clickControl(page, ADD);
  await h.click(page, 15, 15);
  const type = async (text) => {
    await page.focus(NAME);
    await page.$eval(NAME, (e) => e.select());
    await page.keyboard.press('Backspace');
    await page.type(NAME, text);
    await h.click(page, 15, 15);
  };
  // The box takes what a name keeps (3 bytes of code page 932, whole characters), whatever
  // the font; typing beyond it is refused and leaves the text as it was.
  for (const [typed, name] of [['赤青', '赤'], ['ｱ', 'ｱ'], ['😀', '?'], ['WWWWWW', 'WWW'],
    ['漢AB', '漢A'], ['ｱｲｳｴ', 'ｱｲｳ']]) {
    await type(typed);
    assert.equal(await h.value(page, NAME), name, `the box took ${typed}`);
    assert.equal(await h.code(page), `${name}:1,1:r`, `typed ${typed}`);
  }
  await page.focus(NAME);
  await page.keyboard.press('Home');
  await page.keyboard.type('B');
  assert.equal(await h.value(page, NAME), 'ｱｲｳ', 'a full box keeps its text');
  await page.$eval(NAME, (e) => { e.value = '漢字'; e.blur(); });  // set by no typing
  assert.equal(await h.value(page, NAME), '漢');
  // Another character selected while the box keeps the focus: a full box stays its name.
  await h.drag(page, [15, 15], [200, 200]);
  await h.clickControl(page, ADD);
  await page.focus(NAME);
  await h.drag(page, [15, 15], [100, 100]);
  assert.equal(await page.evaluate(() => document.activeElement.dataset.id),
      String(h.ids.IDC_MARKER_NAME));
  await page.keyboard.press('End');
  await page.keyboard.type('WWWWWW');
  assert.equal(await h.value(page, NAME), 'BWW');
  await h.click(page, 105, 105);
  assert.equal(await h.code(page), '漢:181,181:r BWW:91,91:r');
  // A link whose name carries markup: drawn on the canvas and shown as form text only.
  const hostile = '<img src=x onerror=alert(1)>:1,1:r';
  const other = await fresh(server.url + '#c=' + encodeURIComponent(hostile));
  await h.click(other, 15, 15);
  assert.equal(await other.$$eval('img', (e) => e.length), 0);
  assert.equal(await h.value(other, NAME), '<im');
  await done(other);
  await done(page);
});

test('hostile codes: the page keeps running with at most 26 discs and 5 areas', async () => {
  const page = await fresh();
  const rep = (n, f) => Array.from({length: n}, (_, i) => f(i + 1)).join(' ');
  const codes = [
    rep(30, (i) => `A:${i * 3},${i * 5}:r`), rep(9, (i) => `rb:${i * 10},${i * 10}:2`),
    rep(25, (i) => `Z:${i},${i}:g; rb:${i},${i}:3`) + ' ', 'x'.repeat(1100), '::::::::', ',,,,,,,',
    ':', 'rb', 'rb:', 'A', 'A:1', 'A:1,1', 'A:1,1:', 'A:1,1:R', ' ', '   A:1,1:r   ',
    'A:99999999999,-99999999999:r', 'rb:0,0:2147483647', 'rb:0,0:-3',
    'rb:-2147483648,-2147483648:6', 'ああああ:1,1:r', 'a b c:1,1:r', 'A:+5,  -7:y;', 'A:1,1:r;;;;',
    'rb:1,1:2:3:4,5', '😀:1,1:r', 'é:2,2:g', 'ｱｲｳｴｵ:3,3:b', 'A\t:1,1:r', 'A:1,1:r '.repeat(40),
  ];
  for (const [n, c] of codes.entries()) {
    await h.loadCode(page, c);
    await h.clickControl(page, ADD);
    const tokens = (await h.code(page)).split(' ');
    const chars = tokens.filter((t) => /:[-0-9]+,[-0-9]+:[rgbywp];?$/.test(t)).length;
    const areas = tokens.filter((t) => t.startsWith('rb:')).length;
    assert.ok(chars <= 26 && areas <= 5, `code ${n + 1}: ${chars} characters, ${areas} areas`);
  }
  await h.settle(page);
  assert.equal(await page.evaluate(() => window.dozeroTest.painted()), true);
  assert.deepEqual(page.errors, []);
  await done(page);
});

test('background pictures: BMP, PNG, and a broken file reported by name', async () => {
  const page = await fresh();
  const files = {
    'green.bmp': images.bmp(800, 620, [40, 160, 60]),
    '青い地図.png': images.png(300, 200, [30, 60, 200]),
    '壊れた.bmp': Buffer.from('BM this is not a picture'),
    // Cut short in its pixels.
    'half.bmp': images.bmp(800, 620, [40, 160, 60]).subarray(0, 54 + 800 * 3 * 300),
  };
  // 8 bits per pixel with a colour table of two entries, its pixels naming entry 5: refused.
  const badIndex = Buffer.alloc(54 + 8 + 16 * 16, 5);
  badIndex.write('BM', 0, 'ascii');
  badIndex.writeUInt32LE(badIndex.length, 2);
  badIndex.writeUInt32LE(54 + 8, 10);
  badIndex.writeUInt32LE(40, 14);
  badIndex.writeInt32LE(16, 18);
  badIndex.writeInt32LE(16, 22);
  badIndex.writeUInt16LE(1, 26);
  badIndex.writeUInt16LE(8, 28);
  badIndex.writeUInt32LE(0, 30);
  badIndex.writeUInt32LE(16 * 16, 34);
  badIndex.fill(0, 38, 46);
  badIndex.writeUInt32LE(2, 46);  // colours used
  badIndex.writeUInt32LE(0, 50);
  badIndex.writeUInt32LE(0x00ff0000, 54);
  badIndex.writeUInt32LE(0x0000ff00, 58);
  files['index.bmp'] = badIndex;
  // Top-down (negative height): the rows stored first are the top of the picture.
  const topDown = images.bmp(800, 620, [40, 160, 60]);
  topDown.writeInt32LE(-620, 22);
  for (let p = 54; p < 54 + 800 * 3 * 10; p += 3) topDown.set([0, 0, 200], p);  // blue-green-red
  files['top-down.bmp'] = topDown;
  for (const [name, bytes] of Object.entries(files)) fs.writeFileSync(path.join(scratch, name), bytes);
  const choose = async (name) => {
    const [chooser] = await Promise.all([page.waitForFileChooser(), page.click(ctl('IDC_BOARD_PICTURE'))]);
    await chooser.accept([path.join(scratch, name)]);
  };
  await choose('green.bmp');
  await page.waitForFunction(() => window.dozeroTest.pixel(305, 5)[1] === 160);
  await assertPixel(page, 305, 5, [40, 160, 60], 'BMP under the grid', 0);
  await assertPixel(page, 30, 4, GRID_COLOUR, 'the grid over the picture', 0);
  await choose('青い地図.png');
  await page.waitForFunction(() => window.dozeroTest.pixel(100, 5)[2] === 200);
  await assertPixel(page, 100, 5, [30, 60, 200], 'PNG under the grid', 0);
  await assertPixel(page, 400, 300, WHITE, 'white beyond a small picture', 0);
  await choose('top-down.bmp');
  await page.waitForFunction(() => window.dozeroTest.pixel(305, 5)[0] === 200);
  await assertPixel(page, 305, 5, [200, 0, 0], 'the top rows of a top-down BMP at the top', 0);
  await assertPixel(page, 305, 305, [40, 160, 60], 'and the rest under them', 0);
  for (const broken of ['index.bmp', 'half.bmp', '壊れた.bmp']) {
    await choose(broken);
    await page.waitForSelector('#message:not([hidden])');
    assert.equal(await page.$eval('#message-text', (e) => e.textContent), `${broken}の読み込みに失敗しました`);
    await page.click('#message-ok');
    await page.waitForSelector('#message[hidden]');
  }
  await h.settle(page);
  await assertPixel(page, 100, 5, WHITE, 'no picture after a failed load', 0);
  await h.clickControl(page, ADD);  // the page goes on
  assert.equal(await h.code(page), 'A:1,1:r');
  await done(page);
});

test('pixels at known points: grid, disc outline, ring, area blend', async () => {
  const page = await fresh();
  await assertPixel(page, 0, 3, GRID_COLOUR, 'the frame line at x=0', 0);
  await assertPixel(page, 60, 9, WHITE, 'the gap after the first dash', 0);
  await assertPixel(page, 60, 13, GRID_COLOUR, 'the first dot', 0);
  await h.loadCode(page, 'A:301,301:r rb:46,46:2');
  await assertPixel(page, 306, 316, RED, 'disc, left of its name', 0);
  // The area: (255, 96, 96) at opacity 100/255 over white, the grid showing through.
  const a = 100 / 255;
  const blend = [255, 96, 96].map((c) => Math.round(c * a + 255 * (1 - a)));
  await assertPixel(page, 110, 115, blend, 'area blend', 3);
  // An area far wider than the board (6000 pixels) is blended where it meets the board.
  await h.loadCode(page, 'rb:-2900,-2900:100');
  await assertPixel(page, 590, 590, blend, 'a huge area', 3);
  await h.loadCode(page, 'A:301,301:r rb:46,46:2');
  await assertPixel(page, 301, 316, RED, 'the disc edge in its own colour', 90);
  await h.click(page, 316, 316);
  await assertPixel(page, 301, 316, [0, 0, 0], 'selection ring at the left edge', 90);
  await done(page);
});

test('leaving the page with pieces asks the browser question', async () => {
  const page = await fresh();
  await h.clickControl(page, ADD);
  const asked = new Promise((resolve) => page.once('dialog', async (d) => {
    resolve(d.type());
    await d.accept();
  }));
  await page.close({runBeforeUnload: true});
  assert.equal(await asked, 'beforeunload');

  const empty = await fresh();
  await h.clickControl(empty, ADD);
  await h.clickControl(empty, CLEAR);
  let question = false;
  empty.on('dialog', async (d) => {
    question = true;
    await d.accept();
  });
  await empty.goto('about:blank');
  assert.equal(question, false, 'an empty board leaves without a question');
  await empty.close();
});
