// The page's decisions that need no module: names, the factor for a length, boxes after
// scaling, telling text from other data.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const L = require('../src/logic.js');

const outputNameCases = [
  ['crate.mdl', 'crate-scaled.mdl'],
  ['Crate.MDL', 'Crate-scaled.MDL'],
  ['a.b.mdl', 'a.b-scaled.mdl'],
  ['noextension', 'noextension-scaled'],
  ['.mdl', '.mdl-scaled'],
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
const fitCases = [
  { name: 'no vertex points', box: null, axis: 2, length: 1.8, reason: 'it has no vertex points' },
  { name: 'flat along z', box: box([0, 0, 5], [1, 1, 5]), axis: 2, length: 1,
    reason: 'its vertex points are flat along z' },
  { name: 'infinite extent', box: box([0, -Infinity, 0], [1, 1, 1]), axis: 1, length: 1,
    reason: 'the extent of its vertex points along y is not finite' },
  { name: 'a factor that underflows', box: box([0, 0, 0], [1e300, 1, 1]), axis: 0, length: 1e-30,
    reason: 'the factor for an extent of 1e+300 along x is out of range' },
  { name: 'an ordinary model', box: box([-1, 2, -4], [1, 3, 4]), axis: 2, length: 1.8, factor: 1.8 / 8 },
  { name: 'a factor that takes a vertex beyond the range', box: box([0, 0, 0], [1, 1, 10]), axis: 0,
    length: 1e308, reason: 'the factor 1e+308 would take some of its points beyond the range of numbers' },
  { name: 'a factor that takes a position beyond the range', box: box([0, 0, 0], [1, 1, 1]), axis: 0,
    length: 1e300, others: [box([0, 0, 0], [1e10, 0, 0]), null],
    reason: 'the factor 1e+300 would take some of its points beyond the range of numbers' },
];
for (const row of fitCases) {
  test('fitting ' + row.name, () => {
    const fit = L.fitFactor(row.box, row.axis, row.length, row.others);
    if (row.reason) assert.deepStrictEqual(fit, { reason: row.reason });
    else assert.deepStrictEqual(fit, { factor: row.factor });
  });
}

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

const textCases = [
  ['model text', Buffer.from('verts 1\r\n1 2 3\n\x1a'), true],
  ['a NUL among text', Buffer.from('verts 1\n\x001 2 3 and some more words\n'), true],
  ['many control bytes', Buffer.from('\x01\x02\x03\x04abc'), false],
  ['every byte alike', Buffer.from(Array.from({ length: 65536 }, (_, i) => i % 256)), false],
  ['pseudo-random bytes', Buffer.from(Array.from({ length: 65536 }, (_, i) => (i * 2654435761) >>> 24)), false],
  ['nothing', Buffer.alloc(0), true],
  ['UTF-8 names', Buffer.from('node modèle-Ωμέγα\n'), true],
];
for (const [name, bytes, expected] of textCases) {
  test('looks like text: ' + name, () => {
    assert.strictEqual(L.looksLikeText(bytes), expected);
  });
}

const sizeCases = [[0, '0 bytes'], [1, '1 byte'], [999, '999 bytes'], [1500, '1.5 kB'],
                   [12648175, '13 MB'], [4294967296, '4.3 GB']];
for (const [bytes, expected] of sizeCases) {
  test(bytes + ' bytes read as ' + expected, () => assert.strictEqual(L.sizeText(bytes), expected));
}
