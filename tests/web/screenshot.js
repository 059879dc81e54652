// Opens the page in headless Chromium, puts a character and an area on the board and
// saves a screenshot of the window: node screenshot.js URL FILE.png
'use strict';
const h = require('./harness');

(async () => {
  const [url, file] = process.argv.slice(2);
  const browser = await h.launch();
  try {
    const page = await h.openPage(browser, url);
    await h.clickControl(page, h.ctl('IDC_BOARD_ADD_AREA'));
    await h.drag(page, [10, 10], [225, 225]);
    await h.clickControl(page, h.ctl('IDC_BOARD_ADD_MARKER'));
    await h.drag(page, [15, 15], [285, 195]);
    await h.clickControl(page, h.ctl('IDC_BOARD_ADD_MARKER'));
    await h.drag(page, [15, 15], [105, 405]);
    await h.press(page, 105, 405);
    await page.mouse.up();
    await h.press(page, 400, 420, 'right');
    await h.settle(page);
    const win = await page.$('#window');
    await win.screenshot({path: file});
    await page.mouse.up({button: 'right'});
    if (page.errors.length) throw new Error(page.errors.join('\n'));
  } finally {
    await browser.close();
  }
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
