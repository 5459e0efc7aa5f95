// What is under the pointer, and its fields as the layer model gives them.

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
