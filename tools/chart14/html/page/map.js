// The view (scale and centre) and the map drawn on a canvas: each layer's
// elements in their styles, fronts with their glyphs, arrows; drawn into a
// sheet a little at a time, and the sheet shown moved while the view changes.

const map = document.getElementById('map');
const geometry = document.getElementById('geometry');
const highlight = document.getElementById('highlight');
const overlay = document.getElementById('texts');
const PAD = 16;
let width = 1, height = 1, ratio = 1;
const view = { s: 1, u: extentW / 2, v: extentH / 2 };

const fitScale = () => Math.max(1e-300, Math.min((width - 2 * PAD) / Math.max(extentW, 1e-300),
                                                 (height - 2 * PAD) / Math.max(extentH, 1e-300)));
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
        ctx.setLineDash(data.glyph.dash);
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
let sheet = null, job = null, restTimer = 0, renders = 0, firstRenderMs = 0, firstShownMs = 0;
// The first whole view drawn, kept beneath the sheet: where a pan goes
// beyond the sheet, the map shows there at once, if coarsely.
let overview = null;
const MARGIN = 0.3;  // of the map's size, on every side

// The first view is drawn at once, before the page counts as loaded, when
// that takes less than FIRST_DRAW_MS (a chart of some megabytes takes a few
// hundred milliseconds): a screenshot, a print or a glance on a busy machine
// then finds the map, not an empty frame. A larger chart goes on growing in
// slices, shown as it grows.
const FIRST_DRAW_MS = 2000;

function startRender(now = false) {
  const w = Math.ceil(width * (1 + 2 * MARGIN)), h = Math.ceil(height * (1 + 2 * MARGIN));
  const canvas = document.createElement('canvas');
  canvas.width = Math.ceil(w * ratio);
  canvas.height = Math.ceil(h * ratio);
  const ctx = canvas.getContext('2d');
  ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
  ctx.lineJoin = 'round';
  const at = { s: view.s, u: view.u, v: view.v, w, h };
  job = { canvas, at, steps: drawAll(ctx, at) };
  if (now) runJob(FIRST_DRAW_MS);
  else requestAnimationFrame(() => runJob());
}

function runJob(budgetMs) {
  if (!job) return;
  // Short slices once a person may be panning; long ones before the map first shows.
  const until = performance.now() + (budgetMs ?? (api.ready ? 14 : 60));
  let step;
  do step = job.steps.next(); while (!step.done && performance.now() < until);
  if (!step.done) {
    // The first drawing shows as it grows; later ones once whole.
    if (!sheet) {
      present(job);
      if (!firstShownMs) firstShownMs = performance.now();
    }
    requestAnimationFrame(() => runJob());
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
    // From the start of the page's navigation: shownMs to the first part
    // of the map on the screen, loadedMs to all of it.
    const now = performance.now();
    api.timings = { parseMs, decodeMs, firstRenderMs, shownMs: firstShownMs || now, loadedMs: now };
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
    if (shown !== drawing && drawing) {
      // The overview only around the sheet: beneath it, it would show
      // through where the sheet is blank. (The first sheet is the overview
      // too: it is drawn whole, as the sheet.)
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

// Whether the view is the whole chart, fitted: it stays fitted as the
// window changes size (a window may still grow after the page opens),
// until a person moves it.
let fitted = false;

function setView(s, u, v, fits = false) {
  view.s = Math.min(maxScale(), Math.max(minScale(), s));
  view.u = u;
  view.v = v;
  fitted = fits;
  changed();
}

// Zooms by `factor` keeping the chart's point under (x, y) where it is.
function zoomAbout(factor, x, y) {
  const [u, v] = toUnits(x, y);
  const s = Math.min(maxScale(), Math.max(minScale(), view.s * factor));
  setView(s, u - (x - width / 2) / s, v + (y - height / 2) / s);
}

function fit() { setView(fitScale(), extentW / 2, extentH / 2, true); }
