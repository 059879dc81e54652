// Latency of a room between the editions (a figure, not a test), run by bench/web/rooms_windows,
// which starts the Windows program under Wine and gives this script its prefix and display.
// A page in headless Chromium makes a room with disc A; the program joins it. Then:
//   - page to program: the page changes A's colour every INTERVAL ms; one driver process
//     (`watch`) reads A's pixel of the program's window on the screen about every
//     millisecond. Timed from the page's change to the new colour on the screen.
//   - program to page: one driver process (`combo-cycle`) changes A's colour in the program's
//     marker panel every INTERVAL ms; the page notes when its code field gets the new code
//     (the field's setter, as the room writes it) and the end of the frame that paints it.
// Every time is on the system clock: Wine's system time is the Unix one; node's and the
// browser's high-resolution times are set onto it (clockOffset). The three are compared
// first. At the end of each direction both members must hold the same board.
//   node bench/web/rooms_windows.js [SAMPLES [INTERVAL_MS]]
'use strict';
const {spawn} = require('node:child_process');
const os = require('node:os');
const h = require('../../tests/web/harness');

const SAMPLES = Number(process.argv[2] || 200);
const INTERVAL = Number(process.argv[3] || 100);
const WARMUP = 4;  // changes each way before those counted: the first uses of every path
const WINE = process.env.DZ_WINE64;
const DRIVER = process.env.DZ_DRIVER;
if (!WINE || !DRIVER || !process.env.WINEPREFIX) {
  throw new Error('run by bench/web/rooms_windows (DZ_WINE64, DZ_DRIVER, WINEPREFIX)');
}

// Node's and the browser's high-resolution times are monotonic clocks whose origin was read
// from the system clock once, and may lie some milliseconds off it. Each is set onto the
// system clock by watching Date.now() (the system clock, whole ms) tick over: the tick lies
// between two high-resolution reads; of five ticks, the one seen between the closest reads
// gives the offset (ms) returned. Runs in node and in the page.
function clockOffset() {
  const hr = () => performance.timeOrigin + performance.now();
  let best = [0, Infinity];
  for (let round = 0; round < 5; ++round) {
    let before = hr();
    const base = Date.now();
    for (;;) {
      const h0 = hr();
      const d = Date.now();
      if (d !== base) {
        const [low, high] = [d - hr(), d - before];
        if ((high - low) / 2 < best[1]) best = [(low + high) / 2, (high - low) / 2];
        break;
      }
      before = h0;
    }
  }
  return best[0];
}

const nodeOffset = clockOffset();
const nowUs = () => (performance.timeOrigin + performance.now() + nodeOffset) * 1000;

// Starts the driver with ARGS; resolves to its output lines once it ends. `onLine` sees every
// line as it comes; `stdin` is left open for the caller when asked.
function driver(args, {onLine = null, keepStdin = false} = {}) {
  const child = spawn(WINE, [DRIVER, ...args.map(String)], {
    env: {...process.env, DRIVER_TIMEOUT: '600'},
    stdio: [keepStdin ? 'pipe' : 'ignore', 'pipe', 'pipe'],
  });
  const lines = [];
  let rest = '';
  let err = '';
  child.stdout.on('data', (d) => {
    const parts = (rest + d).split('\n');
    rest = parts.pop();
    for (const l of parts.map((s) => s.replace(/\r$/, ''))) {
      lines.push(l);
      if (onLine) onLine(l);
    }
  });
  child.stderr.on('data', (d) => err += d);
  const done = new Promise((resolve, reject) => child.on('exit', (code) => code === 0 ?
    resolve(lines) : reject(new Error(`driver ${args.join(' ')}: ${code} ${err}`))));
  return {child, done};
}

const run = (...args) => driver(args).done;
const hex = (s) => 'hex:' + Buffer.from(s, 'utf8').toString('hex');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Median, p99 and max of the latencies after the warm-up. A change not seen (null) counts
// as slower than all others: it was overtaken by the next one, made INTERVAL later, or came
// after the one after that.
function stats(name, latencies) {
  const ms = latencies.slice(WARMUP).map((v) => v === null ? Infinity : v);
  ms.sort((x, y) => x - y);
  const lost = ms.filter((v) => v === Infinity).length;
  const f = (v) => v === Infinity ? `over ${INTERVAL} ms (not seen)` : `${v.toFixed(1)} ms`;
  const at = (p) => f(ms[Math.min(ms.length - 1, Math.floor(p * ms.length))]);
  console.log(`${name}: ${ms.length} changes${lost ? `, ${lost} not seen` : ''}: ` +
      `median ${at(0.5)}, p99 ${at(0.99)}, max ${f(ms[ms.length - 1])}`);
}

// For each change [time µs, letter], the first event [time µs, letter] after it with its
// letter, as milliseconds, or null: changes alternate two letters, and an event after the
// next change of the same letter cannot be told from that one's, so a change not seen by
// then counts as not seen (superseded, or lost).
function latencies(changes, events) {
  const out = [];
  let j = 0;
  changes.forEach(([t, letter], k) => {
    const until = k + 2 < changes.length ? changes[k + 2][0] : Infinity;
    while (j < events.length && events[j][0] <= t) ++j;
    const seen = events.slice(j).find((e) => e[1] === letter);
    out.push(seen && seen[0] <= until ? (seen[0] - t) / 1000 : null);
  });
  return out;
}

// The page's time on the system clock, in ms, once calibrated (see clockOffset); returns the
// correction.
async function calibratePage(page) {
  const offset = await page.evaluate(clockOffset);
  await page.evaluate((o) => {
    window.realMs = () => performance.timeOrigin + performance.now() + o;
  }, offset);
  return offset;
}

// The clocks compared: a line to the driver's `clock` and its answer, and a page's reading,
// each between two readings of node's calibrated time t0 < t1. Every read t bounds the
// other clock's offset from node's: t - t1 <= offset <= t - t0; prints the bounds that all
// reads together give (empty when the clocks disagree).
async function checkClocks(page, pageOffset) {
  const rounds = 100;
  console.log(`calibration: node's high-resolution time lay ${nodeOffset.toFixed(3)} ms off ` +
      `the system clock, the page's ${pageOffset.toFixed(3)} ms; both corrected`);
  const answers = [];
  const d = driver(['clock', rounds + 1],
      {keepStdin: true, onLine: (l) => answers.push(Number(l))});
  const wine = async () => {
    const n = answers.length;
    d.child.stdin.write('\n');
    while (answers.length === n) await new Promise((r) => d.child.stdout.once('data', r));
    return answers[n];
  };
  const compare = async (name, read) => {
    let [low, high] = [-Infinity, Infinity];
    for (let i = 0; i < rounds; ++i) {
      const t0 = nowUs();
      const t = await read();
      const t1 = nowUs();
      low = Math.max(low, t - t1);
      high = Math.min(high, t - t0);
    }
    const ms = (v) => (v / 1000).toFixed(3);
    console.log(`clock of ${name} minus node's, from ${rounds} reads: ` + (low <= high ?
      `between ${ms(low)} and ${ms(high)} ms` : `no offset fits (${ms(low)} > ${ms(high)} ms)`));
  };
  await wine();  // the driver has started
  await compare('Wine', wine);
  await d.done;
  await compare('the page', () => page.evaluate(() => window.realMs() * 1000));
}

// Both members hold the same board once the changes are over (a check of the run).
async function sameBoards(page, programCode) {
  const pageCode = await h.code(page);
  if (programCode !== pageCode) {
    throw new Error(`the members differ: program [${programCode}], page [${pageCode}]`);
  }
}

async function pageToProgram(page) {
  await h.click(page, 15, 15);  // A selected: the colour box acts on it
  const pixels = [];
  let started = null;
  const ready = new Promise((r) => started = r);
  const watchMs = 3000 + (WARMUP + SAMPLES) * INTERVAL * 1.5;
  let polls = 0;
  let code = '';
  // A pixel inside A, off its letter.
  const w = driver(['watch', watchMs, 6, 15], {onLine: (l) => {
    const [t, kind, value] = l.split(' ');
    if (kind === 'pixel') {
      const [r, g] = value.split(',').map(Number);
      pixels.push([Number(t), r > g ? 'r' : g > r ? 'g' : '?']);
      started();
    }
    if (kind === 'polls') polls = Number(value);
    if (kind === 'code') code = l.slice(l.indexOf(' code ') + 6);
  }});
  await ready;
  const changes = [];
  for (let i = 0; i < WARMUP + SAMPLES; ++i) {
    // INTERVAL after the last change, however late that was: two changes at once would
    // reach the program together, and it would show only the second.
    await sleep(i ? changes[i - 1][0] / 1000 + INTERVAL - Date.now() : INTERVAL);
    const index = i % 2 ? 0 : 1;  // A is red: green (1), red (0), green...
    const t = await page.evaluate((sel, k) => {
      const box = document.querySelector(sel);
      const t = window.realMs();
      box.selectedIndex = k;
      box.dispatchEvent(new Event('change'));
      return t * 1000;
    }, h.ctl('IDC_MARKER_COLOR'), index);
    changes.push([t, index ? 'g' : 'r']);
  }
  if (polls) throw new Error('the program\'s screen was watched for too short a time');
  await w.done;
  stats('page to program, on the screen', latencies(changes, pixels));
  console.log(`  (the program's screen read every ${(watchMs / polls).toFixed(2)} ms on average)`);
  await sameBoards(page, code);
}

async function programToPage(page) {
  // The page notes each code the room writes into its field, and the end of the frame that
  // paints it: a frame callback asked for after the board's own (asked for in the same task,
  // after the field is written) runs after it, in the same frame.
  await page.evaluate((sel) => {
    const field = document.querySelector(sel);
    const own = Object.getOwnPropertyDescriptor(HTMLInputElement.prototype, 'value');
    window.seen = [];
    Object.defineProperty(field, 'value', {
      get() { return own.get.call(this); },
      set(v) {
        own.set.call(this, v);
        const note = {t: window.realMs(), v: String(v), painted: 0};
        window.seen.push(note);
        queueMicrotask(() => requestAnimationFrame(() => note.painted = window.realMs()));
      },
    });
  }, h.ctl('IDC_BOARD_CODE'));
  await run('click', 15, 15);  // A selected in the program
  const lines = await run('combo-cycle', WARMUP + SAMPLES, INTERVAL, 'marker',
      h.ids.IDC_MARKER_COLOR, 1, 0);
  await sleep(2000);
  const seen = await page.evaluate(() => window.seen);
  await sameBoards(page, (await run('gettext', 'board', h.ids.IDC_BOARD_CODE))[0]);
  const changes = lines.map((l) => l.split(' '))
      .map(([t, k]) => [Number(t), k === '1' ? 'g' : 'r']);
  stats('program to page, code field', latencies(changes,
      seen.map((s) => [s.t * 1000, s.v.slice(-1)])));
  stats('program to page, painted', latencies(changes,
      seen.filter((s) => s.painted).map((s) => [s.painted * 1000, s.v.slice(-1)])));
}

(async () => {
  const roomBroker = await h.roomBroker();
  const server = await h.serve(roomBroker.site);
  const browser = await h.launch();
  try {
    const page = await h.openPage(browser, server.url);
    await h.clickControl(page, h.ctl('IDC_BOARD_ADD_MARKER'));
    await h.clickControl(page, '#room');
    await page.waitForFunction(() => location.hash.startsWith('#room='), {timeout: 10000});
    const link = await page.evaluate(() => location.href);
    await run('menu-post', h.ids.IDM_ROOM_JOIN, ';', 'dialog-settext', h.ids.IDC_ROOM_LINK,
        hex(link), ';', 'dialog-post', 1);
    const want = await h.code(page);
    let got = '';
    for (let i = 0; i < 60 && got !== want; ++i) {
      got = (await run('gettext', 'board', h.ids.IDC_BOARD_CODE))[0];
      if (got !== want) await sleep(500);
    }
    if (got !== want) throw new Error(`the program did not join: [${got}], not [${want}]`);
    console.log(`load average ${os.loadavg()[0].toFixed(2)} (${os.cpus().length} cores)`);
    const calibration = await calibratePage(page);
    await checkClocks(page, calibration);
    await pageToProgram(page);
    await programToPage(page);
    const again = await page.evaluate(clockOffset);
    const nodeAgain = clockOffset();
    console.log('calibration at the end: the page\'s moved ' +
        `${(again - calibration).toFixed(3)} ms, ` +
        `node's ${(nodeAgain - nodeOffset).toFixed(3)} ms`);
    console.log(`load average ${os.loadavg()[0].toFixed(2)}`);
    if (page.errors.length) throw new Error(page.errors.join('\n'));
  } finally {
    await browser.close();
    server.stop();
    roomBroker.stop();
  }
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
