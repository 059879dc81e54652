// Opens the page in headless Chromium, puts a character and an area on the board and
// saves a screenshot: node screenshot.js URL FILE.png [phone]. Of the window, or with
// `phone` of a 390 × 844 phone's screen (the narrow layout), the measuring line held.
'use strict';
const h = require('./harness');

(async () => {
  const [url, file, device] = process.argv.slice(2);
  const phone = device === 'phone';
  const browser = await h.launch();
  try {
    const page = await browser.newPage();
    if (phone) await page.setViewport({width: 390, height: 844, deviceScaleFactor: 2, hasTouch: true, isMobile: true});
    page.errors = [];
    page.on('pageerror', (e) => page.errors.push(String(e)));
    await page.goto(url);
    await page.waitForFunction(() => document.documentElement.dataset.ready === 'true' &&
        window.dozeroTest.painted());
    // The board's pixels to the page's: the same gestures on any layout.
    const f = await page.$eval('#board', (c) => c.getBoundingClientRect().width / 601);
    const at = (p) => [Math.round(p[0] * f), Math.round(p[1] * f)];
    const drag = (from, to) => h.drag(page, at(from), at(to));
    await h.clickControl(page, h.ctl('IDC_BOARD_ADD_AREA'));
    await drag([10, 10], [225, 225]);
    await h.clickControl(page, h.ctl('IDC_BOARD_ADD_MARKER'));
    await drag([15, 15], [285, 195]);
    await h.clickControl(page, h.ctl('IDC_BOARD_ADD_MARKER'));
    await drag([15, 15], [105, 405]);
    await page.evaluate(() => window.scrollTo(0, 0));
    await h.press(page, ...at([105, 405]));
    await page.mouse.up();
    await h.press(page, ...at([400, 420]), 'right');
    await h.settle(page);
    if (phone) {
      await page.screenshot({path: file});
    } else {
      await (await page.$('#window')).screenshot({path: file});
    }
    await page.mouse.up({button: 'right'});
    if (page.errors.length) throw new Error(page.errors.join('\n'));
  } finally {
    await browser.close();
  }
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
