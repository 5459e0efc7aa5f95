// The script of chart14 html's page: it reads the chart's data from the
// page, draws the map on a canvas and its texts over it, and lets a person
// pan, zoom, point at an element to see its fields and switch layers. What
// is drawn and where the texts go was decided by chart14 (the symbology and
// the ladder of text layouts it shares with chart14 svg); this draws it.
//
// Chart coordinates are kept relative to the extent's lower left corner
// ("units"); the view maps them to the map's CSS pixels, north up.
(() => {
  'use strict';
  const started = performance.now();
  const data = JSON.parse(document.getElementById('chart-data').textContent);
  const parseMs = performance.now() - started;
  const [minX, minY, maxX, maxY] = data.extent;
  const extentW = maxX - minX, extentH = maxY - minY;
  const SVG_NS = 'http://www.w3.org/2000/svg';

  // ---- packed numbers (see html_packing.hpp) --------------------------------

  function bytesOf(base64) {
    const text = atob(base64);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
    return bytes;
  }

  // The integers: LEB128 varints of their zigzag.
  function unpack(base64, count) {
    const bytes = bytesOf(base64);
    const out = new Float64Array(count);
    let n = 0, value = 0, weight = 1;
    for (let i = 0; i < bytes.length && n < count; i++) {
      const b = bytes[i];
      value += (b & 0x7f) * weight;
      if (b < 0x80) {
        out[n++] = value % 2 === 0 ? value / 2 : -(value + 1) / 2;
        value = 0;
        weight = 1;
      } else {
        weight *= 128;
      }
    }
    return out;
  }

  // Coordinates: steps of whole quanta, each from the one before.
  function unpackCoordinates(base64, count) {
    const steps = unpack(base64, count);
    const out = new Float32Array(count);
    let at = 0;
    for (let i = 0; i < count; i++) {
      at += steps[i];
      out[i] = at * data.quantum;
    }
    return out;
  }

  // ---- a grid of boxes over the extent, for what is near a place -------------

  class Grid {
    constructor(count) {
      this.columns = Math.max(1, Math.min(512, Math.ceil(Math.sqrt(count / 2))));
      this.rows = this.columns;
      this.cellW = Math.max(extentW, 1e-9) / this.columns;
      this.cellH = Math.max(extentH, 1e-9) / this.rows;
      this.cells = new Array(this.columns * this.rows);
      this.stamp = new Uint32Array(count);
      this.round = 0;
    }
    span(u0, v0, u1, v1) {
      const clampC = (v) => Math.min(this.columns - 1, Math.max(0, Math.floor(v / this.cellW)));
      const clampR = (v) => Math.min(this.rows - 1, Math.max(0, Math.floor(v / this.cellH)));
      return [clampC(u0), clampR(v0), clampC(u1), clampR(v1)];
    }
    insert(id, u0, v0, u1, v1) {
      const [c0, r0, c1, r1] = this.span(u0, v0, u1, v1);
      for (let r = r0; r <= r1; r++) {
        for (let c = c0; c <= c1; c++) {
          const k = r * this.columns + c;
          (this.cells[k] || (this.cells[k] = [])).push(id);
        }
      }
    }
    // Calls back once for each id whose cells meet the box.
    query(u0, v0, u1, v1, callback) {
      if (u1 < 0 || v1 < 0 || u0 > extentW || v0 > extentH) return;
      const [c0, r0, c1, r1] = this.span(u0, v0, u1, v1);
      this.round = (this.round + 1) >>> 0 || 1;
      for (let r = r0; r <= r1; r++) {
        for (let c = c0; c <= c1; c++) {
          const cell = this.cells[r * this.columns + c];
          if (!cell) continue;
          for (const id of cell) {
            if (this.stamp[id] === this.round) continue;
            this.stamp[id] = this.round;
            callback(id);
          }
        }
      }
    }
  }

  // ---- the layers ---------------------------------------------------------

  const decodeStarted = performance.now();
  const layers = data.layers.map((layer) => {
    const n = layer.count;
    const counts = unpack(layer.points, n);
    const starts = new Uint32Array(n + 1);
    for (let i = 0; i < n; i++) starts[i + 1] = starts[i] + counts[i];
    const total = starts[n];
    const xs = unpackCoordinates(layer.x, total), ys = unpackCoordinates(layer.y, total);
    const style = unpack(layer.style, n), turn = unpack(layer.turn, n);
    const boxes = new Float32Array(4 * n);
    const grid = new Grid(n);
    for (let i = 0; i < n; i++) {
      let u0 = Infinity, v0 = Infinity, u1 = -Infinity, v1 = -Infinity;
      for (let j = starts[i]; j < starts[i + 1]; j++) {
        u0 = Math.min(u0, xs[j]); u1 = Math.max(u1, xs[j]);
        v0 = Math.min(v0, ys[j]); v1 = Math.max(v1, ys[j]);
      }
      boxes.set([u0, v0, u1, v1], 4 * i);
      if (starts[i + 1] > starts[i]) grid.insert(i, u0, v0, u1, v1);
    }
    return { ...layer, values: layer.values, starts, xs, ys, style, turn, boxes, grid, shown: true };
  });
  // The texts name their layer by its number in the layer model.
  const layerByModelId = new Map(data.layerIds.map((id, i) => [id, i]));

  const T = data.texts;
  const texts = {
    count: T.count,
    u: unpackCoordinates(T.x, T.count), v: unpackCoordinates(T.y, T.count),
    level: unpack(T.level, T.count), layer: unpack(T.layer, T.count).map((id) => layerByModelId.get(id)),
    fid: unpack(T.fid, T.count), width: unpack(T.width, T.count).map((w) => w / 100),
    height: unpack(T.height, T.count).map((h) => h / 100), shape: unpack(T.shape, T.count),
    first: unpack(T.first, T.count), second: unpack(T.second, T.count),
  };
  // One grid per level: a view shows the levels up to its own.
  const textGrids = [];
  {
    const perLevel = new Array(data.ladder.levels).fill(0);
    for (let i = 0; i < texts.count; i++) perLevel[texts.level[i]]++;
    for (let k = 0; k < data.ladder.levels; k++) textGrids.push(new Grid(Math.max(perLevel[k], 1)));
    textGrids.forEach((grid) => { grid.stamp = new Uint32Array(texts.count); });
    for (let i = 0; i < texts.count; i++) textGrids[texts.level[i]].insert(i, texts.u[i], texts.v[i], texts.u[i], texts.v[i]);
  }
  const decodeMs = performance.now() - decodeStarted;

  // ---- the view --------------------------------------------------------------

  const map = document.getElementById('map');
  const geometry = document.getElementById('geometry');
  const highlight = document.getElementById('highlight');
  const overlay = document.getElementById('texts');
  const PAD = 16;
  let width = 1, height = 1, ratio = 1;
  const view = { s: 1, u: extentW / 2, v: extentH / 2 };

  const fitScale = () => Math.max(1e-12, Math.min((width - 2 * PAD) / Math.max(extentW, 1e-12),
                                                  (height - 2 * PAD) / Math.max(extentH, 1e-12)));
  const minScale = () => Math.min(fitScale(), data.ladder.base) / 2;
  const maxScale = () => Math.max(data.ladder.base * 2 ** data.ladder.levels, 4);
  const toScreenOf = (at, u, v) => [width / 2 + (u - at.u) * at.s, height / 2 - (v - at.v) * at.s];
  const toScreen = (u, v) => toScreenOf(view, u, v);
  const toUnits = (x, y) => [view.u + (x - width / 2) / view.s, view.v - (y - height / 2) / view.s];
  // The level of the ladder whose texts this scale shows; -1: none.
  const textLevel = () => {
    if (view.s < data.ladder.base) return -1;
    return Math.min(data.ladder.levels - 1, Math.floor(Math.log2(view.s / data.ladder.base)));
  };

  // ---- drawing the geometry -----------------------------------------------------

  const arrowPath = new Path2D(data.arrow.path);

  // The line of one element in a view's pixels, onto a path (moveTo and
  // lineTo) or, much faster for many lines, into the parts of a path's text
  // (SVG's path syntax, which Path2D reads in one call). Points less than a
  // pixel apart are drawn as one.
  function trace(path, layer, i, at, close) {
    const { starts, xs, ys } = layer;
    const end = starts[i + 1];
    let lastX = NaN, lastY = NaN;
    for (let j = starts[i]; j < end; j++) {
      const x = at.w / 2 + (xs[j] - at.u) * at.s, y = at.h / 2 - (ys[j] - at.v) * at.s;
      const first = j === starts[i];
      if (!first && Math.abs(x - lastX) + Math.abs(y - lastY) < 0.8 && j !== end - 1) continue;
      if (Array.isArray(path)) path.push(first ? 'M' : 'L', x.toFixed(1), ' ', y.toFixed(1));
      else if (first) path.moveTo(x, y);
      else path.lineTo(x, y);
      lastX = x;
      lastY = y;
    }
    if (!close) return;
    if (Array.isArray(path)) path.push('Z');
    else path.closePath();
  }

  // Places every `spacing` pixels along the element's line, the first half
  // a spacing in, with the line's direction there (as chart14 svg places
  // the glyphs of a front).
  function placesAlong(layer, i, at, spacing) {
    const { starts, xs, ys } = layer;
    const places = [];
    let next = spacing / 2, walked = 0;
    for (let j = starts[i] + 1; j < starts[i + 1] && places.length < 100000; j++) {
      const x0 = at.w / 2 + (xs[j - 1] - at.u) * at.s, y0 = at.h / 2 - (ys[j - 1] - at.v) * at.s;
      const x1 = at.w / 2 + (xs[j] - at.u) * at.s, y1 = at.h / 2 - (ys[j] - at.v) * at.s;
      const length = Math.hypot(x1 - x0, y1 - y0);
      if (!(length > 0)) continue;
      while (next <= walked + length) {
        const t = (next - walked) / length;
        places.push([x0 + t * (x1 - x0), y0 + t * (y1 - y0), (x1 - x0) / length, (y1 - y0) / length]);
        next += spacing;
      }
      walked += length;
    }
    return places;
  }

  // A front's glyph at a place, on the left of the line's drawing direction
  // (side 1) or its right (-1); the page's y points down, the chart's up.
  function glyph(ctx, p, triangle, side) {
    const size = data.glyph.size, half = size / 2;
    const [x, y, dx, dy] = p;
    const nx = dy * side, ny = -dx * side;
    if (triangle) {
      ctx.moveTo(x - dx * half, y - dy * half);
      ctx.lineTo(x + dx * half, y + dy * half);
      ctx.lineTo(x + nx * size * 0.85, y + ny * size * 0.85);
    } else {
      for (let s = 0; s <= 8; s++) {
        const phi = Math.PI * s / 8;
        const gx = x + half * (-Math.cos(phi) * dx + Math.sin(phi) * nx);
        const gy = y + half * (-Math.cos(phi) * dy + Math.sin(phi) * ny);
        if (s === 0) ctx.moveTo(gx, gy); else ctx.lineTo(gx, gy);
      }
    }
    ctx.closePath();
  }

  function drawGlyphs(ctx, layer, i, at, style) {
    const places = placesAlong(layer, i, at, data.glyph.spacing);
    const fillWith = (colour, test, shape) => {
      ctx.beginPath();
      places.forEach((p, k) => { if (test(k)) glyph(ctx, p, shape(k), style.front === 'stationary' && k % 2 ? -1 : 1); });
      ctx.fillStyle = colour;
      ctx.fill();
    };
    switch (style.front) {
      case 'cold': fillWith(style.stroke, () => true, () => true); break;
      case 'warm': fillWith(style.stroke, () => true, () => false); break;
      case 'occluded': fillWith(style.stroke, () => true, (k) => k % 2 === 0); break;
      case 'stationary':
        fillWith(data.glyph.high, (k) => k % 2 === 0, () => true);
        fillWith(data.glyph.low, (k) => k % 2 === 1, () => false);
        break;
      default: break;
    }
  }

  function setStroke(ctx, style) {
    ctx.strokeStyle = style.stroke;
    ctx.lineWidth = style.width;
    ctx.setLineDash(style.dash);
  }

  // Draws every shown layer into a canvas for the view `at`, a little at a
  // time: the generator yields, and the caller goes on at the next frame.
  // Elements of one style are stroked as one path.
  function* drawAll(ctx, at) {
    const u0 = at.u - at.w / 2 / at.s, u1 = at.u + at.w / 2 / at.s;
    const v0 = at.v - at.h / 2 / at.s, v1 = at.v + at.h / 2 / at.s;
    for (const layer of layers) {
      if (!layer.shown || !layer.styles.length) continue;
      const byStyle = layer.styles.map(() => []);
      layer.grid.query(u0, v0, u1, v1, (i) => { if (layer.style[i] >= 0) byStyle[layer.style[i]].push(i); });
      for (let k = 0; k < layer.styles.length; k++) {
        const style = layer.styles[k], ids = byStyle[k];
        if (!ids.length) continue;
        ctx.lineCap = style.front || style.arrow ? 'round' : 'butt';
        setStroke(ctx, style);
        if (style.arrow) {
          const arrows = new Path2D();
          for (let n = 0; n < ids.length; n++) {
            const i = ids[n], j = layer.starts[i];
            const x = at.w / 2 + (layer.xs[j] - at.u) * at.s, y = at.h / 2 - (layer.ys[j] - at.v) * at.s;
            arrows.addPath(arrowPath, new DOMMatrix().translateSelf(x, y).rotateSelf(layer.turn[i] / 100));
            if (n % 1024 === 1023) yield;
          }
          ctx.stroke(arrows);
          continue;
        }
        if (style.fill) {
          // One by one, as the picture draws them: where two overlap, both show.
          for (let n = 0; n < ids.length; n++) {
            ctx.beginPath();
            trace(ctx, layer, ids[n], at, style.closed);
            ctx.globalAlpha = style.fillOpacity;
            ctx.fillStyle = style.fill;
            ctx.fill();
            ctx.globalAlpha = 1;
            ctx.stroke();
            if (n % 64 === 63) yield;
          }
          continue;
        }
        const parts = [];
        for (let n = 0; n < ids.length; n++) {
          trace(parts, layer, ids[n], at, style.closed);
          if (n % 256 === 255) yield;
        }
        const path = new Path2D(parts.join(''));
        ctx.stroke(path);
        if (style.front === 'stationary') {
          ctx.strokeStyle = data.glyph.dashColour;
          ctx.setLineDash([data.glyph.dash]);
          ctx.stroke(path);
        }
        if (style.front) {
          for (let n = 0; n < ids.length; n++) {
            drawGlyphs(ctx, layer, ids[n], at, style);
            if (n % 64 === 63) yield;
          }
        }
      }
    }
  }

  // The map is drawn into a sheet a little larger than the map, and the
  // sheet is shown moved and scaled while the view changes; once the view
  // rests, a new sheet is drawn for it.
  let sheet = null, job = null, restTimer = 0, renders = 0, firstRenderMs = 0;
  // The first whole view drawn, kept beneath the sheet: where a pan goes
  // beyond the sheet, the map shows there at once, if coarsely.
  let overview = null;
  const MARGIN = 0.3;  // of the map's size, on every side

  function startRender() {
    const w = Math.ceil(width * (1 + 2 * MARGIN)), h = Math.ceil(height * (1 + 2 * MARGIN));
    const canvas = document.createElement('canvas');
    canvas.width = Math.ceil(w * ratio);
    canvas.height = Math.ceil(h * ratio);
    const ctx = canvas.getContext('2d');
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    ctx.lineJoin = 'round';
    const at = { s: view.s, u: view.u, v: view.v, w, h };
    job = { canvas, at, steps: drawAll(ctx, at) };
    requestAnimationFrame(runJob);
  }

  function runJob() {
    if (!job) return;
    // Short slices once a person may be panning; long ones before the map first shows.
    const until = performance.now() + (api.ready ? 14 : 60);
    let step;
    do step = job.steps.next(); while (!step.done && performance.now() < until);
    if (!step.done) {
      // The first drawing shows as it grows; later ones once whole.
      if (!sheet) present(job);
      requestAnimationFrame(runJob);
      return;
    }
    sheet = { canvas: job.canvas, at: job.at };
    if (!overview && sheet.at.s <= fitScale() * 1.0001) overview = sheet;
    job = null;
    renders++;
    present();
    if (!api.ready) {
      firstRenderMs = performance.now() - started;
      api.ready = true;
      // loadedMs: from the start of the page's navigation to the map drawn.
      api.timings = { parseMs, decodeMs, firstRenderMs, loadedMs: performance.now() };
      document.dispatchEvent(new Event('chart14-ready'));
    }
  }

  // Shows the view: the sheets moved and scaled to it, the texts on top.
  function present(drawing = sheet) {
    const ctx = geometry.getContext('2d');
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    ctx.clearRect(0, 0, width, height);
    ctx.imageSmoothingEnabled = true;
    for (const shown of overview && overview !== drawing ? [overview, drawing] : [drawing]) {
      if (!shown) continue;
      const k = view.s / shown.at.s;
      const [x, y] = toScreen(shown.at.u, shown.at.v);
      if (shown === overview && drawing) {
        // Only around the sheet: beneath it, the overview would show through
        // where the sheet is blank.
        ctx.save();
        const [sx, sy] = toScreen(drawing.at.u, drawing.at.v), sk = view.s / drawing.at.s;
        ctx.beginPath();
        ctx.rect(0, 0, width, height);
        ctx.rect(sx - drawing.at.w / 2 * sk, sy - drawing.at.h / 2 * sk, drawing.at.w * sk, drawing.at.h * sk);
        ctx.clip('evenodd');
        ctx.drawImage(shown.canvas, x - shown.at.w / 2 * k, y - shown.at.h / 2 * k, shown.at.w * k, shown.at.h * k);
        ctx.restore();
        continue;
      }
      ctx.drawImage(shown.canvas, x - shown.at.w / 2 * k, y - shown.at.h / 2 * k, shown.at.w * k, shown.at.h * k);
    }
    drawHighlight();
    updateTexts();
    showScale();
  }

  let presentQueued = false;
  function queuePresent() {
    if (presentQueued) return;
    presentQueued = true;
    requestAnimationFrame(() => {
      presentQueued = false;
      present();
    });
  }

  // A change of view: shown at once from the sheet, drawn anew once it rests.
  function changed() {
    queuePresent();
    clearTimeout(restTimer);
    restTimer = setTimeout(startRender, 150);
  }

  function setView(s, u, v) {
    view.s = Math.min(maxScale(), Math.max(minScale(), s));
    view.u = u;
    view.v = v;
    changed();
  }

  // Zooms by `factor` keeping the chart's point under (x, y) where it is.
  function zoomAbout(factor, x, y) {
    const [u, v] = toUnits(x, y);
    const s = Math.min(maxScale(), Math.max(minScale(), view.s * factor));
    setView(s, u - (x - width / 2) / s, v + (y - height / 2) / s);
  }

  function fit() { setView(fitScale(), extentW / 2, extentH / 2); }

  // ---- the texts ------------------------------------------------------------

  let assigned = new Map();  // text → the <g> that shows it
  const idle = [];           // <g> elements that show nothing now
  let shownTexts = [];       // [text, x0, y0] of the texts in view

  // A <g> with a box, a first and a second line.
  function makeItem() {
    const g = document.createElementNS(SVG_NS, 'g');
    const rect = document.createElementNS(SVG_NS, 'rect');
    const first = document.createElementNS(SVG_NS, 'text');
    const second = document.createElementNS(SVG_NS, 'text');
    g.append(rect, first, second);
    overlay.append(g);
    return { g, rect, first, second };
  }

  function fillItem(item, i) {
    const shape = T.shapes[texts.shape[i]], w = texts.width[i], h = texts.height[i];
    item.g.setAttribute('class', shape.boxClass ? 'note' : 'text');
    // What it belongs to, and the box it was placed in, for the page's readers.
    item.g.dataset.layer = layers[texts.layer[i]].name;
    item.g.dataset.fid = texts.fid[i];
    item.g.dataset.width = w;
    item.g.dataset.height = h;
    item.rect.style.display = shape.boxClass ? '' : 'none';
    if (shape.boxClass) {
      item.rect.setAttribute('class', shape.boxClass);
      item.rect.setAttribute('width', w);
      item.rect.setAttribute('height', h);
    }
    const x = shape.centred ? w / 2 : shape.padding;
    const line = (element, cssClass, text, y) => {
      element.style.display = text ? '' : 'none';
      if (!text) return;
      element.setAttribute('class', cssClass);
      element.setAttribute('x', x);
      element.setAttribute('y', y);
      element.style.fontSize = `${shape.fontSize}px`;
      if (shape.fill && !shape.boxClass) element.setAttribute('fill', shape.fill); else element.removeAttribute('fill');
      element.textContent = text;
    };
    line(item.first, shape.firstClass, T.strings[texts.first[i]], shape.firstBaseline);
    line(item.second, shape.secondClass, T.strings[texts.second[i]], shape.firstBaseline + shape.lineStep);
  }

  // Shows the texts of the view's level whose boxes lie wholly on the map.
  function updateTexts() {
    const level = textLevel();
    const visible = [];
    if (level >= 0) {
      const [u0, v1] = toUnits(0, 0), [u1, v0] = toUnits(width, height);
      for (let k = 0; k <= level; k++) {
        textGrids[k].query(u0, v0, u1, v1, (i) => {
          if (!layers[texts.layer[i]].shown) return;
          const [x, y] = toScreen(texts.u[i], texts.v[i]);
          const x0 = x - texts.width[i] / 2, y0 = y - texts.height[i] / 2;
          if (x0 < 0 || y0 < 0 || x0 + texts.width[i] > width || y0 + texts.height[i] > height) return;
          visible.push([i, x0, y0]);
        });
      }
    }
    const wanted = new Set(visible.map(([i]) => i));
    const next = new Map();
    for (const [i, item] of assigned) {
      if (wanted.has(i)) {
        next.set(i, item);
      } else {
        item.g.style.display = 'none';
        idle.push(item);
      }
    }
    for (const [i, x0, y0] of visible) {
      let item = next.get(i);
      if (!item) {
        item = idle.pop() || makeItem();
        fillItem(item, i);
        item.g.style.display = '';
        next.set(i, item);
      }
      item.g.setAttribute('transform', `translate(${x0.toFixed(2)},${y0.toFixed(2)})`);
    }
    assigned = next;
    shownTexts = visible;
  }

  // ---- what is under the pointer ---------------------------------------------

  function distanceToSegment(px, py, ax, ay, bx, by) {
    const dx = bx - ax, dy = by - ay, length2 = dx * dx + dy * dy;
    const t = length2 > 0 ? Math.max(0, Math.min(1, ((px - ax) * dx + (py - ay) * dy) / length2)) : 0;
    return Math.hypot(ax + t * dx - px, ay + t * dy - py);
  }

  function insideRing(layer, i, u, v) {
    let inside = false;
    const { starts, xs, ys } = layer;
    for (let j = starts[i], k = starts[i + 1] - 1; j < starts[i + 1]; k = j++) {
      if ((ys[j] > v) !== (ys[k] > v) && u < (xs[k] - xs[j]) * (v - ys[j]) / (ys[k] - ys[j]) + xs[j]) inside = !inside;
    }
    return inside;
  }

  // The element at a point of the map: a text's, else the nearest point or
  // line within a few pixels, else the area it lies in.
  function pick(x, y) {
    for (let n = shownTexts.length - 1; n >= 0; n--) {
      const [i, x0, y0] = shownTexts[n];
      if (x >= x0 && y >= y0 && x <= x0 + texts.width[i] && y <= y0 + texts.height[i]) {
        return { layer: texts.layer[i], fid: texts.fid[i] };
      }
    }
    const [u, v] = toUnits(x, y);
    const reach = 6 / view.s;
    let best = null;
    const consider = (rank, distance, layer, fid) => {
      if (!best || rank < best.rank || (rank === best.rank && distance < best.distance)) {
        best = { rank, distance, layer, fid };
      }
    };
    layers.forEach((layer, l) => {
      if (!layer.shown) return;
      layer.grid.query(u - reach, v - reach, u + reach, v + reach, (i) => {
        // An element drawn as a text only is picked by its text.
        if (layer.style[i] < 0) return;
        const { starts, xs, ys } = layer;
        if (layer.geometry === 'Point') {
          const d = Math.hypot(xs[starts[i]] - u, ys[starts[i]] - v) * view.s;
          if (d <= 10) consider(0, d, l, i);
          return;
        }
        let d = Infinity;
        for (let j = starts[i] + 1; j < starts[i + 1]; j++) {
          d = Math.min(d, distanceToSegment(u, v, xs[j - 1], ys[j - 1], xs[j], ys[j]) * view.s);
        }
        if (layer.geometry === 'Polygon' && starts[i + 1] - starts[i] > 2) {
          const j = starts[i], k = starts[i + 1] - 1;
          d = Math.min(d, distanceToSegment(u, v, xs[k], ys[k], xs[j], ys[j]) * view.s);
        }
        if (d <= 5) consider(1, d, l, i);
        else if (layer.geometry === 'Polygon' && insideRing(layer, i, u, v)) consider(2, 0, l, i);
      });
    });
    return best && { layer: best.layer, fid: best.fid };
  }

  // ---- the fields of the element picked -----------------------------------------

  const table = document.getElementById('fields-table');
  const hint = document.getElementById('fields-hint');
  let picked = null;

  function valueText(value) {
    if (value === null) return 'null';
    return String(value);
  }

  function showFields(hit) {
    picked = hit;
    table.replaceChildren();
    hint.style.display = hit ? 'none' : '';
    if (hit) {
      const layer = layers[hit.layer];
      const caption = table.createCaption();
      caption.textContent = `${layer.name} ${hit.fid}`;
      const row = (name, value) => {
        const tr = table.insertRow();
        const th = document.createElement('th');
        th.textContent = name;
        const td = document.createElement('td');
        td.textContent = value;
        tr.append(th, td);
        tr.dataset.field = name;
      };
      row('fid', String(hit.fid));
      layer.fields.forEach((field, k) => row(field.name, valueText(layer.values[k][hit.fid])));
    }
    drawHighlight();
  }

  function drawHighlight() {
    const ctx = highlight.getContext('2d');
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    ctx.clearRect(0, 0, width, height);
    if (!picked || !layers[picked.layer].shown) return;
    const layer = layers[picked.layer], i = picked.fid;
    const at = { s: view.s, u: view.u, v: view.v, w: width, h: height };
    ctx.strokeStyle = 'rgba(255, 200, 0, 0.8)';
    ctx.lineWidth = 6;
    ctx.lineJoin = 'round';
    ctx.lineCap = 'round';
    ctx.beginPath();
    if (layer.geometry === 'Point') {
      const [x, y] = toScreen(layer.xs[layer.starts[i]], layer.ys[layer.starts[i]]);
      ctx.arc(x, y, 9, 0, 2 * Math.PI);
    } else {
      trace(ctx, layer, i, at, layer.geometry === 'Polygon');
    }
    ctx.stroke();
  }

  // ---- the controls ------------------------------------------------------------

  function showScale() {
    const s = view.s;
    document.getElementById('scale').textContent = s >= 1 ? `${+s.toPrecision(3)}:1` : `1:${+(1 / s).toPrecision(3)}`;
  }

  const layerList = document.getElementById('layers');
  layers.forEach((layer) => {
    const label = document.createElement('label');
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.checked = true;
    box.name = layer.name;
    box.addEventListener('change', () => {
      layer.shown = box.checked;
      overview = null;  // drawn with the layer as it was
      if (picked && !layers[picked.layer].shown) showFields(null);
      queuePresent();
      startRender();
    });
    const count = document.createElement('span');
    count.className = 'count';
    count.textContent = ` (${layer.count})`;
    label.append(box, ` ${layer.name}`, count);
    layerList.append(label);
  });

  document.getElementById('fit').addEventListener('click', fit);
  document.getElementById('one').addEventListener('click', () => setView(1, view.u, view.v));
  document.getElementById('zoom-in').addEventListener('click', () => zoomAbout(2, width / 2, height / 2));
  document.getElementById('zoom-out').addEventListener('click', () => zoomAbout(0.5, width / 2, height / 2));

  // Mouse, pen and touch alike: one pointer pans, two pinch; a pointer that
  // barely moves picks the element under it (a tap), and a mouse picks as it
  // hovers.
  const pointers = new Map();
  let gesture = null;

  const local = (event) => {
    const r = map.getBoundingClientRect();
    return [event.clientX - r.left, event.clientY - r.top];
  };

  function startGesture() {
    const points = [...pointers.values()];
    if (points.length === 1) {
      gesture = { kind: 'pan', from: points[0], view: { ...view }, moved: 0 };
    } else if (points.length >= 2) {
      const [a, b] = points;
      gesture = { kind: 'pinch', distance: Math.hypot(a[0] - b[0], a[1] - b[1]) || 1,
                  middle: [(a[0] + b[0]) / 2, (a[1] + b[1]) / 2], view: { ...view }, moved: Infinity };
    } else {
      gesture = null;
    }
  }

  map.addEventListener('pointerdown', (event) => {
    map.setPointerCapture(event.pointerId);
    pointers.set(event.pointerId, local(event));
    startGesture();
    map.classList.add('dragging');
  });

  map.addEventListener('pointermove', (event) => {
    const at = local(event);
    if (!pointers.has(event.pointerId)) {
      if (event.pointerType === 'mouse') showFields(pick(...at));
      return;
    }
    pointers.set(event.pointerId, at);
    if (!gesture) return;
    const start = gesture.view;
    if (gesture.kind === 'pan') {
      const dx = at[0] - gesture.from[0], dy = at[1] - gesture.from[1];
      gesture.moved = Math.max(gesture.moved, Math.hypot(dx, dy));
      setView(start.s, start.u - dx / start.s, start.v + dy / start.s);
    } else {
      const [a, b] = [...pointers.values()];
      const factor = Math.hypot(a[0] - b[0], a[1] - b[1]) / gesture.distance;
      const middle = [(a[0] + b[0]) / 2, (a[1] + b[1]) / 2];
      const s = Math.min(maxScale(), Math.max(minScale(), start.s * factor));
      // The chart's point under the gesture's first middle goes with the fingers.
      const u = start.u + (gesture.middle[0] - width / 2) / start.s, v = start.v - (gesture.middle[1] - height / 2) / start.s;
      setView(s, u - (middle[0] - width / 2) / s, v + (middle[1] - height / 2) / s);
    }
  });

  function endPointer(event) {
    if (!pointers.has(event.pointerId)) return;
    const tap = gesture && gesture.kind === 'pan' && gesture.moved < 4 && pointers.size === 1;
    const at = local(event);
    pointers.delete(event.pointerId);
    if (tap) showFields(pick(...at));
    startGesture();
    if (!pointers.size) map.classList.remove('dragging');
  }
  map.addEventListener('pointerup', endPointer);
  map.addEventListener('pointercancel', endPointer);
  map.addEventListener('pointerleave', (event) => {
    if (event.pointerType === 'mouse' && !pointers.size) showFields(null);
  });

  map.addEventListener('wheel', (event) => {
    event.preventDefault();
    const lines = event.deltaMode === 1 ? 40 : event.deltaMode === 2 ? height : 1;
    zoomAbout(2 ** (-event.deltaY * lines / 400), ...local(event));
  }, { passive: false });

  // Fits the canvases to the map; false when nothing changed (setting a
  // canvas's size clears it).
  function resize() {
    const r = map.getBoundingClientRect();
    const size = [Math.max(1, r.width), Math.max(1, r.height), window.devicePixelRatio || 1];
    if (size[0] === width && size[1] === height && size[2] === ratio) return false;
    [width, height, ratio] = size;
    for (const canvas of [geometry, highlight]) {
      canvas.width = Math.ceil(width * ratio);
      canvas.height = Math.ceil(height * ratio);
      canvas.style.width = `${width}px`;
      canvas.style.height = `${height}px`;
    }
    overlay.setAttribute('width', width);
    overlay.setAttribute('height', height);
    return true;
  }

  // ---- for scripts and tests: the view, and the chart's coordinates on the page

  const api = {
    ready: false,
    timings: null,
    // Level k of the texts shows from the scale base * 2^k (pixels per unit).
    ladder: data.ladder,
    extent: data.extent,
    get renders() { return renders; },
    view: () => ({ scale: view.s, x: view.u + minX, y: view.v + minY, level: textLevel(), fitScale: fitScale() }),
    setView: (scale, x, y) => setView(scale, x - minX, y - minY),
    fit,
    // An element's points as the page draws them, in the chart's coordinates.
    points: (name, fid) => {
      const layer = layers.find((l) => l.name === name);
      const out = [];
      for (let j = layer.starts[fid]; j < layer.starts[fid + 1]; j++) out.push([layer.xs[j] + minX, layer.ys[j] + minY]);
      return out;
    },
    // Where a point of the chart is, in the page's CSS pixels.
    toPage: (x, y) => {
      const r = map.getBoundingClientRect();
      const [sx, sy] = toScreen(x - minX, y - minY);
      return [r.left + sx, r.top + sy];
    },
    // Resolves once a view set now is drawn.
    settled: () => new Promise((resolve) => {
      const wanted = renders + 1;
      const check = () => (renders >= wanted && !job ? resolve() : setTimeout(check, 20));
      check();
    }),
  };
  window.chart14 = api;

  resize();
  fit();
  clearTimeout(restTimer);
  startRender();
  new ResizeObserver(() => { if (resize()) changed(); }).observe(map);
})();
