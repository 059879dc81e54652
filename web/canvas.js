// The page's side of the canvas port (src/web/web_canvas.cpp) and of the pictures: surfaces
// the core draws on, as GDI draws, and the pictures it loads. The pictures are decoded here,
// a BMP file by the program's own reader, as the Windows front-end decodes its own.
'use strict';

(function (dozero) {
  // The keyed pictures kept: a few sizes of each, and never more pixels than this in all.
  const KEYED_CACHE_SIZE = 24;
  const KEYED_CACHE_PIXELS = 24 * 1024 * 1024;
  // Cosmetic dash-dot-dot: 9 on, then 3 off, 3 on twice.
  const DASH_DOT_DOT = [9, 3, 3, 3, 3, 3];
  const LABEL_FONT = '600 20px "MS Gothic", "ＭＳ ゴシック", "Osaka-Mono", "IPAGothic", ' +
      '"IPAゴシック", "Noto Sans Mono CJK JP", "VL Gothic", "TakaoGothic", monospace';
  const DEFAULT_FONT = '400 15px "MS UI Gothic", "Meiryo UI", "IPAGothic", system-ui, sans-serif';
  const DEFAULT_FONT_HEIGHT = 16;

  // Device pixels per board pixel of the surfaces the core makes: the page sets it from
  // its layout before the core starts.
  let scale = Math.max(1, window.devicePixelRatio || 1);
  let core = null;

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

  // The on-screen board at a new scale (its drawing is lost; the page repaints it).
  function rescale(handle, s) {
    const S = surfaces.get(handle);
    if (!S || S.s === s) return;
    S.canvas.width = Math.round(S.w * s);
    S.canvas.height = Math.round(S.h * s);
    S.s = s;
    S.ctx.setTransform(s, 0, 0, s, 0, 0);
    S.ctx.imageSmoothingEnabled = false;
    S.penColour = S.penWidth = S.penStyle = S.label = -1;  // a resized canvas forgets them
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
    // Between surfaces of different scales (the board on a narrow screen) the copy is
    // resampled smoothly; at the same scale it is pixel for pixel.
    const resample = D.s !== S.s;
    if (resample) {
      D.ctx.imageSmoothingEnabled = true;
      D.ctx.imageSmoothingQuality = 'high';
    }
    D.ctx.drawImage(S.canvas, sx * S.s, sy * S.s, w * S.s, h * S.s, x, y, w, h);
    if (resample) D.ctx.imageSmoothingEnabled = false;
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

  // The picture the user picked (null when it could not be decoded), for the core's next
  // load of a chosen file.
  function offerChosenPicture(bitmap) {
    chosenPicture = bitmap;
  }

  // BMP files go through the program's own reader, as on Windows: a file it refuses fails
  // to load (the core then names it in its message) instead of showing as garbage. PNG and
  // JPEG are the browser's.
  function decodePicture(bytes) {
    if (bytes.length >= 2 && bytes[0] === 0x42 && bytes[1] === 0x4d) {  // "BM"
      const picture = readBmp(bytes);
      return picture ? createImageBitmap(picture) : Promise.reject(new Error('refused'));
    }
    return createImageBitmap(new Blob([bytes]));
  }

  function readBmp(bytes) {
    const data = core._malloc(bytes.length + 1);
    const size = core._malloc(8);
    try {
      core.HEAPU8.set(bytes, data);
      const rgba = core._dz_decode_bmp(data, bytes.length, size);
      if (!rgba) return null;
      const w = core.HEAP32[size >> 2];
      const h = core.HEAP32[(size >> 2) + 1];
      const pixels = new Uint8ClampedArray(core.HEAPU8.subarray(rgba, rgba + w * h * 4));
      core._free(rgba);
      return new ImageData(pixels, w, h);
    } finally {
      core._free(data);
      core._free(size);
    }
  }

  function base64Bytes(s) {
    const raw = atob(s);
    const bytes = new Uint8Array(raw.length);
    for (let i = 0; i < raw.length; ++i) bytes[i] = raw.charCodeAt(i);
    return bytes;
  }

  // The program's own pictures (pictures.js), read once the module is there.
  function loadOwnPictures() {
    const table = window.dozeroPictures || {};
    return Promise.all(Object.keys(table).map(function (name) {
      return decodePicture(base64Bytes(table[name])).then(function (bitmap) {
        ownPictures.set(name, bitmap);
      }, function () { /* the core reports the missing picture */ });
    }));
  }

  dozero.canvas = {
    get scale() { return scale; },
    setScale: function (s) { scale = s; },
    rescale: rescale,
    start: function (module) { core = module; },
    register: register,
    base64Bytes: base64Bytes,
    loadOwnPictures: loadOwnPictures,
    decodePicture: decodePicture,
    offerChosenPicture: offerChosenPicture,
    // The calls of the canvas port (see src/web/page.h).
    port: {
      createSurface: createSurface,
      freeSurface: freeSurface,
      shape: shape,
      line: line,
      text: text,
      copy: copy,
      blend: blend,
      takePicture: takePicture,
    },
  };
})(window.dozero);
