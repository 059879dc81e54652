// Benchmarks of the browser edition in headless Chromium (figures, not tests):
// - full-board frame (26 characters, 5 areas, a selection with its distances) and the
//   measuring frame, each over 300 frames, timed in the page; every frame is composed by
//   the core, copied to the board canvas and read back one pixel (so the drawing is done);
// - navigation to the first drawn board, from the page's own clock;
// - the transfer size of the page's files, gzip -9.
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');
const h = require('../../tests/web/harness');

const FRAMES = 300;

function fullBoard() {
  const tokens = [];
  const names = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ';
  const colours = 'rgbywp';
  for (let i = 0; i < 26; ++i) {
    tokens.push(`${names[i]}:${31 + (i % 6) * 90},${31 + Math.floor(i / 6) * 120}:${colours[i % 6]}`);
  }
  for (let i = 0; i < 5; ++i) tokens.push(`rb:${46 + i * 100},${406 - (i % 2) * 60}:${2 + i}`);
  return tokens.join(' ');
}

async function timeFrames(page) {
  return page.evaluate((n) => {
    const board = document.getElementById('board').getContext('2d');
    window.dozero.ports.paint();
    board.getImageData(0, 0, 1, 1);
    const t0 = performance.now();
    for (let i = 0; i < n; ++i) {
      window.dozero.ports.paint();
      board.getImageData(300, 300, 1, 1);
    }
    return (performance.now() - t0) / n;
  }, FRAMES);
}

(async () => {
  const server = await h.serve();
  const browser = await h.launch();
  try {
    const firsts = [];
    for (let i = 0; i < 5; ++i) {
      const page = await h.openPage(browser, server.url);
      firsts.push(Number(await page.evaluate(() => document.documentElement.dataset.firstPaint)));
      await page.close();
    }
    const page = await h.openPage(browser, server.url);
    await h.loadCode(page, fullBoard());
    await h.click(page, 45, 45);  // select A: its distances to all others
    const full = await timeFrames(page);
    await h.press(page, 500, 560, 'right');
    await h.settle(page);
    const measuring = await timeFrames(page);
    await page.mouse.up({button: 'right'});

    const site = h.site;
    let raw = 0;
    let gz = 0;
    for (const f of h.pageFiles()) {
      const bytes = fs.readFileSync(path.join(site, f));
      raw += bytes.length;
      gz += zlib.gzipSync(bytes, {level: 9}).length;
    }
    firsts.sort((a, b) => a - b);
    console.log(`full-board frame:  ${full.toFixed(3)} ms (mean of ${FRAMES})`);
    console.log(`measuring frame:   ${measuring.toFixed(3)} ms (mean of ${FRAMES})`);
    console.log(`navigation to first board: median ${firsts[2].toFixed(0)} ms (of 5: ${firsts.map((t) => t.toFixed(0)).join(', ')})`);
    console.log(`transfer size: ${(gz / 1024).toFixed(1)} KiB gzip -9 (${(raw / 1024).toFixed(1)} KiB raw)`);
  } finally {
    await browser.close();
    server.stop();
  }
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
