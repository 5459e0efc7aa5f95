// The texts over the map: those of the view's level whose boxes lie wholly
// on the map, in <g> elements reused as the view moves.

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
