// The buttons, the layer switches, mouse, pen and touch; and what scripts
// and tests may ask of the page.

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
// The side panel: folded away by the style sheet on narrow windows, so the
// button opens it there and closes it elsewhere.
const narrow = window.matchMedia('(max-width: 1000px)');
document.getElementById('panel').addEventListener('click', () => {
  document.body.classList.toggle(narrow.matches ? 'panel-open' : 'panel-closed');
});
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

// For scripts and tests: the view, and the chart's coordinates on the page.

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
startRender(true);
// A window that changes size while the whole chart shows (as one does that
// is still being laid out when the page opens) shows it whole again, drawn
// anew at once: a sheet drawn for another size shows blurred.
// Setting a canvas's size clears it, and the observer runs before the
// frame is painted: the sheet drawn so far is shown at once, scaled to the
// new view, so that no frame shows the texts over an empty map.
new ResizeObserver(() => {
  if (!resize()) return;
  if (!fitted) {
    changed();
    present();
    return;
  }
  fit();
  clearTimeout(restTimer);
  startRender(!sheet);
  if (sheet) present();
}).observe(map);
