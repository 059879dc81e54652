// The Windows program under Wine as a room member, driven through the end-to-end driver
// (tests/e2e/driver.cpp). tests/rooms/run builds both and sets DOZERO_EXE, DOZERO_DRIVER,
// DOZERO_WINE64, DOZERO_WINESERVER and DISPLAY (its virtual display).
'use strict';

const {execFileSync, spawn} = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const h = require('../web/harness');

const env = process.env;
const available = Boolean(env.DOZERO_EXE && env.DOZERO_DRIVER && env.DOZERO_WINE64);
const TITLE = 'dozero ver 0.50';
const hex = (s) => 'hex:' + Buffer.from(s).toString('hex');

// Starts the program in a fresh copy of the Wine prefix; `tcp` is the broker address of the
// rooms it creates.
async function startProgram(tcp) {
  const prefix = fs.mkdtempSync(path.join(os.tmpdir(), 'dozero-room-wine-'));
  execFileSync(path.join(h.root, 'scripts/wine-prefix'), ['--copy', prefix], {stdio: 'ignore'});
  const wineEnv = {
    ...env, WINEPREFIX: prefix, LANG: 'ja_JP.UTF-8', WINEDEBUG: '-all',
    WINEDLLOVERRIDES: 'mscoree,mshtml=', DOZERO_BROKER_TCP: tcp,
  };
  delete wineEnv.LC_ALL;
  delete wineEnv.LANGUAGE;
  const child = spawn('timeout', ['-k', '5', '600', env.DOZERO_WINE64,
    `./${path.basename(env.DOZERO_EXE)}`], {cwd: path.dirname(env.DOZERO_EXE), env: wineEnv,
    stdio: 'ignore'});
  // COMMAND ARGS [';' COMMAND ARGS]...: the driver's answer, trimmed. Its output goes to a
  // file, not a pipe: Wine's own processes that it may start keep a pipe open.
  const d = (...args) => new Promise((resolve, reject) => {
    const file = path.join(prefix, `driver.${process.hrtime.bigint()}`);
    const fd = fs.openSync(file, 'w');
    const driver = spawn('timeout', ['-k', '2', '70', env.DOZERO_WINE64, env.DOZERO_DRIVER, ...args],
        {env: {...wineEnv, DRIVER_TIMEOUT: '60'}, stdio: ['ignore', fd, fd]});
    fs.closeSync(fd);
    driver.on('exit', (code) => {
      const out = fs.readFileSync(file, 'utf8').trim();
      fs.rmSync(file);
      if (code === 0) resolve(out);
      else reject(new Error(`driver ${args.join(' ')} failed (${code}): ${out}`));
    });
  });
  const program = {
    d,
    code: () => d('gettext', 'board', String(h.ids.IDC_BOARD_CODE)),
    title: () => d('gettext', 'main'),
    // Joins a room through the ルーム menu's dialog.
    async join(link) {
      await d('menu-post', String(h.ids.IDM_ROOM_JOIN));
      await d('dialog-settext', String(h.ids.IDC_ROOM_LINK), hex(link), ';', 'dialog-post', '1');
    },
    async button(name) {
      await d('button', 'board', String(h.ids[name]), ';', 'sync');
    },
    stop() {
      try {
        execFileSync('timeout', ['-k', '2', '15', env.DOZERO_WINESERVER, '-k'],
            {env: wineEnv, stdio: 'ignore'});
      } catch (e) {
        // already gone
      }
      child.kill();
      fs.rmSync(prefix, {recursive: true, force: true});
    },
  };
  await d('wait-window', '30000');
  return program;
}

module.exports = {available, startProgram, TITLE};
