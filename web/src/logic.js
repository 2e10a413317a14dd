// What the page decides without the module: output names, the factor for a length, the box
// after scaling, whether a file looks like text, and how a name is shown. Shared by the page,
// its worker and Node's tests.
(function (root, factory) {
  if (typeof module === 'object' && module.exports) module.exports = factory();
  else root.TessaryLogic = factory();
})(typeof self !== 'undefined' ? self : this, function () {
  'use strict';

  const AXES = ['x', 'y', 'z'];

  // "crate.mdl" -> "crate-scaled.mdl": "-scaled" before the extension, if the name has one.
  const SUFFIX = '-scaled';
  const LONGEST_NAME = 200;
  function outputName(modelName) {
    const name = safeFileName(modelName);
    const dot = name.lastIndexOf('.');
    const stem = dot <= 0 ? name : name.slice(0, dot);
    const extension = dot <= 0 ? '' : name.slice(dot);
    return stem.slice(0, LONGEST_NAME - SUFFIX.length - extension.length) + SUFFIX + extension;
  }

  // A name a download or a zip entry may carry: no folders, no control characters, none of
  // the characters some systems refuse in names, not too long, never empty.
  function safeFileName(name) {
    let safe = String(name)
      .replace(/[\u0000-\u001f\u007f-\u009f]/g, '')
      .replace(/[\\/:*?"<>|]/g, '_')
      .trim();
    if (safe === '' || safe === '.' || safe === '..') safe = 'model.mdl';
    if (safe.length > LONGEST_NAME) {
      const dot = safe.lastIndexOf('.');
      const extension = dot > 0 && safe.length - dot <= 10 ? safe.slice(dot) : '';
      safe = safe.slice(0, LONGEST_NAME - extension.length) + extension;
    }
    return safe;
  }

  // The same names, each made unique within the list by " (2)", " (3)"... before the
  // extension, comparing as systems that ignore case do.
  function uniqueNames(names) {
    const taken = new Set();
    return names.map((name) => {
      let candidate = name;
      const dot = name.lastIndexOf('.');
      const stem = dot > 0 ? name.slice(0, dot) : name;
      const extension = dot > 0 ? name.slice(dot) : '';
      for (let n = 2; taken.has(candidate.toLowerCase()); ++n) {
        candidate = stem + ' (' + n + ')' + extension;
      }
      taken.add(candidate.toLowerCase());
      return candidate;
    });
  }

  // A name as the page shows it: control characters made visible, the rest as it is (the page
  // inserts it as text, never as markup), cut when very long.
  function displayName(name) {
    let shown = String(name).replace(/[\u0000-\u001f\u007f-\u009f]/g, (c) =>
      '\\u' + c.charCodeAt(0).toString(16).padStart(4, '0'));
    if (shown.length > 120) shown = shown.slice(0, 80) + '…' + shown.slice(-30);
    return shown;
  }

  // The uniform factor that gives the vertex points `length` along `axis` (0, 1, 2), or why
  // there is none, in the words of tessary-scale --fit. `otherBoxes` are those of the model's
  // other points (positions, keys): no point may be taken beyond the range of numbers.
  function fitFactor(vertexBox, axis, length, otherBoxes = []) {
    if (!vertexBox) return { reason: 'it has no vertex points' };
    const along = ' along ' + AXES[axis];
    const extent = vertexBox.max[axis] - vertexBox.min[axis];
    if (!Number.isFinite(extent)) return { reason: 'the extent of its vertex points' + along +
                                                   ' is not finite' };
    if (extent === 0) return { reason: 'its vertex points are flat' + along };
    const factor = length / extent;
    if (!Number.isFinite(factor) || factor === 0) {
      return { reason: 'the factor for an extent of ' + extent + along + ' is out of range' };
    }
    for (const points of [vertexBox, ...otherBoxes]) {
      const scaled = scaledBox(points, [factor, factor, factor]);
      if (scaled && ![...scaled.min, ...scaled.max].every(Number.isFinite)) {
        return { reason: 'the factor ' + factor + ' would take some of its points beyond the ' +
                         'range of numbers' };
      }
    }
    return { factor };
  }

  // The box around the points after scaling: a negative factor swaps an axis's ends, and an
  // axis where a point would become nan (infinity times 0) has no bounds.
  function scaledBox(box, factors) {
    if (!box) return null;
    const min = [], max = [];
    for (let axis = 0; axis < 3; ++axis) {
      const a = box.min[axis] * factors[axis];
      const b = box.max[axis] * factors[axis];
      const undefinedAxis = Number.isNaN(a) || Number.isNaN(b);
      min.push(undefinedAxis ? NaN : Math.min(a, b));
      max.push(undefinedAxis ? NaN : Math.max(a, b));
    }
    return { min, max };
  }

  function boxSize(box) {
    return [0, 1, 2].map((axis) => box.max[axis] - box.min[axis]);
  }

  // Whether the first bytes of a file look like model text rather than a picture, an archive
  // or a program: at most 8 in 100 of them control characters. (Tabs, line breaks, form feeds
  // and Ctrl-Z are text here; a NUL now and then is part of some models, and the pass has
  // rules for it.) Such data, compressed or machine code, has about 10 in 100.
  function looksLikeText(bytes) {
    let control = 0;
    for (let i = 0; i < bytes.length; ++i) {
      const b = bytes[i];
      if (b < 32 && b !== 9 && b !== 10 && b !== 12 && b !== 13 && b !== 26) ++control;
    }
    return control * 100 <= bytes.length * 8;
  }

  // Bytes as people read them: "812 bytes", "1.4 MB", "3.2 GB".
  function sizeText(bytes) {
    if (bytes < 1000) return bytes + (bytes === 1 ? ' byte' : ' bytes');
    const units = ['kB', 'MB', 'GB', 'TB'];
    let value = bytes;
    let unit = -1;
    do {
      value /= 1000;
      ++unit;
    } while (value >= 1000 && unit < units.length - 1);
    return (value < 10 ? value.toFixed(1) : Math.round(value)) + ' ' + units[unit];
  }

  return { AXES, outputName, safeFileName, uniqueNames, displayName, fitFactor, scaledBox,
           boxSize, looksLikeText, sizeText };
});
