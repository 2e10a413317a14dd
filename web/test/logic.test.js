// The page's decisions that need no module: names, counts, boxes after scaling, the models in
// a dropped folder, what is kept for the next visit, how the pictures are framed, and how the
// workers share the models. (The factors, the fit and what is model text are the module's:
// see module.test.js.)
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const L = require('../src/logic.js');
const V = require('../src/views.js');
const { WorkerPool, workerCount } = require('../src/pool.js');

const outputNameCases = [
  ['crate.mdl', 'crate-scaled.mdl'],
  ['Crate.MDL', 'Crate-scaled.MDL'],
  ['a.b.mdl', 'a.b-scaled.mdl'],
  ['noextension', 'noextension-scaled.mdl'],
  ['.mdl', '.mdl-scaled.mdl'],
  ['crate.mdl.', 'crate-scaled.mdl'],
  ['photo\u202egnp.mdl', 'photognp-scaled.mdl'],
  ['zero\u200bwidth\u2066isolate\u2069\ufeff.mdl', 'zerowidthisolate-scaled.mdl'],
  ['<b>x</b>.mdl', '_b_x__b_-scaled.mdl'],
  ['tab\there\u0007.mdl', 'tabhere-scaled.mdl'],
  ['', 'model-scaled.mdl'],
  ['x'.repeat(300) + '.mdl', 'x'.repeat(189) + '-scaled.mdl'],
];
for (const [name, expected] of outputNameCases) {
  test('the output of ' + JSON.stringify(name.slice(0, 40)) + ' is ' + expected.slice(0, 40), () => {
    const got = L.outputName(name);
    assert.strictEqual(got, expected);
    assert.strictEqual(L.safeFileName(got), got);
  });
}

const uniqueCases = [
  [['a.mdl', 'b.mdl'], ['a.mdl', 'b.mdl']],
  [['a.mdl', 'a.mdl', 'A.mdl'], ['a.mdl', 'a (2).mdl', 'A (3).mdl']],
  [['x', 'x', 'x (2)'], ['x', 'x (2)', 'x (2) (2)']],
];
for (const [names, expected] of uniqueCases) {
  test('unique names for ' + names.join(', '), () => {
    assert.deepStrictEqual(L.uniqueNames(names), expected);
  });
}

const displayCases = [
  ['plain.mdl', 'plain.mdl'],
  ['<script>alert(1)</script>.mdl', '<script>alert(1)</script>.mdl'],
  ['bell\u0007\n.mdl', 'bell\\u0007\\u000a.mdl'],
  ['photo\u202egnp.mdl', 'photo\\u202egnp.mdl'],
  ['a\u200fb\u2028c\u{e0041}.mdl', 'a\\u200fb\\u2028c\\u{e0041}.mdl'],
];
for (const [name, expected] of displayCases) {
  test('the name ' + JSON.stringify(name) + ' is shown as ' + expected, () => {
    assert.strictEqual(L.displayName(name), expected);
  });
}
test('a very long name is shown cut', () => {
  assert.ok(L.displayName('n'.repeat(5000)).length <= 120);
});

const box = (min, max) => ({ min, max });
const scaledCases = [
  { name: 'positive factors', factors: [2, 3, 4], box: box([-1, 0, 1], [1, 2, 3]),
    expected: box([-2, 0, 4], [2, 6, 12]) },
  { name: 'a negative factor swaps the ends', factors: [-1, 1, 1], box: box([1, 0, 0], [3, 0, 0]),
    expected: box([-3, 0, 0], [-1, 0, 0]) },
  { name: 'infinity times zero has no bounds', factors: [0, 1, 1],
    box: box([-Infinity, 0, 0], [1, 0, 0]), expected: box([NaN, 0, 0], [NaN, 0, 0]) },
];
for (const row of scaledCases) {
  test('the box after scaling: ' + row.name, () => {
    assert.deepStrictEqual(L.scaledBox(row.box, row.factors), row.expected);
  });
}

const sizeCases = [[0, '0 bytes'], [1, '1 byte'], [999, '999 bytes'], [1500, '1.5 kB'],
                   [12648175, '13 MB'], [4294967296, '4.3 GB']];
for (const [bytes, expected] of sizeCases) {
  test(bytes + ' bytes read as ' + expected, () => assert.strictEqual(L.sizeText(bytes), expected));
}

// The name a download really gets: the Output field's text, with an extension.
const savedCases = [['renamed', '.mdl', 'renamed.mdl'], ['models', '.zip', 'models.zip'],
                    ['a.mdl', '.zip', 'a.mdl'], ['x.', '.mdl', 'x.mdl'], ['', '.mdl', 'model.mdl']];
for (const [typed, extension, expected] of savedCases) {
  test(JSON.stringify(typed) + ' is saved as ' + expected, () => {
    assert.strictEqual(L.savedName(typed, extension), expected);
  });
}

const countCases = [[0, '0 models'], [1, '1 model'], [2, '2 models']];
for (const [n, expected] of countCases) {
  test(n + ' is counted as ' + expected, () => assert.strictEqual(L.count(n, 'model', 'models'), expected));
}

// Dropped things as the browser gives them: entries of files and folders, a folder's entries
// coming a batch at a time. Each row: what was dropped, the models found with their folders,
// and the folders that hold none.
const fileEntry = (name) => ({ name, isFile: true, isDirectory: false,
                               file: (ok) => ok({ name, size: name.length }) });
const folderEntry = (name, children, batch = 2) => ({
  name, isFile: false, isDirectory: true,
  createReader() {
    let at = 0;
    return { readEntries(ok) {
      const some = children.slice(at, at + batch);
      at += some.length;
      setTimeout(() => ok(some), 0);
    } };
  },
});
const dropCases = [
  { name: 'files alone', dropped: [fileEntry('a.mdl'), fileEntry('notes.txt')],
    models: ['a.mdl', 'notes.txt'], empty: [] },
  { name: 'a folder with models in folders of its own',
    dropped: [folderEntry('parts', [fileEntry('b.mdl'), fileEntry('readme.txt'), fileEntry('A.MDL'),
                                    folderEntry('wheels', [fileEntry('w.mdl')])])],
    models: ['parts/A.MDL', 'parts/b.mdl', 'parts/wheels/w.mdl'], empty: [] },
  { name: 'a folder without models beside a file',
    dropped: [folderEntry('photos', [fileEntry('x.png'), folderEntry('more', [])]), fileEntry('c.mdl')],
    models: ['c.mdl'], empty: ['photos'] },
];
for (const row of dropCases) {
  test('dropped: ' + row.name, async () => {
    const found = await L.modelsFromEntries(row.dropped);
    assert.deepStrictEqual(found.models.map((m) => m.folder + m.file.name), row.models);
    assert.deepStrictEqual(found.empty, row.empty);
  });
}

// What was kept for the next visit, read back whatever it holds. Each row: the text kept, and
// the settings it gives.
const defaults = { factors: ['1', '1', '1'], mode: 'factors', axis: '2', length: '1' };
const settingsCases = [
  { kept: null, expected: defaults },
  { kept: 'not json', expected: defaults },
  { kept: '{"factors":["1.5","1d2","-0.25"],"mode":"fit","axis":"0","length":"2.5"}',
    expected: { factors: ['1.5', '1d2', '-0.25'], mode: 'fit', axis: '0', length: '2.5' } },
  { kept: '{"factors":["2","2"],"mode":"other","axis":"7","length":3}', expected: defaults },
  { kept: '{"factors":[1,2,3]}', expected: defaults },
  { kept: '[]', expected: defaults },
];
for (const row of settingsCases) {
  test('the settings kept as ' + JSON.stringify(row.kept) + ' are read back', () => {
    assert.deepStrictEqual(L.readSettings(row.kept), row.expected);
  });
}

test('a model\'s box is the box around its points of every kind', () => {
  const counts = (lines, box) => ({ blocks: 0, lines, box });
  const info = { lines: 9, positions: counts(1, box([5, 0, 0], [5, 0, 0])),
                 vertices: counts(3, box([-1, -2, -3], [1, 2, 3])), keys: counts(0, null) };
  assert.deepStrictEqual(L.modelBox(info), box([-1, -2, -3], [5, 2, 3]));
  assert.strictEqual(L.pointCount(info), 4);
  assert.strictEqual(L.modelBox({ positions: counts(0, null), vertices: counts(0, null),
                                  keys: counts(0, null) }), null);
});

// The pictures' framing: one scale for every panel, before and after. Each row: the boxes
// before and after, and the scale (pixels per unit) in panels of 100 by 80 with 10 to spare
// on each side.
const frameCases = [
  { name: 'a cube', boxes: [box([0, 0, 0], [6, 6, 6])], scale: 10 },
  { name: 'a hundredfold model: the one before is a speck', scale: 0.1,
    boxes: [box([0, 0, 0], [6, 6, 6]), box([0, 0, 0], [600, 600, 600])] },
  { name: 'flat along z: the other axes scale it', boxes: [box([0, 0, 5], [8, 2, 5])], scale: 10 },
  { name: 'a single point', boxes: [box([1, 2, 3], [1, 2, 3])], scale: 1 },
  { name: 'no box after (no factors)', boxes: [box([0, 0, 0], [60, 1, 1]), null], scale: 80 / 60 },
  { name: 'an infinite box is left out', boxes: [box([0, 0, 0], [6, 6, 6]),
                                                 box([0, 0, 0], [Infinity, 1, 1])], scale: 10 },
];
for (const row of frameCases) {
  test('the pictures are framed for ' + row.name, () => {
    const framed = V.frame(row.boxes, 100, 80, 10);
    assert.ok(Math.abs(framed.scale - row.scale) < 1e-12, String(framed.scale));
    // Each view's middle is the middle of the boxes along its two axes.
    const around = row.boxes.filter((b) => b && [...b.min, ...b.max].every(Number.isFinite))
      .reduce(V.union);
    V.VIEWS.forEach((view, v) => {
      assert.deepStrictEqual(framed.centers[v], [view.across, view.up].map((axis) =>
        (around.min[axis] + around.max[axis]) / 2));
    });
  });
}
test('nothing to frame without a finite box', () => {
  assert.strictEqual(V.frame([null, box([0, 0, 0], [NaN, 1, 1])], 100, 80, 10), null);
});

// Each row: a length, and how the pictures' words write it.
const shortCases = [[2.5, '2.5'], [73.8912, '73.89'], [6052.5, '6053'], [0.000125, '1.25e-4'],
                    [12345678, '1.235e7'], [0, '0'], [Infinity, 'Infinity']];
for (const [value, expected] of shortCases) {
  test('the length ' + value + ' is written ' + expected, () => {
    assert.strictEqual(V.shortNumber(value), expected);
  });
}
test('the lengths of a box are named by axis', () => {
  assert.strictEqual(V.lengthsText(box([-1, 0, 2], [1.5, 3, 2])), 'X 2.5 × Y 3 × Z 0');
  assert.strictEqual(V.lengthsText(null), 'no points');
});

test('the box of sampled points leaves out those that are not finite', () => {
  const points = Float64Array.from([1, 2, 3, -1, 5, Infinity, NaN, 0, 0, 4, -2, 1]);
  assert.deepStrictEqual(V.pointsBox(points, 4, [2, 1, -1]), box([2, -2, -3], [8, 2, -1]));
  assert.strictEqual(V.pointsBox(points, 0, null), null);
});

test('a thinned sample keeps points from all of it', () => {
  const kept = 1000;
  const sample = { kept, points: Float64Array.from({ length: 3 * kept }, (_, i) => Math.floor(i / 3)),
                   kinds: Uint8Array.from({ length: kept }, (_, i) => i % 3) };
  const thin = V.thin(sample, 100);
  assert.strictEqual(thin.kept, 100);
  assert.deepStrictEqual(Array.from({ length: 100 }, (_, i) => thin.points[3 * i]),
                         Array.from({ length: 100 }, (_, i) => 10 * i));
  assert.deepStrictEqual(Array.from(thin.kinds.slice(0, 3)), [0, 1, 2]);
  assert.strictEqual(V.thin(sample, 5000), sample);
});

// The panels: three views by before and after, side by side when wide, stacked when narrow;
// none overlaps another or leaves the picture.
for (const width of [360, 419, 420, 900]) {
  test('the panels of a picture ' + width + ' pixels wide', () => {
    const { height, panels } = V.layout(width);
    assert.strictEqual(panels.length, 6);
    assert.deepStrictEqual(new Set(panels.map((p) => p.view.name + p.after)).size, 6);
    for (const p of panels) {
      assert.ok(p.left >= 0 && p.top >= 0 && p.left + p.width <= width && p.top + p.height <= height);
      for (const q of panels) {
        if (p === q) continue;
        const apart = p.left + p.width <= q.left || q.left + q.width <= p.left ||
                      p.top + p.height <= q.top || q.top + q.height <= p.top;
        assert.ok(apart, JSON.stringify([p, q]));
      }
    }
  });
}

// The number of workers. Each row: the page's workers=N (null when not given), the cores the
// browser reports, and the workers.
const workerCases = [[null, 2, 2], [null, 8, 8], [null, 64, 16], [null, undefined, 1], ['1', 8, 1],
                     ['3', 2, 3], ['0', 4, 4], ['x', 4, 4], ['2.5', 4, 4], ['65', 4, 4], ['', 4, 4]];
for (const [forced, cores, expected] of workerCases) {
  test('workers=' + forced + ' on ' + cores + ' cores gives ' + expected + ' workers', () => {
    assert.strictEqual(workerCount(forced, cores), expected);
  });
}

// Workers of the tests' making: each answers a request when told to (`finish`), in any order.
function fakePool(size) {
  const workers = [];
  const pool = new WorkerPool(size, () => {
    const worker = { requests: [], terminated: false,
                     postMessage(message) { this.requests.push(message); },
                     terminate() { this.terminated = true; },
                     finish(answer) {
                       const request = this.requests.at(-1);
                       this.onmessage({ data: { type: 'answer', id: request.id, answer } });
                     } };
    workers.push(worker);
    return worker;
  });
  return { pool, workers };
}

test('models are shared by the workers, one at a time each, answered in their order', async () => {
  const { pool, workers } = fakePool(2);
  const answers = [0, 1, 2, 3].map((i) => pool.run('scale', { model: i }));
  assert.strictEqual(workers.length, 2);
  assert.deepStrictEqual(workers.map((w) => w.requests.map((r) => r.model)), [[0], [1]]);
  workers[1].finish('one');  // the second worker is done first: it takes the next model
  assert.deepStrictEqual(workers.map((w) => w.requests.map((r) => r.model)), [[0], [1, 2]]);
  workers[0].finish('zero');
  workers[0].finish('three');
  workers[1].finish('two');
  assert.deepStrictEqual(await Promise.all(answers), ['zero', 'one', 'two', 'three']);
  assert.strictEqual(pool.pending, 0);
});

test('a request for every worker waits for what each is doing', async () => {
  const { pool, workers } = fakePool(2);
  pool.run('inspect', { model: 0 });
  pool.run('inspect', { model: 1 });
  const started = pool.everyWorker('start-run', {});
  assert.deepStrictEqual(workers.map((w) => w.requests.map((r) => r.type)), [['inspect'], ['inspect']]);
  workers[0].finish({});
  workers[1].finish({});
  assert.deepStrictEqual(workers.map((w) => w.requests.map((r) => r.type)),
                         [['inspect', 'start-run'], ['inspect', 'start-run']]);
  workers.forEach((w) => w.finish('ready'));
  assert.deepStrictEqual(await started, ['ready', 'ready']);
});

test('stopping ends every worker and answers every request, and new workers start after', async () => {
  const { pool, workers } = fakePool(2);
  const answers = [0, 1, 2].map((i) => pool.run('scale', { model: i }));
  pool.stop({ cancelled: true });
  assert.deepStrictEqual(workers.map((w) => w.terminated), [true, true]);
  assert.deepStrictEqual(await Promise.all(answers), Array(3).fill({ cancelled: true }));
  assert.strictEqual(pool.pending, 0);
  const later = pool.run('scale', { model: 3 });
  assert.strictEqual(workers.length, 3);
  workers[2].finish('three');
  assert.strictEqual(await later, 'three');
});

test('dropping takes back the requests of one kind and ends only their workers', async () => {
  const { pool, workers } = fakePool(2);
  const sample = pool.run('sample', { model: 0 });
  const inspect = pool.run('inspect', { model: 1 });
  const waiting = pool.run('sample', { model: 2 });
  pool.drop('sample', { interrupted: true });
  assert.deepStrictEqual(await Promise.all([sample, waiting]), [{ interrupted: true }, { interrupted: true }]);
  assert.deepStrictEqual(workers.map((w) => w.terminated), [true, false]);
  workers[1].finish('read');
  assert.strictEqual(await inspect, 'read');
});

test('a worker whose module cannot start fails its request, and the others go on', async () => {
  const { pool, workers } = fakePool(2);
  const first = pool.run('inspect', { model: 0 });
  const second = pool.run('inspect', { model: 1 });
  workers[0].onmessage({ data: { type: 'broken', message: 'no WebAssembly' } });
  assert.deepStrictEqual(await first, { ok: false, message: 'The scaling module could not start: no WebAssembly' });
  workers[1].finish('read');
  assert.strictEqual(await second, 'read');
});
