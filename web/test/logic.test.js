// The page's decisions that need no module: names, counts, boxes after scaling, the models in
// a dropped folder. (The factors, the fit and what is model text are the module's: see
// module.test.js.)
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const L = require('../src/logic.js');

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
