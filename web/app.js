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
  // A finger reaches this far (CSS pixels) beyond its point for a character's disc.
  const FINGER_REACH = 22;
  let held = 0;
  let measureDrag = false;
  let last = {x: 0, y: 0};  // the last position handed to the core
  let shift = {x: 0, y: 0};  // from the finger to the disc it took, for the whole gesture
  let gesturePointer = null;
  let cutPointer = null;  // the pointer whose gesture the page ended, until it lifts

  function boardPoint(e) {
    const r = boardCanvas.getBoundingClientRect();
    return {
      x: Math.floor((e.clientX - r.left) * BOARD_WIDTH / r.width) + shift.x,
      y: Math.floor((e.clientY - r.top) * BOARD_HEIGHT / r.height) + shift.y,
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

  // A finger that presses next to a disc (not on any piece) takes the nearest disc within
  // its reach, as though it had pressed the disc's centre; the mouse and the pen hit strictly.
  function reachFor(e, p) {
    if (e.pointerType !== 'touch') return;
    const reach = Math.round(FINGER_REACH * BOARD_WIDTH / boardCanvas.getBoundingClientRect().width);
    const at = module._malloc(8);
    try {
      if (module._dz_touch_target(p.x, p.y, reach, at)) {
        shift = {x: module.HEAP32[at >> 2] - p.x, y: module.HEAP32[(at >> 2) + 1] - p.y};
        p.x += shift.x;
        p.y += shift.y;
      }
    } finally {
      module._free(at);
    }
  }

  function send(type, now, p) {
    module._dz_pointer(type, now, p.x, p.y);
    last = p;
  }

  function onPointer(e) {
    if (!module || !e.isPrimary) return;
    if (cutPointer !== null && e.pointerId === cutPointer) {
      if (e.type === 'pointerup' || e.type === 'pointercancel') cutPointer = null;
      return;
    }
    if (e.type === 'pointerdown') {
      if (held === 0 && measureButton.getAttribute('aria-pressed') === 'true') measureDrag = true;
      if (held === 0) shift = {x: 0, y: 0};
      gesturePointer = e.pointerId;
      boardCanvas.setPointerCapture(e.pointerId);
      e.preventDefault();
    }
    const ended = e.type === 'pointercancel' || e.type === 'lostpointercapture';
    if (ended && held === 0) return;
    const now = ended ? 0 : heldButtons(e);
    const p = boardPoint(e);
    const pressed = now & ~held;
    const released = held & ~now;
    if (pressed & LEFT) {
      reachFor(e, p);
      send(event.LEFT_DOWN, now, p);
    }
    if (pressed & RIGHT) send(event.RIGHT_DOWN, now, p);
    if (e.type === 'pointermove') send(event.MOVE, now, p);
    if (released & LEFT) send(event.LEFT_UP, now, p);
    if (released & RIGHT) send(event.RIGHT_UP, now, p);
    held = now;
    if (held === 0) endGesture();
  }

  function endGesture() {
    shift = {x: 0, y: 0};
    if (measureDrag) {
      measureDrag = false;
      measureButton.setAttribute('aria-pressed', 'false');
    }
  }

  // Ends the gesture in progress where the core saw it last (the board is re-laid under the
  // pointer); the pointer is ignored until it lifts.
  function cutGesture() {
    if (held === 0) return;
    const now = held;
    held = 0;
    if (now & LEFT) send(event.LEFT_UP, 0, last);
    if (now & RIGHT) send(event.RIGHT_UP, 0, last);
    endGesture();
    cutPointer = gesturePointer;
    if (boardCanvas.hasPointerCapture(cutPointer)) boardCanvas.releasePointerCapture(cutPointer);
  }

  function wirePointer() {
    for (const type of ['pointerdown', 'pointermove', 'pointerup', 'pointercancel',
      'lostpointercapture']) {
      boardCanvas.addEventListener(type, onPointer);
    }
    boardCanvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
    // A board that answers clicks is where a browser's touch adjustment keeps a finger that
    // lands on it, rather than on a control near its edge.
    boardCanvas.addEventListener('click', function () {});
    measureButton.addEventListener('click', function () {
      const on = measureButton.getAttribute('aria-pressed') !== 'true';
      measureButton.setAttribute('aria-pressed', on ? 'true' : 'false');
    });
  }

  // ---- links ----------------------------------------------------------------------------------

  function pageAddress() {
    return location.href.split('#')[0];
  }

  // The link carries the board on the screen, whatever the code field shows.
  function copyLink() {
    if (!module) return;
    const code = module.UTF8ToString(module._dz_board_code());
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

  let boardHandle = 0;
  let boardScaleNow = 0;

  // The board's drawing store at the device's pixels for its size on the screen: 601 × 600
  // CSS pixels wide in the window, the screen's width in the narrow layout (style.css).
  // The core's board stays 601 × 600 board pixels.
  function boardScale() {
    const dpr = Math.max(1, window.devicePixelRatio || 1);
    return Math.round(boardCanvas.getBoundingClientRect().width * dpr) / BOARD_WIDTH;
  }

  function sizeBoard() {
    const s = boardScale();
    // The core's own surfaces are made once: never coarser than the device, nor than the
    // board on this screen.
    canvas.setScale(Math.max(s, window.devicePixelRatio || 1));
    boardCanvas.width = Math.round(BOARD_WIDTH * s);
    boardCanvas.height = Math.round(BOARD_HEIGHT * s);
    const ctx = boardCanvas.getContext('2d', {alpha: false});
    ctx.fillStyle = '#f0f0f0';
    ctx.fillRect(0, 0, boardCanvas.width, boardCanvas.height);
  }

  // A turned or resized screen re-lays the page by its style alone (fields, their text and
  // focus stay); the board is drawn again at its new size, and a drag in progress ends.
  function relay() {
    if (!boardHandle) return;
    const s = boardScale();
    if (s === boardScaleNow) return;
    cutGesture();
    canvas.rescale(boardHandle, s);
    boardScaleNow = s;
    ports.paint();
  }

  function start() {
    ports.placeControls();
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
    const page = Object.assign({}, canvas.port, ports.port);
    // The module first: the program's own pictures are read by it.
    createDozero({dz: page, wasmBinary: wasm}).then(function (loaded) {
      module = loaded;
      canvas.start(module);
      ports.start(module);
      return canvas.loadOwnPictures();
    }).then(function () {
      boardScaleNow = boardScale();
      boardHandle = canvas.register(boardCanvas, BOARD_WIDTH, BOARD_HEIGHT, boardScaleNow);
      document.title = module.UTF8ToString(module._dz_title());
      module._dz_start(boardHandle, BOARD_WIDTH, BOARD_HEIGHT);
      window.addEventListener('resize', relay);
      loadFromAddress();
      page.requestPaint();
      document.documentElement.dataset.ready = 'true';
    });
  }

  start();
})(window.dozero);
