// The script of chart14 html's page: it reads the chart's data from the
// page, draws the map on a canvas and its texts over it, and lets a person
// pan, zoom, point at an element to see its fields and switch layers. What
// is drawn and where the texts go was decided by chart14 (the symbology and
// the ladder of text layouts it shares with chart14 svg); this draws it.
// The build puts data.js, map.js, texts.js, fields.js and controls.js, in
// that order, into one function of strict mode (embed_assets.cmake).
//
// Chart coordinates are kept relative to the extent's lower left corner
// ("units"); the view maps them to the map's CSS pixels, north up.
//
// This file: the chart's data as the page holds it, the numbers unpacked,
// each layer's elements with their boxes in a grid, the texts of every level.

const started = performance.now();
const data = JSON.parse(document.getElementById('chart-data').textContent);
const parseMs = performance.now() - started;
const [minX, minY, maxX, maxY] = data.extent;
const extentW = maxX - minX, extentH = maxY - minY;
const SVG_NS = 'http://www.w3.org/2000/svg';

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
