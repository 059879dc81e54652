// The page's side of rooms (src/web/web_room.cpp): the broker's WebSocket, WebCrypto's
// AES-256-GCM, the 「ルーム」 button, the room's status line, and joining from a room link
// in the address. The room itself (MQTT, sealing, convergence) runs in the core.
//
// The broker of the rooms this page creates is the page's setting: the `dozero-broker` meta
// (a ws:// or wss:// URL) and, for the Windows program, `dozero-broker-tcp` (host:port).
// Whoever serves the page writes both together with the Content-Security-Policy's
// connect-src (src/web/set_broker.py), which lets the page reach that broker and nothing else.
'use strict';

(function (dozero) {
  const LINK_PREFIX = 'room=';
  const OUTSIDE = 0;  // the core's RoomStatus
  const JOINED = 0;   // the core's JoinResult
  const NEEDS_SECURE = 'ルームには https、127.0.0.1 または file:// で開いたページが必要です';

  const button = document.getElementById('room');
  const statusLine = document.getElementById('room-status');
  const subtle = window.crypto && window.crypto.subtle;
  let core = null;
  let ticker = 0;

  function setting(name) {
    const m = document.querySelector('meta[name="' + name + '"]');
    return m ? m.content : '';
  }

  function note(s) {
    dozero.ports.showNote(s);
  }

  // Bytes into the module's memory for the length of `fn(pointer, length)`.
  function withBytes(bytes, fn) {
    const p = core._malloc(Math.max(1, bytes.length));
    core.HEAPU8.set(bytes, p);
    try {
      fn(p, bytes.length);
    } finally {
      core._free(p);
    }
  }

  function withText(s, fn) {
    const n = core.lengthBytesUTF8(s) + 1;
    const p = core._malloc(n);
    core.stringToUTF8(s, p, n);
    try {
      return fn(p);
    } finally {
      core._free(p);
    }
  }

  // ---- the socket -----------------------------------------------------------------------------

  let socket = null;
  // What the core could not take yet (its messages being opened fill its queue), in order;
  // handed over again as WebCrypto answers. A backlog over MAX_BACKLOG bytes (a flood) ends
  // the connection: the room connects again later and the broker sends its board anew.
  const MAX_BACKLOG = 1 << 20;
  let backlog = [];
  let backlogBytes = 0;

  function detach() {
    backlog = [];
    backlogBytes = 0;
    if (!socket) return;
    socket.onopen = socket.onmessage = socket.onclose = socket.onerror = null;
    socket = null;
  }

  function feed() {
    const ws = socket;
    while (backlog.length && socket === ws) {
      const b = backlog[0];
      let used = 0;
      withBytes(b, function (p, n) { used = core._dz_stream_bytes(p, n); });
      if (socket !== ws) return;  // the core closed it
      backlogBytes -= used;
      if (used < b.length) {
        backlog[0] = b.subarray(used);
        return;
      }
      backlog.shift();
    }
  }

  function socketOpen(url) {
    socketClose();
    let ws;
    try {
      ws = new WebSocket(url, 'mqtt');
    } catch (e) {
      // Refused at once (a malformed address, the page's policy): reported as a failure,
      // later, as the core expects.
      setTimeout(function () { if (core) core._dz_stream_closed(); }, 0);
      return;
    }
    ws.binaryType = 'arraybuffer';
    socket = ws;
    ws.onopen = function () { core._dz_stream_open(); };
    ws.onmessage = function (e) {
      if (!(e.data instanceof ArrayBuffer)) return;
      backlog.push(new Uint8Array(e.data));
      backlogBytes += e.data.byteLength;
      if (backlogBytes > MAX_BACKLOG) return ws.onclose();
      if (backlog.length === 1) feed();
    };
    ws.onclose = ws.onerror = function () {
      socketClose();
      core._dz_stream_closed();
    };
  }

  function socketSend(bytes) {
    if (socket && socket.readyState === WebSocket.OPEN) socket.send(bytes);
  }

  function socketClose() {
    const ws = socket;
    detach();
    if (ws) ws.close();
  }

  // ---- crypto ---------------------------------------------------------------------------------

  let keyBytes = '';
  let keyPromise = null;

  function aesKey(raw) {
    const text = raw.join(',');
    if (text !== keyBytes) {
      keyBytes = text;
      keyPromise = subtle.importKey('raw', raw, {name: 'AES-GCM'}, false, ['encrypt', 'decrypt']);
    }
    return keyPromise;
  }

  function cryptoDone(ticket, ok, bytes) {
    if (!core) return;
    withBytes(bytes || new Uint8Array(0), function (p, n) {
      core._dz_crypto_done(ticket, ok ? 1 : 0, p, ok ? n : 0);
    });
    feed();
  }

  // AES-256-GCM, the tag (128 bits) after the ciphertext, the topic as additional data.
  function cryptoStart(ticket, seal, key, nonce, aad, data) {
    if (!subtle) {
      setTimeout(function () { cryptoDone(ticket, false); }, 0);
      return;
    }
    const params = {name: 'AES-GCM', iv: nonce, additionalData: aad, tagLength: 128};
    aesKey(key).then(function (k) {
      return seal ? subtle.encrypt(params, k, data) : subtle.decrypt(params, k, data);
    }).then(function (result) {
      cryptoDone(ticket, true, new Uint8Array(result));
    }, function () {
      cryptoDone(ticket, false);
    });
  }

  function showRoomStatus(s) {
    statusLine.textContent = s;
    button.setAttribute('aria-pressed', s ? 'true' : 'false');
  }

  // ---- create, join, leave --------------------------------------------------------------------

  function tick() {
    core._dz_room_tick(performance.now());
  }

  function entered() {
    if (!ticker) ticker = setInterval(tick, 100);
    tick();
  }

  function pageAddress() {
    return location.href.split('#')[0];
  }

  function create() {
    const broker = setting('dozero-broker');
    if (!broker) {
      note('このページにはルームのブローカーが設定されていません');
      return;
    }
    const p = withText(pageAddress(), function (page) {
      return withText(broker, function (b) {
        return withText(setting('dozero-broker-tcp'), function (t) {
          return core._dz_room_create(page, b, t);
        });
      });
    });
    if (!p) {
      note('ルームを作れません');
      return;
    }
    const link = core.UTF8ToString(p);
    // Reloading the page joins again.
    history.replaceState(null, '', link);
    entered();
    dozero.ports.putClipboard(link, function () {
      note('クリップボードを使えません。アドレス欄のリンクをコピーしてください');
    });
  }

  function leave() {
    core._dz_room_leave();
    clearInterval(ticker);
    ticker = 0;
    history.replaceState(null, '', pageAddress());
  }

  // Pressing ルーム outside a room makes one and copies its link; inside, it asks whether
  // to leave (the board stays).
  function onButton() {
    if (!core) return;
    if (!subtle) {
      note(NEEDS_SECURE);
      return;
    }
    if (core._dz_room_status() === OUTSIDE) {
      create();
    } else if (confirm('ルームから退出しますか? (ボードはそのまま残ります)')) {
      leave();
    }
  }

  function broker(fragment) {
    const m = /&broker=([^&]*)/.exec(fragment);
    return m ? m[1] : '';
  }

  // A room link in the address joins its room.
  function joinFromAddress() {
    const fragment = location.hash.slice(1);
    if (!core || !fragment.startsWith(LINK_PREFIX)) return;
    if (!subtle) {
      statusLine.textContent = NEEDS_SECURE;
      return;
    }
    const result = withText(location.href, function (p) { return core._dz_room_join(p); });
    if (result !== JOINED) {
      note('ルームのリンクが正しくありません');
      return;
    }
    entered();
    const wanted = broker(fragment);
    if (wanted && wanted !== setting('dozero-broker')) {
      note('このページは ' + (setting('dozero-broker') || '外部') + ' 以外のブローカーに接続できません');
    }
  }

  function start(module) {
    core = module;
    button.addEventListener('click', onButton);
    window.addEventListener('hashchange', joinFromAddress);
    joinFromAddress();
  }

  dozero.room = {
    start: start,
    port: {
      socketOpen: socketOpen,
      socketSend: socketSend,
      socketClose: socketClose,
      cryptoStart: cryptoStart,
      showRoomStatus: showRoomStatus,
    },
  };
})(window.dozero);
