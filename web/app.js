// The page of the browser edition, as src/web/web_main.cpp is the module's: pointer input
// on the board, links, and the start-up that loads the module and hands it the page's
// ports (canvas.js, ports.js). The core decides everything; the page only carries its calls
// to the screen and the user's actions back.
'use strict';

(function (dozero) {
  const BOARD_WIDTH = 601;
  const BOARD_HEIGHT = 600;
  const LINK_PREFIX = 'c=';
  const ids = dozero.ids;
  const event = dozero.PointerEvent;
  const LEFT = dozero.HeldButton.LEFT;
  const RIGHT = dozero.HeldButton.RIGHT;
  const canvas = dozero.canvas;
  const ports = dozero.ports;
  const BOARD = ports.BOARD;

  const boardCanvas = document.getElementById('board');
  let module = null;

  // ---- pointer --------------------------------------------------------------------------------

  const measureButton = document.getElementById('measure');
  let held = 0;
  let measureDrag = false;

  function boardPoint(e) {
    const r = boardCanvas.getBoundingClientRect();
    return {
      x: Math.floor((e.clientX - r.left) * BOARD_WIDTH / r.width),
      y: Math.floor((e.clientY - r.top) * BOARD_HEIGHT / r.height),
    };
  }

  // The held buttons as the core counts them. In measuring mode the contact (or the left
  // button) measures as the right button would.
  function heldButtons(e) {
    let b = 0;
    if (e.buttons & 1) b |= measureDrag ? RIGHT : LEFT;
    if (e.buttons & 2) b |= RIGHT;
    return b;
  }

  function onPointer(e) {
    if (!module || !e.isPrimary) return;
    if (e.type === 'pointerdown') {
      if (held === 0 && measureButton.getAttribute('aria-pressed') === 'true') measureDrag = true;
      boardCanvas.setPointerCapture(e.pointerId);
      e.preventDefault();
    }
    const ended = e.type === 'pointercancel' || e.type === 'lostpointercapture';
    if (ended && held === 0) return;
    const now = ended ? 0 : heldButtons(e);
    const p = boardPoint(e);
    const pressed = now & ~held;
    const released = held & ~now;
    if (pressed & LEFT) module._dz_pointer(event.LEFT_DOWN, now, p.x, p.y);
    if (pressed & RIGHT) module._dz_pointer(event.RIGHT_DOWN, now, p.x, p.y);
    if (e.type === 'pointermove') module._dz_pointer(event.MOVE, now, p.x, p.y);
    if (released & LEFT) module._dz_pointer(event.LEFT_UP, now, p.x, p.y);
    if (released & RIGHT) module._dz_pointer(event.RIGHT_UP, now, p.x, p.y);
    held = now;
    if (held === 0 && measureDrag) {
      measureDrag = false;
      measureButton.setAttribute('aria-pressed', 'false');
    }
  }

  function wirePointer() {
    for (const type of ['pointerdown', 'pointermove', 'pointerup', 'pointercancel',
      'lostpointercapture']) {
      boardCanvas.addEventListener(type, onPointer);
    }
    boardCanvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
    measureButton.addEventListener('click', function () {
      const on = measureButton.getAttribute('aria-pressed') !== 'true';
      measureButton.setAttribute('aria-pressed', on ? 'true' : 'false');
    });
  }

  // ---- links ----------------------------------------------------------------------------------

  function pageAddress() {
    return location.href.split('#')[0];
  }

  function copyLink() {
    const code = ports.port.getText(BOARD, ids.IDC_BOARD_CODE);
    const link = pageAddress() + '#' + LINK_PREFIX + encodeURIComponent(code);
    ports.putClipboard(link, function () {
      // The link goes into the address bar (without loading it again) for the user to copy.
      history.replaceState(null, '', link);
      ports.showNote('クリップボードを使えません。アドレス欄のリンクをコピーしてください');
    });
  }

  // A board in the address goes through the code field and the load command, like a
  // pasted code.
  function loadFromAddress() {
    const hash = location.hash.slice(1);
    if (!hash.startsWith(LINK_PREFIX) || !module) return;
    let code = hash.slice(LINK_PREFIX.length);
    try {
      code = decodeURIComponent(code);
    } catch (e) {
      // a malformed escape: the text as it stands
    }
    ports.port.setText(BOARD, ids.IDC_BOARD_INPUT, code.replace(/[\r\n]/g, ''));
    ports.command(BOARD, ids.IDC_BOARD_LOAD);
  }

  // ---- start ----------------------------------------------------------------------------------

  function sizeBoard() {
    boardCanvas.width = Math.round(BOARD_WIDTH * canvas.scale);
    boardCanvas.height = Math.round(BOARD_HEIGHT * canvas.scale);
    const ctx = boardCanvas.getContext('2d', {alpha: false});
    ctx.fillStyle = '#f0f0f0';
    ctx.fillRect(0, 0, boardCanvas.width, boardCanvas.height);
  }

  // On a screen narrower than the window (a tablet upright), the whole window is scaled
  // down to fit; pointer positions follow the scaled board.
  function fitWindow() {
    const win = document.getElementById('window');
    win.style.transform = '';
    const room = document.documentElement.clientWidth - 2 * win.offsetLeft;
    const s = Math.min(1, room / win.offsetWidth);
    if (s < 1) {
      win.style.transformOrigin = '0 0';
      win.style.transform = 'scale(' + s + ')';
    }
  }

  function start() {
    ports.placeControls();
    fitWindow();
    window.addEventListener('resize', fitWindow);
    ports.wire();
    sizeBoard();
    wirePointer();
    document.getElementById('link').addEventListener('click', copyLink);
    window.addEventListener('hashchange', loadFromAddress);
    // Leaving with pieces on the board asks the browser's own question.
    window.addEventListener('beforeunload', function (e) {
      if (module && module._dz_has_pieces()) {
        e.preventDefault();
        e.returnValue = '';
      }
    });

    // The WebAssembly comes from wasm.js: the loader then fetches nothing.
    const wasm = canvas.base64Bytes((window.dozeroWasm || {})['dozero.wasm'] || '');
    const page = Object.assign({}, canvas.port, ports.port, dozero.room.port);
    // The module first: the program's own pictures are read by it.
    createDozero({dz: page, wasmBinary: wasm}).then(function (loaded) {
      module = loaded;
      canvas.start(module);
      ports.start(module);
      return canvas.loadOwnPictures();
    }).then(function () {
      const handle = canvas.register(boardCanvas, BOARD_WIDTH, BOARD_HEIGHT, canvas.scale);
      document.title = module.UTF8ToString(module._dz_title());
      module._dz_start(handle, BOARD_WIDTH, BOARD_HEIGHT);
      loadFromAddress();
      dozero.room.start(module);
      page.requestPaint();
      document.documentElement.dataset.ready = 'true';
    });
  }

  start();
})(window.dozero);
