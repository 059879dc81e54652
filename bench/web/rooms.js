// Latency of a room (a figure, not a test): one page changes a disc's colour, the other
// page's code field shows it. Both pages run in one headless Chromium against a local
// mosquitto started for the run; the clocks are the pages' shared high-resolution time.
//   node bench/web/rooms.js [SAMPLES]
'use strict';
const h = require('../../tests/web/harness');

const SAMPLES = Number(process.argv[2] || 200);

function percentile(sorted, p) {
  return sorted[Math.min(sorted.length - 1, Math.floor(p * sorted.length))];
}

(async () => {
  const roomBroker = await h.roomBroker();
  const server = await h.serve(roomBroker.site);
  const browser = await h.launch();
  try {
    await browser.defaultBrowserContext().overridePermissions(new URL(server.url).origin,
        ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
    const a = await h.openPage(browser, server.url);
    await h.clickControl(a, h.ctl('IDC_BOARD_ADD_MARKER'));
    await h.clickControl(a, '#room');
    const link = await a.evaluate(() => navigator.clipboard.readText());
    const b = await h.openPage(browser, link);
    const code = h.ctl('IDC_BOARD_CODE');
    await b.waitForFunction((sel) => document.querySelector(sel).value !== '', {}, code);
    await a.bringToFront();
    await h.click(a, 15, 15);  // A selected: the colour box acts on it
    const colour = h.ctl('IDC_MARKER_COLOR');
    const ms = [];
    for (let i = 0; i < SAMPLES; ++i) {
      const letter = i % 2 ? 'r' : 'g';
      // B waits for the new code with a tight timer (a background page gets no frames).
      const seen = b.evaluate((sel, l) => new Promise((resolve) => {
        const poll = () => {
          const v = document.querySelector(sel).value;
          if (v.endsWith(':' + l)) resolve(performance.timeOrigin + performance.now());
          else setTimeout(poll, 0);
        };
        poll();
      }), code, letter);
      const sent = await a.evaluate((sel, index) => {
        const box = document.querySelector(sel);
        const t = performance.timeOrigin + performance.now();
        box.selectedIndex = index;
        box.dispatchEvent(new Event('change'));
        return t;
      }, colour, i % 2 ? 0 : 1);
      ms.push((await seen) - sent);
    }
    ms.sort((x, y) => x - y);
    const f = (v) => v.toFixed(1);
    console.log(`page to page, ${SAMPLES} changes: median ${f(percentile(ms, 0.5))} ms, ` +
        `p99 ${f(percentile(ms, 0.99))} ms, max ${f(ms[ms.length - 1])} ms`);
  } finally {
    await browser.close();
    server.stop();
    roomBroker.stop();
  }
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
