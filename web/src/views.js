// The pictures of a model: its sampled points seen from the top, the front and the side,
// orthographic, before and after the factors, every panel at one scale so that a mirrored,
// flattened or hundredfold model shows at a glance. The framing is decided here without a
// browser (Node's tests use it); the drawing puts the dots into the canvas's pixels at once and
// draws the boxes, axes and words over them, so that a picture of thousands of points takes a
// few milliseconds.
(function (root, factory) {
  if (typeof module === 'object' && module.exports) module.exports = factory();
  else root.TessaryViews = factory();
})(typeof self !== 'undefined' ? self : this, function () {
  'use strict';

  const AXIS_NAMES = ['X', 'Y', 'Z'];
  // Each view: its name and the axes across and up the picture.
  const VIEWS = [
    { name: 'Top', across: 0, up: 1 },
    { name: 'Front', across: 0, up: 2 },
    { name: 'Side', across: 1, up: 2 },
  ];

  // The box around the finite points of `points` (x, y, z each) multiplied by `factors`, or
  // null when there is none.
  function pointsBox(points, count, factors) {
    const f = factors || [1, 1, 1];
    const min = [Infinity, Infinity, Infinity];
    const max = [-Infinity, -Infinity, -Infinity];
    let any = false;
    for (let i = 0; i < count; ++i) {
      const x = points[3 * i] * f[0];
      const y = points[3 * i + 1] * f[1];
      const z = points[3 * i + 2] * f[2];
      if (!Number.isFinite(x) || !Number.isFinite(y) || !Number.isFinite(z)) continue;
      any = true;
      if (x < min[0]) min[0] = x;
      if (x > max[0]) max[0] = x;
      if (y < min[1]) min[1] = y;
      if (y > max[1]) max[1] = y;
      if (z < min[2]) min[2] = z;
      if (z > max[2]) max[2] = z;
    }
    return any ? { min, max } : null;
  }

  function isFiniteBox(box) {
    return Boolean(box) && [...box.min, ...box.max].every(Number.isFinite);
  }

  // The smallest box around both, either of which may be null.
  function union(a, b) {
    if (!a) return b || null;
    if (!b) return a;
    return { min: a.min.map((v, i) => Math.min(v, b.min[i])),
             max: a.max.map((v, i) => Math.max(v, b.max[i])) };
  }

  // One scale for every panel (pixels per unit of the model) and, for each view, the point of
  // the model at the middle of its panels, so that the boxes `boxes` (null ones left out) fit
  // in a panel of `width` by `height` pixels less `pad` on each side. A box flat along an axis
  // takes the scale of the others; a single point, any scale.
  function frame(boxes, width, height, pad) {
    const around = boxes.filter(isFiniteBox).reduce(union, null);
    if (!around) return null;
    const room = [Math.max(1, width - 2 * pad), Math.max(1, height - 2 * pad)];
    let scale = Infinity;
    for (const view of VIEWS) {
      const across = around.max[view.across] - around.min[view.across];
      const up = around.max[view.up] - around.min[view.up];
      if (across > 0) scale = Math.min(scale, room[0] / across);
      if (up > 0) scale = Math.min(scale, room[1] / up);
    }
    if (!Number.isFinite(scale) || scale <= 0) scale = 1;
    const middle = around.min.map((v, i) => v / 2 + around.max[i] / 2);
    return { scale, centers: VIEWS.map((view) => [middle[view.across], middle[view.up]]) };
  }

  // A length as the pictures write it: four significant digits at most.
  function shortNumber(value) {
    if (!Number.isFinite(value)) return String(value);
    const rounded = Number(value.toPrecision(4));
    const magnitude = Math.abs(rounded);
    return magnitude !== 0 && (magnitude >= 1e6 || magnitude < 1e-3)
      ? rounded.toExponential().replace('e+', 'e') : String(rounded);
  }

  // "X 2.5 × Y 3 × Z 1": the lengths of a box along each axis.
  function lengthsText(box) {
    if (!box) return 'no points';
    return [0, 1, 2].map((axis) => AXIS_NAMES[axis] + ' ' +
      shortNumber(box.max[axis] - box.min[axis])).join(' × ');
  }

  // --- Drawing (in a browser) ------------------------------------------------------------

  function colorsOf(canvas) {
    const style = getComputedStyle(canvas);
    const read = (name, fallback) => style.getPropertyValue(name).trim() || fallback;
    return { text: style.color || '#000', line: read('--line', '#8888'),
             before: read('--before', '#777'), after: read('--accent', '#1d5fb4'),
             other: read('--other-points', '#c05a00') };
  }

  // `color` ("#rgb", "#rrggbb" or "rgb(r, g, b)") as [r, g, b].
  function rgb(color) {
    const hex = /^#([0-9a-f]{3,8})$/i.exec(color);
    if (hex) {
      const h = hex[1];
      if (h.length < 6) return [0, 1, 2].map((i) => 17 * parseInt(h[i], 16));
      return [0, 2, 4].map((i) => parseInt(h.slice(i, i + 2), 16));
    }
    const parts = color.match(/\d+(\.\d+)?/g) || [0, 0, 0];
    return parts.slice(0, 3).map(Number);
  }

  // Puts the points of `sample` multiplied by `factors` as dots of `size` device pixels into
  // `image` (an ImageData), in the panel at (left, top) of `width` by `height` device pixels of
  // `view`, with the framing `framed` at `ratio` device pixels per pixel.
  function dots(image, sample, factors, view, panel, framed, ratio, colors, size) {
    const { data, width: imageWidth } = image;
    const scale = framed.scale * ratio;
    const [cx, cy] = framed.centers[VIEWS.indexOf(view)];
    const midX = panel.left + panel.width / 2;
    const midY = panel.top + panel.height / 2;
    const fa = factors[view.across];
    const fu = factors[view.up];
    for (let i = 0; i < sample.kept; ++i) {
      const a = sample.points[3 * i + view.across] * fa;
      const u = sample.points[3 * i + view.up] * fu;
      const px = Math.round(midX + (a - cx) * scale - size / 2);
      const py = Math.round(midY - (u - cy) * scale - size / 2);
      if (!(px >= panel.left && px + size <= panel.left + panel.width &&
            py >= panel.top && py + size <= panel.top + panel.height)) continue;
      const color = sample.kinds[i] === 1 ? colors.points : colors.others;
      for (let dy = 0; dy < size; ++dy) {
        let at = 4 * ((py + dy) * imageWidth + px);
        for (let dx = 0; dx < size; ++dx, at += 4) {
          data[at] = color[0];
          data[at + 1] = color[1];
          data[at + 2] = color[2];
          data[at + 3] = 255;
        }
      }
    }
  }

  // The panels of a picture `width` pixels wide: one column per view and a row each for
  // before and after, or, when narrow, one row per view and a column each for before and
  // after. Answers { height, panels: [{ view, after, left, top, width, height }] } in pixels.
  function layout(width) {
    const gap = 6;
    const wide = width >= 420;
    const columns = wide ? 3 : 2;
    const panelWidth = Math.floor((width - gap * (columns - 1)) / columns);
    const panelHeight = Math.round(panelWidth * (wide ? 0.8 : 0.75));
    const panels = [];
    VIEWS.forEach((view, v) => {
      for (const after of [false, true]) {
        const column = wide ? v : (after ? 1 : 0);
        const row = wide ? (after ? 1 : 0) : v;
        panels.push({ view, after, left: column * (panelWidth + gap), top: row * (panelHeight + gap),
                      width: panelWidth, height: panelHeight });
      }
    });
    const rows = wide ? 2 : 3;
    return { height: rows * panelHeight + (rows - 1) * gap, panels };
  }

  // Draws `model` ({ sample, box: the box of every point before scaling or null }) into
  // `canvas`, before and after `factors` (null when there are none yet). The canvas takes the
  // width of its box and the height its panels need.
  function draw(canvas, model, factors) {
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(200, Math.floor(canvas.parentElement.clientWidth));
    const shape = layout(width);
    canvas.style.height = shape.height + 'px';
    canvas.width = Math.round(width * ratio);
    canvas.height = Math.round(shape.height * ratio);
    const context = canvas.getContext('2d');
    context.clearRect(0, 0, canvas.width, canvas.height);
    const colors = colorsOf(canvas);
    const sample = model.sample;
    const before = shownBox(model, sample, null);
    const after = factors ? shownBox(model, sample, factors) : null;
    const pad = 22;
    const framed = frame([before, after], shape.panels[0].width, shape.panels[0].height, pad);
    const device = (panel) => ({ left: Math.round(panel.left * ratio), top: Math.round(panel.top * ratio),
                                 width: Math.round(panel.width * ratio), height: Math.round(panel.height * ratio) });
    context.save();
    context.scale(ratio, ratio);
    context.font = '12px system-ui, sans-serif';
    context.textBaseline = 'top';
    for (const panel of shape.panels) {
      panelFrame(context, panel, colors, model, panel.after ? after : before, framed, panel.after && !factors);
    }
    context.restore();
    // The dots over the lines, so that a model drawn as a speck still shows.
    if (sample && framed) {
      const image = context.createImageData(canvas.width, canvas.height);
      // Few points are drawn larger, so that a small model is seen too.
      const dot = sample.kept < 100 ? 4 : sample.kept < 1000 ? 2.5 : 1.5;
      const size = Math.max(1, Math.round(ratio * dot));
      for (const panel of shape.panels) {
        if (panel.after && !factors) continue;
        const tint = rgb(panel.after ? colors.after : colors.before);
        dots(image, sample, panel.after ? factors : [1, 1, 1], panel.view, device(panel), framed,
             ratio, { points: tint, others: rgb(colors.other) }, size);
      }
      overlay(context, image);
    }
    canvas.dataset.drawn = String(Number(canvas.dataset.drawn || 0) + 1);
  }

  // Puts `image` over what `context` holds, where its pixels are not transparent.
  let scratch = null;
  function overlay(context, image) {
    if (!scratch) scratch = document.createElement('canvas');
    scratch.width = image.width;
    scratch.height = image.height;
    scratch.getContext('2d').putImageData(image, 0, 0);
    context.drawImage(scratch, 0, 0);
  }

  // The box a panel shows: the model's own, from every point read, where it is finite; else
  // around the sampled points.
  function shownBox(model, sample, factors) {
    if (isFiniteBox(model.box)) {
      if (!factors) return model.box;
      const min = [], max = [];
      for (let axis = 0; axis < 3; ++axis) {
        const a = model.box.min[axis] * factors[axis];
        const b = model.box.max[axis] * factors[axis];
        min.push(Math.min(a, b));
        max.push(Math.max(a, b));
      }
      const box = { min, max };
      if (isFiniteBox(box)) return box;
    }
    return sample ? pointsBox(sample.points, sample.kept, factors) : null;
  }

  function panelFrame(context, panel, colors, model, box, framed, noFactors) {
    const { left, top, width, height } = panel;
    context.strokeStyle = colors.line;
    context.lineWidth = 1;
    context.setLineDash([]);
    context.strokeRect(left + 0.5, top + 0.5, width - 1, height - 1);
    context.fillStyle = colors.text;
    const view = panel.view;
    context.fillText(view.name + (panel.after ? ', after' : ', before'), left + 6, top + 5);
    if (noFactors) {
      context.fillText('No factors yet', left + 6, top + height / 2 - 6);
      return;
    }
    if (!model.sample) {
      context.fillText('Reading the points…', left + 6, top + height / 2 - 6);
      return;
    }
    if (!framed || !box) {
      context.fillText('No points to draw', left + 6, top + height / 2 - 6);
      return;
    }
    const [cx, cy] = framed.centers[VIEWS.indexOf(view)];
    const toX = (a) => left + width / 2 + (a - cx) * framed.scale;
    const toY = (u) => top + height / 2 - (u - cy) * framed.scale;
    context.save();
    context.beginPath();
    context.rect(left + 1, top + 1, width - 2, height - 2);
    context.clip();
    // The axes through the origin, where it is in the panel.
    context.strokeStyle = colors.line;
    const ox = toX(0);
    const oy = toY(0);
    context.beginPath();
    if (ox > left && ox < left + width) {
      context.moveTo(ox + 0.5, top);
      context.lineTo(ox + 0.5, top + height);
    }
    if (oy > top && oy < top + height) {
      context.moveTo(left, oy + 0.5);
      context.lineTo(left + width, oy + 0.5);
    }
    context.stroke();
    // The bounding box, dashed.
    context.strokeStyle = colors.text;
    context.setLineDash([4, 3]);
    const x0 = toX(box.min[view.across]);
    const x1 = toX(box.max[view.across]);
    const y0 = toY(box.max[view.up]);
    const y1 = toY(box.min[view.up]);
    context.strokeRect(Math.round(x0) + 0.5, Math.round(y0) + 0.5, Math.max(1, Math.round(x1 - x0)),
                       Math.max(1, Math.round(y1 - y0)));
    context.restore();
    // The axes' names, pointing the way they grow, and the box's lengths along them.
    const across = AXIS_NAMES[view.across];
    const up = AXIS_NAMES[view.up];
    context.fillStyle = colors.text;
    context.textBaseline = 'bottom';
    const acrossText = across + ' → ' + shortNumber(box.max[view.across] - box.min[view.across]);
    context.fillText(acrossText, left + width - 6 - context.measureText(acrossText).width, top + height - 4);
    context.fillText('↑ ' + up + ' ' + shortNumber(box.max[view.up] - box.min[view.up]), left + 6,
                     top + height - 4);
    context.textBaseline = 'top';
  }

  // A small picture of `model` from the front: its points before the factors in grey and
  // after them in colour, at one scale.
  function drawThumb(canvas, model, factors) {
    const ratio = window.devicePixelRatio || 1;
    const cssWidth = canvas.clientWidth || 72;
    const cssHeight = canvas.clientHeight || 54;
    canvas.width = Math.round(cssWidth * ratio);
    canvas.height = Math.round(cssHeight * ratio);
    const context = canvas.getContext('2d');
    context.clearRect(0, 0, canvas.width, canvas.height);
    const sample = model.thumb;
    if (!sample) return;
    const colors = colorsOf(canvas);
    const before = shownBox(model, sample, null);
    const after = factors ? shownBox(model, sample, factors) : null;
    const framed = frame([before, after], cssWidth, cssHeight, 3);
    if (!framed) return;
    const image = context.createImageData(canvas.width, canvas.height);
    const panel = { left: 0, top: 0, width: canvas.width, height: canvas.height };
    const size = Math.max(1, Math.round(ratio * (sample.kept < 100 ? 2 : 1)));
    dots(image, sample, [1, 1, 1], VIEWS[1], panel, framed, ratio,
         { points: rgb(colors.before), others: rgb(colors.before) }, size);
    if (factors) {
      dots(image, sample, factors, VIEWS[1], panel, framed, ratio,
           { points: rgb(colors.after), others: rgb(colors.other) }, size);
    }
    context.putImageData(image, 0, 0);
    canvas.dataset.drawn = String(Number(canvas.dataset.drawn || 0) + 1);
  }

  // Every `step`-th point of `sample`, so that at most `most` are left: the kept points of a
  // sample are spread over the whole model, so these are too.
  function thin(sample, most) {
    if (sample.kept <= most) return sample;
    const step = sample.kept / most;
    const points = new Float64Array(3 * most);
    const kinds = new Uint8Array(most);
    for (let i = 0; i < most; ++i) {
      const from = Math.floor(i * step);
      points.set(sample.points.subarray(3 * from, 3 * from + 3), 3 * i);
      kinds[i] = sample.kinds[from];
    }
    return { kept: most, points, kinds };
  }

  return { AXIS_NAMES, VIEWS, pointsBox, union, frame, layout, shortNumber, lengthsText, thin,
           draw, drawThumb };
});
