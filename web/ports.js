// The page's side of the other ports (src/web/web_ports.cpp): the three panels and the
// settings menu as form controls, messages, the clipboard, the file chooser and the repaint.
// Every notification of a control goes back to the core as its panel command.
'use strict';

(function (dozero) {
  const ids = dozero.ids;
  const BOARD = 0;  // the panel numbers are the core's Panel: Board, Marker, Area
  const MARKER = 1;
  const DLU_X = 1.5;  // the panels' dialog units in pixels (133 x 185 units = 200 x 278)
  const DLU_Y = 1.5;

  const panels = Array.from(document.querySelectorAll('.panel'));
  let core = null;

  function control(panel, id) {
    const p = panels[panel];
    return p ? p.querySelector('[data-id="' + id + '"]') : null;
  }

  function command(panel, id) {
    if (core) core._dz_command(panel, id);
  }

  // Texts as UTF-8 in the module's memory for the length of `fn`.
  function withStrings(strings, fn) {
    const pointers = strings.map(function (s) {
      const n = core.lengthBytesUTF8(s) + 1;
      const p = core._malloc(n);
      core.stringToUTF8(s, p, n);
      return p;
    });
    try {
      return fn.apply(null, pointers);
    } finally {
      pointers.forEach(function (p) { core._free(p); });
    }
  }

  // ---- panels ---------------------------------------------------------------------------------

  // True when a character's name keeps all of `s` (what a code carries).
  function nameFits(s) {
    return !core || withStrings([s], function (p) { return core._dz_name_fits(p) === 1; });
  }

  // The longest start of `s`, in whole characters, that a name keeps.
  function namePart(s) {
    const chars = Array.from(s);
    while (chars.length > 0 && !nameFits(chars.join(''))) chars.pop();
    return chars.join('');
  }

  function setText(panel, id, s) {
    const c = control(panel, id);
    if (!c) return;
    if (panel === MARKER && id === ids.IDC_MARKER_NAME) s = namePart(s);
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

  // The controls where their dialog units put them (a list keeps its own height), and their
  // order in the narrow layout's single column: by rows of the panel, top to bottom, each
  // row left to right, a break before every row.
  function placeControls() {
    for (const form of panels) {
      const placed = Array.from(form.querySelectorAll(':scope > [data-rect]'), function (el) {
        return {el: el, r: el.dataset.rect.split(',').map(Number)};
      });
      for (const c of placed) {
        c.el.style.setProperty('--left', Math.round(c.r[0] * DLU_X) + 'px');
        c.el.style.setProperty('--top', Math.round(c.r[1] * DLU_Y) + 'px');
        c.el.style.setProperty('--width', Math.round(c.r[2] * DLU_X) + 'px');
        if (c.el.tagName !== 'SELECT') c.el.style.setProperty('--height', Math.round(c.r[3] * DLU_Y) + 'px');
      }
      placed.sort(function (a, b) { return a.r[1] - b.r[1] || a.r[0] - b.r[0]; });
      let row = -1;
      let bottom = -Infinity;
      placed.forEach(function (c, i) {
        if (c.r[1] >= bottom) {  // below everything so far: a new row
          row = i;
          const rowBreak = document.createElement('div');
          rowBreak.className = 'row-break';
          rowBreak.style.order = String(2 * i);
          form.appendChild(rowBreak);
        }
        bottom = Math.max(bottom, c.r[1] + c.r[3]);
        c.el.style.order = String(2 * row + 1);
      });
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
          const isName = panel === MARKER && id === ids.IDC_MARKER_NAME;
          el.dzKept = el.value;  // the text before the user's change (setText keeps it too)
          // The name box takes no more than a name keeps: a change beyond it is refused
          // and the text before it stays.
          const changed = function () {
            const kept = el.dzKept;
            if (isName && el.value !== kept && !nameFits(el.value)) {
              const at = Math.max(0, (el.selectionStart || 0) - (el.value.length - kept.length));
              el.value = kept;
              el.setSelectionRange(at, at);
              return;
            }
            el.dzKept = el.value;
            command(panel, id);
          };
          // A text put into the name box by no typing (a script, an autofill) is cut to
          // what the name keeps before its command reads it.
          const notified = function () {
            if (isName && !nameFits(el.value)) el.value = el.dzKept = namePart(el.value);
            command(panel, id);
          };
          el.addEventListener('input', function (e) { if (!e.isComposing) changed(); });
          el.addEventListener('compositionend', changed);
          el.addEventListener('focus', notified);
          el.addEventListener('blur', notified);
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
        } else if (panel === BOARD && id === ids.IDC_BOARD_PICTURE) {
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
        if (core) core._dz_menu(Number(item.dataset.menu));
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

  // The code the core copies: when the clipboard refuses it, it is left selected.
  function putCode(s) {
    putClipboard(s, function () {
      const f = control(BOARD, ids.IDC_BOARD_CODE);
      f.focus();
      f.select();
      showNote('クリップボードを使えません。選択した文字を Ctrl+C でコピーしてください');
    });
  }

  // ---- files ----------------------------------------------------------------------------------

  const fileChooser = document.getElementById('file-chooser');

  function chooseFile() {
    fileChooser.value = '';
    fileChooser.click();
  }

  // The picked file is decoded first, then offered to the core's file dialog port, and the
  // picture button's command loads it.
  function onFileChosen() {
    const file = fileChooser.files && fileChooser.files[0];
    if (!file || !core) return;
    const path = 'C:\\fakepath\\' + file.name;
    file.arrayBuffer().then(function (buffer) {
      return dozero.canvas.decodePicture(new Uint8Array(buffer));
    }).then(function (bitmap) {
      dozero.canvas.offerChosenPicture(bitmap);
    }, function () {
      dozero.canvas.offerChosenPicture(null);  // the core reports the failure with the file's name
    }).then(function () {
      withStrings([path, file.name], function (p, n) { core._dz_choose_file(p, n); });
      command(BOARD, ids.IDC_BOARD_PICTURE);
      dozero.canvas.offerChosenPicture(null);
    });
  }

  // ---- repaint --------------------------------------------------------------------------------

  let paintPending = false;

  function paint() {
    if (!core) return;
    core._dz_paint();
    const root = document.documentElement;
    if (!root.dataset.firstPaint) root.dataset.firstPaint = String(performance.now());
  }

  function requestPaint() {
    if (paintPending) return;
    paintPending = true;
    requestAnimationFrame(function () {
      paintPending = false;
      paint();
    });
  }

  function start(module) {
    core = module;
  }

  function wire() {
    for (const s of document.querySelectorAll('.panel select')) s.selectedIndex = -1;
    wireControls();
    wireMenu();
    messageOk.addEventListener('click', function () {
      messageBox.hidden = true;
      showNextMessage();
    });
    fileChooser.addEventListener('change', onFileChosen);
  }

  dozero.ports = {
    BOARD: BOARD,
    start: start,
    placeControls: placeControls,
    wire: wire,
    command: command,
    paint: paint,
    showNote: showNote,
    putClipboard: putClipboard,
    // The calls of the other ports (see src/web/page.h).
    port: {
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
      putClipboard: putCode,
      showError: showError,
      requestPaint: requestPaint,
    },
  };
})(window.dozero);
