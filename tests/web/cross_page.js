// The browser's half of the cross check with the Windows program:
//   node cross_page.js make             the scripted board, made by hand; prints its code
//   node cross_page.js load CODE X Y    loads CODE, clicks (X, Y) without moving; prints the code
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

(async () => {
  const [what, code, x, y] = process.argv.slice(2);
  const server = await h.serve();
  const browser = await h.launch();
  try {
    const page = await h.openPage(browser, server.url);
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
