// The two editions' panels and menu are one: the built page shows the controls and the menu
// items of res/dozero.rc with the identifiers of src/panels/ids.h, in the script's order, at
// its positions and with its captions. Read here apart from the page's generator.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const h = require('./harness');

const read = (f) => fs.readFileSync(path.join(h.root, f), 'utf8');
const ids = Object.fromEntries(Array.from(read('src/panels/ids.h')
    .matchAll(/^#define (ID[CM]_\w+) (\d+)$/gm), (m) => [m[1], Number(m[2])]));

const CONTROL = /^CONTROL "([^"]*)", (\w+), "(\w+)", ([^,]+), (\d+), (\d+), (\d+), (\d+)$/;

// Each dialog's controls and each menu of the resource script, as the page should show them.
function resources() {
  const dialogs = {};
  const menus = {};
  let stack = null;
  let controls = null;
  for (const line of read('res/dozero.rc').split('\n').map((l) => l.trim())) {
    let m;
    if ((m = /^(\w+) DIALOGEX/.exec(line))) {
      controls = dialogs[m[1]] = [];
    } else if ((m = CONTROL.exec(line))) {
      const kind = {ComboBox: 'SELECT', Edit: 'INPUT', Static: 'SPAN'}[m[3]] ||
          (m[4].includes('BS_PUSHLIKE') ? 'pushlike' : 'BUTTON');
      const rect = [m[5], m[6], m[7], kind === 'SELECT' ? 12 : m[8]].join(',');
      const caption = kind === 'SELECT' || kind === 'INPUT' ? '' : m[1];
      controls.push([kind, m[2] === 'IDC_STATIC' ? null : ids[m[2]], rect, caption]);
    } else if ((m = /^(\w+) MENU$/.exec(line))) {
      stack = [menus[m[1]] = []];
    } else if (stack && (m = /^POPUP "([^"]*)"$/.exec(line))) {
      const items = [];
      // The ルーム pop-up is the Windows program's own (the page has a ルーム button).
      if (stack.length > 1 || m[1] !== 'ルーム') stack[stack.length - 1].push([m[1], items]);
      stack.push(items);
    } else if (stack && (m = /^MENUITEM "([^"]*)", (\w+)(, CHECKED)?$/.exec(line))) {
      stack[stack.length - 1].push([m[1], ids[m[2]], Boolean(m[3])]);
    } else if (stack && line === 'END' && stack.pop() && stack.length === 0) {
      stack = null;
    }
  }
  return {dialogs, menus};
}

// Which dialog the template puts into which panel (data-panel), and which menu it shows.
const template = read('web/index.html');
const placed = Array.from(template.matchAll(/data-panel="(\d)"[^\n]*\n\s*<!-- controls (\w+) -->/g),
    (m) => [Number(m[1]), m[2]]);
const menuName = /<!-- menu (\w+) -->/.exec(template)[1];

test('the page shows the resource script\'s panels and menu', async () => {
  const {dialogs, menus} = resources();
  assert.equal(placed.length, Object.keys(dialogs).length, 'every dialog has its panel');
  const browser = await h.launch();
  try {
    const page = await browser.newPage();
    // The page as built, before its scripts run: parsed into a blank page, where markup set
    // as HTML runs no script (in every engine; Firefox cannot turn scripts off here).
    await page.goto('about:blank');
    await page.evaluate((html) => { document.documentElement.innerHTML = html; },
        fs.readFileSync(path.join(h.site, 'index.html'), 'utf8'));
    for (const [panel, dialog] of placed) {
      const shown = await page.$$eval(`.panel[data-panel="${panel}"] > [data-rect]`, (els) =>
        els.map((e) => [e.classList.contains('pushlike') ? 'pushlike' : e.tagName,
          e.dataset.id ? Number(e.dataset.id) : null, e.dataset.rect,
          /^(SELECT|INPUT|OUTPUT)$/.test(e.tagName) ? '' : e.textContent]));
      const own = dialogs[dialog];
      assert.deepEqual(shown.slice(0, own.length), own, `panel ${panel} shows ${dialog}`);
      assert.ok(shown.slice(own.length).every((c) => c[1] === null), 'then page-only controls');
    }
    const total = Object.values(dialogs).reduce((n, d) => n + d.filter((c) => c[1]).length, 0);
    assert.equal((await page.$$('[data-id]')).length, total, 'no control beyond the script\'s');
    const menu = await page.$eval('#menubar', (bar) => {
      const items = (ul) => Array.from(ul.children, (li) => li.classList.contains('submenu') ?
        [li.firstElementChild.textContent, items(li.querySelector('ul'))] :
        [li.textContent, Number(li.firstElementChild.dataset.menu),
          li.firstElementChild.getAttribute('aria-checked') === 'true']);
      return Array.from(bar.querySelectorAll(':scope > .menu'),
          (m) => [m.firstElementChild.textContent, items(m.querySelector('ul'))]);
    });
    assert.deepEqual(menu, menus[menuName]);
  } finally {
    await browser.close();
  }
});
