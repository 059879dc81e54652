// The page of the browser edition: surfaces for the core's canvas port, the panels and the
// menu as form controls, pointer input, clipboard, pictures and links. The core decides
// everything; this script only carries its calls to the page and the user's actions back.
'use strict';

(function () {
  const BOARD_WIDTH = 601;
  const BOARD_HEIGHT = 600;
  const DLU_X = 1.5;  // the panels' dialog units in pixels (133 x 185 units = 200 x 278)
  const DLU_Y = 1.5;
  const BOARD = 0;
  const ID_LOAD = 1009;
  const ID_INPUT = 1010;
  const ID_CODE = 1007;
  const ID_PICTURE = 1015;
  const LINK_PREFIX = 'c=';
  // The largest box blended as a whole; beyond it only the part on the surface is keyed.
  const LARGEST_BLEND = 4096;
  // The keyed pictures kept: a few sizes of each, and never more pixels than this in all.
  const KEYED_CACHE_SIZE = 24;
  const KEYED_CACHE_PIXELS = 24 * 1024 * 1024;
  // Cosmetic dash-dot-dot: 9 on, then 3 off, 3 on twice.
  const DASH_DOT_DOT = [9, 3, 3, 3, 3, 3];
  const LABEL_FONT = '600 20px "MS Gothic", "ＭＳ ゴシック", "Osaka-Mono", "IPAGothic", ' +
      '"IPAゴシック", "Noto Sans Mono CJK JP", "VL Gothic", "TakaoGothic", monospace';
  const DEFAULT_FONT = '400 15px "MS UI Gothic", "Meiryo UI", "IPAGothic", system-ui, sans-serif';
  const DEFAULT_FONT_HEIGHT = 16;

  const boardCanvas = document.getElementById('board');
  const panels = Array.from(document.querySelectorAll('.panel'));
  const scale = Math.max(1, window.devicePixelRatio || 1);
  let module = null;

  function control(panel, id) {
    const p = panels[panel];
    return p ? p.querySelector('[data-id="' + id + '"]') : null;
  }

  // ---- surfaces ---------------------------------------------------------------------------

  const surfaces = new Map();
  let nextHandle = 1;
  const colours = new Map();

  function css(colour) {
    let s = colours.get(colour);
    if (s === undefined) {
      s = 'rgb(' + (colour & 255) + ',' + ((colour >>> 8) & 255) + ',' + ((colour >>> 16) & 255) + ')';
      colours.set(colour, s);
    }
    return s;
  }

  function register(canvas, w, h, s) {
    const ctx = canvas.getContext('2d', {alpha: false});
    ctx.setTransform(s, 0, 0, s, 0, 0);
    ctx.imageSmoothingEnabled = false;
    const handle = nextHandle++;
    surfaces.set(handle, {canvas: canvas, ctx: ctx, w: w, h: h, s: s, penColour: -1, penWidth: -1,
      penStyle: -1, label: -1});
    return handle;
  }

  function newCanvas(w, h) {
    const c = document.createElement('canvas');
    c.width = w;
    c.height = h;
    return c;
  }

  function createSurface(w, h) {
    if (w <= 0 || h <= 0 || w * h > 64 * 1024 * 1024) return 0;
    return register(newCanvas(Math.round(w * scale), Math.round(h * scale)), w, h, scale);
  }

  function freeSurface(handle) {
    surfaces.delete(handle);
    const prefix = handle + ':';
    for (const key of Array.from(keyedCache.keys())) {
      if (key.startsWith(prefix)) forgetKeyed(key);
    }
  }

  // The context's pen and font are set only when they change: setting them is not free.
  function setPen(S, style, width, colour) {
    const ctx = S.ctx;
    const w = Math.max(1, width);
    if (S.penColour !== colour) {
      ctx.strokeStyle = css(colour);
      S.penColour = colour;
    }
    if (S.penWidth !== w) {
      ctx.lineWidth = w;
      S.penWidth = w;
    }
    if (S.penStyle !== style) {
      ctx.setLineDash(style === 1 ? DASH_DOT_DOT : []);
      S.penStyle = style;
    }
  }

  const textWidths = new Map();

  function setFont(S, label) {
    if (S.label !== label) {
      S.ctx.font = label ? LABEL_FONT : DEFAULT_FONT;
      S.label = label;
    }
  }

  function textWidth(S, label, str) {
    const key = (label ? 'L' : 'D') + str;
    let w = textWidths.get(key);
    if (w === undefined) {
      w = S.ctx.measureText(str).width;
      if (textWidths.size > 4096) textWidths.clear();
      textWidths.set(key, w);
    }
    return w;
  }

  // GDI's Rectangle and Ellipse: the box without its right column and bottom row, filled
  // with the brush and outlined with the pen on pixel centres.
  function shape(handle, kind, l, t, r, b, penStyle, penWidth, penColour, hollow, brushColour) {
    const S = surfaces.get(handle);
    if (!S) return;
    if (r < l) [l, r] = [r, l];
    if (b < t) [t, b] = [b, t];
    if (r - l < 2 || b - t < 2) return;
    const ctx = S.ctx;
    const width = Math.max(1, penWidth);
    const o = width % 2 ? 0.5 : 0;
    setPen(S, penStyle, penWidth, penColour);
    if (kind === 0) {
      if (!hollow) {
        ctx.fillStyle = css(brushColour);
        ctx.fillRect(l, t, r - l, b - t);
      }
      ctx.strokeRect(l + o, t + o, r - l - 1, b - t - 1);
      return;
    }
    ctx.beginPath();
    ctx.ellipse((l + r) / 2, (t + b) / 2, (r - l - 1) / 2, (b - t - 1) / 2, 0, 0, 2 * Math.PI);
    if (!hollow) {
      ctx.fillStyle = css(brushColour);
      ctx.fill();
    }
    ctx.stroke();
  }

  // A line without its end point. A styled pen in opaque mode fills its gaps with the
  // background colour (white).
  function line(handle, x0, y0, x1, y1, penStyle, penWidth, penColour, opaque) {
    const S = surfaces.get(handle);
    if (!S || (x0 === x1 && y0 === y1)) return;
    const ctx = S.ctx;
    const o = Math.max(1, penWidth) % 2 ? 0.5 : 0;
    let ax = x0 + o, ay = y0 + o, bx = x1 + o, by = y1 + o;
    if (y0 === y1) {  // exactly the pixels from x0 towards x1, x1 left out
      ax = x0 < x1 ? x0 : x0 + 1;
      bx = x0 < x1 ? x1 : x1 + 1;
    } else if (x0 === x1) {
      ay = y0 < y1 ? y0 : y0 + 1;
      by = y0 < y1 ? y1 : y1 + 1;
    }
    ctx.beginPath();
    ctx.moveTo(ax, ay);
    ctx.lineTo(bx, by);
    if (penStyle === 1 && opaque) {
      setPen(S, 0, penWidth, 0xFFFFFF);
      ctx.stroke();
    }
    setPen(S, penStyle, penWidth, penColour);
    ctx.stroke();
  }

  function text(handle, l, t, r, b, boxed, str, label, opaque) {
    const S = surfaces.get(handle);
    if (!S || str === '') return;
    const ctx = S.ctx;
    setFont(S, label);
    const height = label ? 20 : DEFAULT_FONT_HEIGHT;
    const width = textWidth(S, label, str);
    if (boxed) {  // one line, centred, clipped to the box
      ctx.save();
      ctx.beginPath();
      ctx.rect(l, t, r - l, b - t);
      ctx.clip();
      const cx = (l + r) / 2;
      const cy = (t + b) / 2;
      if (opaque) {
        ctx.fillStyle = '#fff';
        ctx.fillRect(cx - width / 2, cy - height / 2, width, height);
      }
      ctx.fillStyle = '#000';
      ctx.textAlign = 'center';
      ctx.textBaseline = 'middle';
      ctx.fillText(str, cx, cy);
      ctx.restore();
      return;
    }
    if (opaque) {
      ctx.fillStyle = '#fff';
      ctx.fillRect(l, t, Math.ceil(width), height);
    }
    ctx.fillStyle = '#000';
    ctx.textAlign = 'left';
    ctx.textBaseline = 'top';
    ctx.fillText(str, l, t + 1);
  }

  function copy(handle, x, y, w, h, source, sx, sy) {
    const D = surfaces.get(handle);
    const S = surfaces.get(source);
    if (!D || !S) return;
    D.ctx.drawImage(S.canvas, sx * S.s, sy * S.s, w * S.s, h * S.s, x, y, w, h);
  }

  // The picture stretched to w x h with its transparent colour keyed out, made once per
  // picture, part and size and kept for the frames that follow.
  const keyedCache = new Map();
  let keyedPixels = 0;

  function forgetKeyed(key) {
    const c = keyedCache.get(key);
    if (!c) return;
    keyedPixels -= c.width * c.height;
    keyedCache.delete(key);
  }

  function keyed(source, S, sx, sy, sw, sh, w, h, transparent) {
    const key = source + ':' + sx + ',' + sy + ',' + sw + ',' + sh + ':' + w + 'x' + h + ':' + transparent;
    let c = keyedCache.get(key);
    if (c) {
      keyedCache.delete(key);  // most recently used last
      keyedCache.set(key, c);
      return c;
    }
    if (w * h > KEYED_CACHE_PIXELS) return null;
    c = newCanvas(w, h);
    const ctx = c.getContext('2d', {willReadFrequently: true});
    ctx.imageSmoothingEnabled = false;
    ctx.drawImage(S.canvas, sx * S.s, sy * S.s, sw * S.s, sh * S.s, 0, 0, w, h);
    const image = ctx.getImageData(0, 0, w, h);
    const d = image.data;
    const tr = transparent & 255, tg = (transparent >>> 8) & 255, tb = (transparent >>> 16) & 255;
    for (let i = 0; i < d.length; i += 4) {
      if (d[i] === tr && d[i + 1] === tg && d[i + 2] === tb) d[i + 3] = 0;
    }
    ctx.putImageData(image, 0, 0);
    keyedCache.set(key, c);
    keyedPixels += w * h;
    while (keyedCache.size > 1 &&
        (keyedCache.size > KEYED_CACHE_SIZE || keyedPixels > KEYED_CACHE_PIXELS)) {
      forgetKeyed(keyedCache.keys().next().value);
    }
    return c;
  }

  function blend(handle, x, y, w, h, source, sx, sy, sw, sh, opacity, transparent) {
    const D = surfaces.get(handle);
    const S = surfaces.get(source);
    if (!D || !S || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return 0;
    if (sx < 0 || sy < 0 || sx + sw > S.w || sy + sh > S.h) return 0;
    if (w > LARGEST_BLEND || h > LARGEST_BLEND) {
      // Only the part that meets the surface, with the matching part of the picture.
      const x0 = Math.max(x, 0), y0 = Math.max(y, 0);
      const x1 = Math.min(x + w, D.w), y1 = Math.min(y + h, D.h);
      if (x0 >= x1 || y0 >= y1) return 1;
      const sx0 = sx + Math.floor((x0 - x) * sw / w);
      const sy0 = sy + Math.floor((y0 - y) * sh / h);
      const sx1 = sx + Math.floor(((x1 - x) * sw + w - 1) / w);
      const sy1 = sy + Math.floor(((y1 - y) * sh + h - 1) / h);
      return blend(handle, x0, y0, x1 - x0, y1 - y0, source, sx0, sy0, Math.max(sx1 - sx0, 1),
          Math.max(sy1 - sy0, 1), opacity, transparent);
    }
    const picture = keyed(source, S, sx, sy, sw, sh, w, h, transparent);
    if (!picture) return 0;
    D.ctx.globalAlpha = (opacity & 255) / 255;
    D.ctx.drawImage(picture, x, y, w, h);
    D.ctx.globalAlpha = 1;
    return 1;
  }

  // ---- pictures -----------------------------------------------------------------------------

  const ownPictures = new Map();  // lower-case name -> ImageBitmap
  let chosenPicture = null;       // the picture the user picked last, until the core takes it

  // A picture's surface; a transparent part of a PNG shows white, like the empty board.
  function pictureSurface(bitmap) {
    const w = bitmap.width, h = bitmap.height;
    const handle = register(newCanvas(w, h), w, h, 1);
    const ctx = surfaces.get(handle).ctx;
    ctx.fillStyle = '#fff';
    ctx.fillRect(0, 0, w, h);
    ctx.drawImage(bitmap, 0, 0);
    return {handle: handle, w: w, h: h};
  }

  function takePicture(name, chosen) {
    if (chosen) {
      const picture = chosenPicture;
      chosenPicture = null;
      return picture ? pictureSurface(picture) : null;
    }
    const own = ownPictures.get(name.toLowerCase());
    return own ? pictureSurface(own) : null;
  }

  // BMP files go through the program's own reader, as on Windows: a file it refuses fails
  // to load (the core then names it in its message) instead of showing as garbage. PNG and
  // JPEG are the browser's.
  function decodeBytes(bytes) {
    if (bytes.length >= 2 && bytes[0] === 0x42 && bytes[1] === 0x4d) {  // "BM"
      const picture = readBmp(bytes);
      return picture ? createImageBitmap(picture) : Promise.reject(new Error('refused'));
    }
    return createImageBitmap(new Blob([bytes]));
  }

  function readBmp(bytes) {
    const data = module._malloc(bytes.length + 1);
    const size = module._malloc(8);
    try {
      module.HEAPU8.set(bytes, data);
      const rgba = module._dz_decode_bmp(data, bytes.length, size);
      if (!rgba) return null;
      const w = module.HEAP32[size >> 2];
      const h = module.HEAP32[(size >> 2) + 1];
      const pixels = new Uint8ClampedArray(module.HEAPU8.subarray(rgba, rgba + w * h * 4));
      module._free(rgba);
      return new ImageData(pixels, w, h);
    } finally {
      module._free(data);
      module._free(size);
    }
  }

  function base64Bytes(s) {
    const raw = atob(s);
    const bytes = new Uint8Array(raw.length);
    for (let i = 0; i < raw.length; ++i) bytes[i] = raw.charCodeAt(i);
    return bytes;
  }

  function loadOwnPictures() {
    const table = window.dozeroPictures || {};
    return Promise.all(Object.keys(table).map(function (name) {
      return decodeBytes(base64Bytes(table[name])).then(function (bitmap) {
        ownPictures.set(name, bitmap);
      }, function () { /* the core reports the missing picture */ });
    }));
  }

  // ---- strings into the module ----------------------------------------------------------------

  function withStrings(strings, fn) {
    const pointers = strings.map(function (s) {
      const n = module.lengthBytesUTF8(s) + 1;
      const p = module._malloc(n);
      module.stringToUTF8(s, p, n);
      return p;
    });
    try {
      return fn.apply(null, pointers);
    } finally {
      pointers.forEach(function (p) { module._free(p); });
    }
  }

  // ---- panels ---------------------------------------------------------------------------------

  function setText(panel, id, s) {
    const c = control(panel, id);
    if (!c) return;
    c.value = s;
    c.dzKept = s;
  }

  function getText(panel, id) {
    const c = control(panel, id);
    return c && typeof c.value === 'string' ? c.value : '';
  }

  function addComboEntry(panel, id, s) {
    const c = control(panel, id);
    if (!c) return;
    const selected = c.selectedIndex;
    c.add(new Option(s));
    c.selectedIndex = selected;  // a new entry selects nothing
  }

  function selectComboEntry(panel, id, index) {
    const c = control(panel, id);
    if (c) c.selectedIndex = index >= 0 && index < c.options.length ? index : -1;
  }

  function comboSelection(panel, id) {
    const c = control(panel, id);
    return c ? c.selectedIndex : -1;
  }

  function setChecked(panel, id, checked) {
    const c = control(panel, id);
    if (c) c.setAttribute('aria-pressed', checked ? 'true' : 'false');
  }

  function isChecked(panel, id) {
    const c = control(panel, id);
    return !!c && c.getAttribute('aria-pressed') === 'true';
  }

  function showControl(panel, id, show) {
    const c = control(panel, id);
    if (c) c.hidden = !show;
  }

  function isControlVisible(panel, id) {
    const c = control(panel, id);
    return !!c && !c.hidden;
  }

  function showPanel(panel, show) {
    if (panels[panel]) panels[panel].hidden = !show;
  }

  function command(panel, id) {
    if (module) module._dz_command(panel, id);
  }

  function placeControls() {
    for (const el of document.querySelectorAll('.panel [data-rect]')) {
      const r = el.dataset.rect.split(',').map(Number);
      el.style.left = Math.round(r[0] * DLU_X) + 'px';
      el.style.top = Math.round(r[1] * DLU_Y) + 'px';
      el.style.width = Math.round(r[2] * DLU_X) + 'px';
      if (el.tagName !== 'SELECT') el.style.height = Math.round(r[3] * DLU_Y) + 'px';
    }
  }

  // Every notification of a control runs its command, as on Windows: edits on each change
  // (after the input method has committed) and on focus changes, lists on a choice and on
  // focus changes, buttons on a click.
  function wireControls() {
    panels.forEach(function (form, panel) {
      form.addEventListener('submit', function (e) { e.preventDefault(); });
      for (const el of form.querySelectorAll('[data-id]')) {
        const id = Number(el.dataset.id);
        if (el.tagName === 'INPUT') {
          const fixed = el.hasAttribute('data-no-scroll');
          el.dzKept = el.value;  // the text before the user's change (setText keeps it too)
          // A box that does not scroll takes no more text than it can show.
          const changed = function () {
            const kept = el.dzKept;
            if (fixed && el.value.length > kept.length && el.scrollWidth > el.clientWidth) {
              const at = Math.max(0, (el.selectionStart || 0) - (el.value.length - kept.length));
              el.value = kept;
              el.setSelectionRange(at, at);
              return;
            }
            el.dzKept = el.value;
            command(panel, id);
          };
          el.addEventListener('input', function (e) { if (!e.isComposing) changed(); });
          el.addEventListener('compositionend', changed);
          el.addEventListener('focus', function () { command(panel, id); });
          el.addEventListener('blur', function () { command(panel, id); });
          el.addEventListener('keydown', function (e) { if (e.key === 'Enter') e.preventDefault(); });
        } else if (el.tagName === 'SELECT') {
          el.addEventListener('change', function () { command(panel, id); });
          el.addEventListener('focus', function () { command(panel, id); });
          el.addEventListener('blur', function () { command(panel, id); });
        } else if (el.classList.contains('pushlike')) {
          el.addEventListener('click', function () {
            setChecked(panel, id, !isChecked(panel, id));
            command(panel, id);
          });
        } else if (panel === BOARD && id === ID_PICTURE) {
          el.addEventListener('click', chooseFile);
        } else {
          el.addEventListener('click', function () { command(panel, id); });
        }
      }
    });
  }

  // ---- menu -----------------------------------------------------------------------------------

  const menuButton = document.getElementById('settings-button');
  const menuList = document.getElementById('settings');

  function menuItem(id) {
    return menuList.querySelector('[data-menu="' + id + '"]');
  }

  function isMenuChecked(id) {
    const item = menuItem(id);
    return !!item && item.getAttribute('aria-checked') === 'true';
  }

  function setMenuChecked(id, checked) {
    const item = menuItem(id);
    if (item) item.setAttribute('aria-checked', checked ? 'true' : 'false');
  }

  function openMenu(open) {
    menuList.hidden = !open;
    menuButton.setAttribute('aria-expanded', open ? 'true' : 'false');
    if (!open) menuList.querySelectorAll('.submenu').forEach(function (s) { s.classList.remove('open'); });
  }

  function wireMenu() {
    menuButton.addEventListener('click', function () { openMenu(menuList.hidden); });
    menuList.addEventListener('click', function (e) {
      const item = e.target.closest('button');
      if (!item) return;
      if (item.dataset.menu) {
        openMenu(false);
        if (module) module._dz_menu(Number(item.dataset.menu));
      } else {
        item.parentElement.classList.toggle('open');
      }
    });
    document.addEventListener('pointerdown', function (e) {
      if (!menuList.hidden && !e.target.closest('.menu')) openMenu(false);
    });
    document.addEventListener('keydown', function (e) {
      if (e.key === 'Escape' && !menuList.hidden) {
        openMenu(false);
        menuButton.focus();
      }
    });
  }

  // ---- messages, clipboard, notes -------------------------------------------------------------

  const messageBox = document.getElementById('message');
  const messageText = document.getElementById('message-text');
  const messageOk = document.getElementById('message-ok');
  const messages = [];
  const note = document.getElementById('note');

  function showNextMessage() {
    if (!messageBox.hidden || messages.length === 0) return;
    messageText.textContent = messages.shift();
    messageBox.hidden = false;
    messageOk.focus();
  }

  function showError(s) {
    messages.push(s);
    showNextMessage();
  }

  function showNote(s) {
    note.textContent = s;
  }

  function copyWithSelection(s) {
    const area = document.createElement('textarea');
    area.value = s;
    area.setAttribute('readonly', '');
    area.className = 'offscreen';
    document.body.appendChild(area);
    area.select();
    let done = false;
    try {
      done = document.execCommand('copy');
    } catch (e) {
      done = false;
    }
    area.remove();
    return done;
  }

  // The asynchronous clipboard first; when the browser refuses it, the older copy command;
  // when that fails too, `refused` shows the user where to copy the text from.
  function putClipboard(s, refused) {
    const fallback = function () {
      if (copyWithSelection(s)) {
        showNote('コピーしました');
        return;
      }
      refused();
    };
    if (navigator.clipboard && navigator.clipboard.writeText) {
      navigator.clipboard.writeText(s).then(function () { showNote('コピーしました'); }, fallback);
    } else {
      fallback();
    }
  }

  // ---- repaint --------------------------------------------------------------------------------

  let paintPending = false;
  let paintCount = 0;

  function requestPaint() {
    if (paintPending) return;
    paintPending = true;
    requestAnimationFrame(function () {
      paintPending = false;
      if (!module) return;
      module._dz_paint();
      ++paintCount;
      if (paintCount === 1) document.documentElement.dataset.firstPaint = String(performance.now());
    });
  }

  // ---- pointer --------------------------------------------------------------------------------

  const LEFT = 1;
  const RIGHT = 2;
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
    if (pressed & LEFT) module._dz_pointer(0, now, p.x, p.y);
    if (pressed & RIGHT) module._dz_pointer(3, now, p.x, p.y);
    if (e.type === 'pointermove') module._dz_pointer(1, now, p.x, p.y);
    if (released & LEFT) module._dz_pointer(2, now, p.x, p.y);
    if (released & RIGHT) module._dz_pointer(4, now, p.x, p.y);
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

  // ---- files ----------------------------------------------------------------------------------

  const fileChooser = document.getElementById('file-chooser');

  function chooseFile() {
    fileChooser.value = '';
    fileChooser.click();
  }

  function onFileChosen() {
    const file = fileChooser.files && fileChooser.files[0];
    if (!file || !module) return;
    const path = 'C:\\fakepath\\' + file.name;
    file.arrayBuffer().then(function (buffer) {
      return decodeBytes(new Uint8Array(buffer));
    }).then(function (bitmap) {
      chosenPicture = bitmap;
    }, function () {
      chosenPicture = null;  // the core reports the failure with the file's name
    }).then(function () {
      withStrings([path, file.name], function (p, n) { module._dz_choose_file(p, n); });
      command(BOARD, ID_PICTURE);
      chosenPicture = null;
    });
  }

  // ---- links ----------------------------------------------------------------------------------

  function pageAddress() {
    return location.href.split('#')[0];
  }

  function copyLink() {
    const code = getText(BOARD, ID_CODE);
    const link = pageAddress() + '#' + LINK_PREFIX + encodeURIComponent(code);
    putClipboard(link, function () {
      // The link goes into the address bar (without loading it again) for the user to copy.
      history.replaceState(null, '', link);
      showNote('クリップボードを使えません。アドレス欄のリンクをコピーしてください');
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
    setText(BOARD, ID_INPUT, code.replace(/[\r\n]/g, ''));
    command(BOARD, ID_LOAD);
  }

  // ---- start ----------------------------------------------------------------------------------

  function sizeBoard() {
    boardCanvas.width = Math.round(BOARD_WIDTH * scale);
    boardCanvas.height = Math.round(BOARD_HEIGHT * scale);
    const ctx = boardCanvas.getContext('2d', {alpha: false});
    ctx.fillStyle = '#f0f0f0';
    ctx.fillRect(0, 0, boardCanvas.width, boardCanvas.height);
  }

  const page = {
    createSurface: createSurface,
    freeSurface: freeSurface,
    shape: shape,
    line: line,
    text: text,
    copy: copy,
    blend: blend,
    takePicture: takePicture,
    setText: setText,
    getText: getText,
    addComboEntry: addComboEntry,
    selectComboEntry: selectComboEntry,
    comboSelection: comboSelection,
    setChecked: setChecked,
    isChecked: isChecked,
    showControl: showControl,
    isControlVisible: isControlVisible,
    showPanel: showPanel,
    isMenuChecked: isMenuChecked,
    setMenuChecked: setMenuChecked,
    putClipboard: function (s) {
      putClipboard(s, function () {
        const f = control(BOARD, ID_CODE);
        f.focus();
        f.select();
        showNote('クリップボードを使えません。選択した文字を Ctrl+C でコピーしてください');
      });
    },
    showError: showError,
    requestPaint: requestPaint,
  };

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
    placeControls();
    fitWindow();
    window.addEventListener('resize', fitWindow);
    for (const s of document.querySelectorAll('.panel select')) s.selectedIndex = -1;
    sizeBoard();
    wireControls();
    wireMenu();
    wirePointer();
    messageOk.addEventListener('click', function () {
      messageBox.hidden = true;
      showNextMessage();
    });
    fileChooser.addEventListener('change', onFileChosen);
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
    const wasm = base64Bytes((window.dozeroWasm || {})['dozero.wasm'] || '');
    // The module first: the program's own pictures are read by it.
    createDozero({dz: page, wasmBinary: wasm}).then(function (loaded) {
      module = loaded;
      return loadOwnPictures();
    }).then(function () {
      const handle = register(boardCanvas, BOARD_WIDTH, BOARD_HEIGHT, scale);
      document.title = module.UTF8ToString(module._dz_title());
      module._dz_start(handle, BOARD_WIDTH, BOARD_HEIGHT);
      loadFromAddress();
      requestPaint();
      document.documentElement.dataset.ready = 'true';
    });
  }

  // For the page's own checks and benchmarks.
  window.dozero = {
    paint: function () { module._dz_paint(); },
    pixel: function (x, y) {
      const d = boardCanvas.getContext('2d').getImageData(Math.floor(x * scale), Math.floor(y * scale), 1, 1).data;
      return [d[0], d[1], d[2]];
    },
    paints: function () { return paintCount; },
  };

  start();
})();
