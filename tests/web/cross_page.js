// The browser's half of the cross check with the Windows program:
//   node cross_page.js make             the scripted board, made by hand; prints its code
//   node cross_page.js load CODE X Y    loads CODE, clicks (X, Y) without moving; prints the code
//   node cross_page.js join LINK CODE   opens a room link, waits for CODE, adds an area; prints
//                                       the code once the room has it
//   node cross_page.js host FILE CODE   adds a marker, makes a room, writes its link to FILE,
//                                       waits for the room's board to be CODE; prints the code
// (the rooms modes need DOZERO_SITE: a site whose page names the test's broker)
'use strict';
const h = require('./harness');

// The same gestures the cross check performs on the Windows program.
async function make(page) {
  await h.clickControl(page, h.ctl('IDC_BOARD_ADD_MARKER'));
  await h.drag(page, [15, 15], [100, 100]);
  const name = h.ctl('IDC_MARKER_NAME');
  await page.focus(name);
  await page.$eval(name, (e) => e.select());
  await page.keyboard.press('Backspace');
  await page.type(name, '赤A');  // a whole name: 3 bytes, whatever the box's width
  await h.settle(page);
  await h.clickControl(page, h.ctl('IDC_BOARD_ADD_MARKER'));
  await h.drag(page, [15, 15], [400, 130]);
  await h.clickControl(page, h.ctl('IDC_BOARD_ADD_AREA'));
  await h.drag(page, [5, 5], [250, 250]);
}

// Waits up to 30 s for the code field to read `code`; returns what it reads then.
async function codeBecomes(page, code) {
  await page.waitForFunction((sel, c) => document.querySelector(sel).value === c,
      {timeout: 30000, polling: 100}, h.ctl('IDC_BOARD_CODE'), code).catch(() => {});
  return h.code(page);
}

async function join(page, link, code) {
  // The link's fragment on this page's own address (the program names a page of its own).
  await page.goto(page.url().split('#')[0] + link.slice(link.indexOf('#')));
  await page.waitForFunction(() => document.documentElement.dataset.ready === 'true');
  if ((await codeBecomes(page, code)) !== code) return h.code(page);
  await h.clickControl(page, h.ctl('IDC_BOARD_ADD_AREA'));
  await new Promise((r) => setTimeout(r, 1000));  // the change reaches the broker
  return h.code(page);
}

async function host(page, file, code) {
  await h.clickControl(page, h.ctl('IDC_BOARD_ADD_MARKER'));
  await h.clickControl(page, '#room');
  await page.waitForFunction(() => location.hash.startsWith('#room='), {timeout: 10000});
  require('node:fs').writeFileSync(file, await page.evaluate(() => location.href));
  return codeBecomes(page, code);
}

(async () => {
  const [what, code, x, y] = process.argv.slice(2);
  const server = await h.serve();
  const browser = await h.launch();
  try {
    const page = await h.openPage(browser, server.url);
    if (what === 'join' || what === 'host') {
      const result = await (what === 'join' ? join : host)(page, code, x);
      process.stdout.write(result + '\n');
      return;
    }
    if (what === 'make') {
      await make(page);
    } else {
      await h.loadCode(page, code);
      await h.click(page, Number(x), Number(y));
    }
    if (page.errors.length) throw new Error(page.errors.join('\n'));
    process.stdout.write((await h.code(page)) + '\n');
  } finally {
    await browser.close();
    server.stop();
  }
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
