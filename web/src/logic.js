// What the page decides without the module: output names, the box after scaling, how a name
// and a count are shown, the models inside a dropped folder. (What tessary-scale decides, the
// factors, the fit and what is model text, the page asks the module.) Shared by the page, its
// worker and Node's tests.
(function (root, factory) {
  if (typeof module === 'object' && module.exports) module.exports = factory();
  else root.TessaryLogic = factory();
})(typeof self !== 'undefined' ? self : this, function () {
  'use strict';

  const AXES = ['x', 'y', 'z'];

  // Characters that show nothing of their own, or that reorder or hide what follows: control
  // characters, invisible format characters (the bidirectional overrides and isolates, zero
  // widths, the byte order mark, ...), line and paragraph separators. In a name they could
  // make it look like another ("photo\u202Eldm.png" shows as "photogpn.mdl").
  const HIDDEN = /[\p{Cc}\p{Cf}\p{Zl}\p{Zp}]/gu;

  // "crate.mdl" -> "crate-scaled.mdl": "-scaled" before the extension; a name without one
  // gets ".mdl", which the browser would otherwise replace by one of its own choice.
  const SUFFIX = '-scaled';
  const LONGEST_NAME = 200;
  function outputName(modelName) {
    const name = safeFileName(modelName);
    const dot = name.lastIndexOf('.');
    const stem = dot <= 0 ? name : name.slice(0, dot);
    const extension = dot <= 0 ? '.mdl' : name.slice(dot);
    return stem.slice(0, LONGEST_NAME - SUFFIX.length - extension.length) + SUFFIX + extension;
  }

  // The name a download really gets: `name` made safe, with `extension` (".mdl", ".zip")
  // when it has none.
  function savedName(name, extension) {
    const safe = safeFileName(name);
    return safe.lastIndexOf('.') > 0 ? safe : safeFileName(safe + extension);
  }

  // A name a download or a zip entry may carry: no folders, no control or invisible
  // characters, none of the characters some systems refuse in names, no dot or blank at the
  // end (where some systems drop them), not too long, never empty.
  function safeFileName(name) {
    let safe = String(name)
      .replace(HIDDEN, '')
      .replace(/[\\/:*?"<>|]/g, '_')
      .trim()
      .replace(/[. ]+$/, '');
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

  // A name as the page shows it: control and invisible characters made visible as \u202e,
  // the rest as it is (the page inserts it as text, never as markup), cut when very long.
  function displayName(name) {
    let shown = String(name).replace(HIDDEN, (c) => {
      const code = c.codePointAt(0).toString(16);
      return code.length <= 4 ? '\\u' + code.padStart(4, '0') : '\\u{' + code + '}';
    });
    if (shown.length > 120) shown = shown.slice(0, 80) + '…' + shown.slice(-30);
    return shown;
  }

  // "1 model", "2 models".
  function count(n, one, many) {
    return n + ' ' + (n === 1 ? one : many);
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

  // The models among dropped things: `entries` are those of a drop (FileSystemEntry: a file
  // or a folder, whose own entries come a batch at a time). Files are taken as they are,
  // folders for the .mdl files anywhere inside them, each with the path of its folder from the
  // dropped one ("parts/", "" at its top). Answers { models: [{ file, folder }], empty: names
  // of dropped folders that hold no model }.
  async function modelsFromEntries(entries) {
    const models = [];
    const empty = [];
    const fileOf = (entry) => new Promise((resolve, reject) => entry.file(resolve, reject));
    const entriesOf = async (folder) => {
      const reader = folder.createReader();
      const all = [];
      for (;;) {
        const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
        if (batch.length === 0) return all;
        all.push(...batch);
      }
    };
    const walk = async (folder, path) => {
      let found = 0;
      const children = (await entriesOf(folder)).sort((a, b) => (a.name < b.name ? -1 : 1));
      for (const child of children) {
        if (child.isDirectory) {
          found += await walk(child, path + child.name + '/');
        } else if (/\.mdl$/i.test(child.name)) {
          models.push({ file: await fileOf(child), folder: path });
          ++found;
        }
      }
      return found;
    };
    for (const entry of entries) {
      if (entry.isDirectory) {
        if ((await walk(entry, entry.name + '/')) === 0) empty.push(entry.name);
      } else {
        models.push({ file: await fileOf(entry), folder: '' });
      }
    }
    return { models, empty };
  }

  // The factors and fit the page keeps on this computer between visits, from what was kept
  // (`text`, JSON), whatever it holds: what is missing or not of its kind is the default.
  const DEFAULT_SETTINGS = Object.freeze({ factors: ['1', '1', '1'], mode: 'factors', axis: '2',
                                           length: '1' });
  function readSettings(text) {
    let kept = null;
    try {
      kept = JSON.parse(text);
    } catch (error) {
      kept = null;
    }
    const settings = { ...DEFAULT_SETTINGS, factors: [...DEFAULT_SETTINGS.factors] };
    if (!kept || typeof kept !== 'object') return settings;
    const isText = (v) => typeof v === 'string' && v.length <= 100;
    if (Array.isArray(kept.factors) && kept.factors.length === 3 && kept.factors.every(isText)) {
      settings.factors = [...kept.factors];
    }
    if (kept.mode === 'factors' || kept.mode === 'fit') settings.mode = kept.mode;
    if (['0', '1', '2'].includes(kept.axis)) settings.axis = kept.axis;
    if (isText(kept.length)) settings.length = kept.length;
    return settings;
  }

  // The points of each kind a model holds, as inspect reported them.
  function pointCount(info) {
    return info.positions.lines + info.vertices.lines + info.keys.lines;
  }

  // The box around every point of a model, as inspect reported each kind's; null when none.
  function modelBox(info) {
    let box = null;
    for (const counts of [info.positions, info.vertices, info.keys]) {
      if (!counts.box) continue;
      box = box ? { min: box.min.map((v, i) => Math.min(v, counts.box.min[i])),
                    max: box.max.map((v, i) => Math.max(v, counts.box.max[i])) }
                : { min: [...counts.box.min], max: [...counts.box.max] };
    }
    return box;
  }

  return { AXES, DEFAULT_SETTINGS, readSettings, pointCount, modelBox, outputName, savedName,
           safeFileName, uniqueNames, displayName, count, scaledBox, boxSize, sizeText,
           modelsFromEntries };
});
