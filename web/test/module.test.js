// The WebAssembly module against the Linux build's tessary-scale: the same generated models,
// scaled by both with the same factors, must give the same bytes; what the module reports of
// a model must be what --info --json reports. Run by `make web-test`:
//   node --test web/test/   (TESSARY_WASM_DIR and TESSARY_NATIVE_DIR name the two builds)
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { execFileSync, spawnSync } = require('node:child_process');
const { NodeFiles, loadModule } = require('./node-files.js');

const root = path.resolve(__dirname, '..', '..');
const wasmDir = path.resolve(root, process.env.TESSARY_WASM_DIR || 'build/web');
const nativeDir = path.resolve(root, process.env.TESSARY_NATIVE_DIR || 'build/release');
const native = path.join(nativeDir, 'tessary-scale');

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tessary-web-'));
test.after(() => fs.rmSync(work, { recursive: true, force: true }));

// The corpus of scripts/windows-compare, and a few models made here for the rules at the
// edges: Ctrl-Z, carriage returns, lines longer than the pass's buffer, bytes that are not
// text.
const corpus = path.join(work, 'corpus');
execFileSync(path.join(nativeDir, 'tests', 'tessary-corpus'), [corpus, '300']);
const MiB = 1 << 20;
const edges = {
  'ctrl-z.mdl': 'verts 2\n1 2 3\n4 5 6\x1a\nposition 7 8 9\n',
  'carriage-returns.mdl': 'position 1 2 3\r\r\n\r\rverts 1\r1 2 3\r\ntext\r',
  'no-final-line-feed.mdl': 'verts 1\n1.5 -2.25 3e2',
  'quoted-keywords.mdl': '"position 1 2 3\r\n\'verts\' 1\r\n4 5 6\r\n"center\r\n\'positionkey 1\r\n',
  'long-copied-line.mdl': 'node ' + 'x'.repeat(3 * MiB) + '\nposition 1 2 3\n',
  'long-blank-start.mdl': ' '.repeat(2 * MiB + 5) + 'position 1 2 3\nverts 1\n' +
                          ' '.repeat(MiB + 3) + '4 5 6\n',
  'long-block-line.mdl': 'verts 2\n1 2 3' + ' 9'.repeat(MiB) + '\n4 5 6\n',
  'numbers.mdl': 'verts 6\n1e400 -1e400 nan\n0x1p3 .5 5.\n1d2 +7 -0\n' +
                 '1.7976931348623157e308 4.9e-324 2.2250738585072011e-308\ninf infinity 12abc\n' +
                 '"3" \'4\' 5,6\n',
  'binary.mdl': Buffer.from(Array.from({ length: 5000 }, (_, i) => (i * 131 + 7) % 256)),
  'empty.mdl': '',
};
// The module finds line ends and reads numbers 16 bytes at a time, and a line of up to 63 bytes
// all at once: lines that end at every place of those blocks, numbers and other words that
// start there, digit runs of every length, around a point and a sign, and a Ctrl-Z at every
// place of a block.
const digitRun = (length, from) => Array.from({ length }, (_, i) => (from + 3 * i) % 10).join('');
const words = ['5.', '.5', '-.5', '+3', '.', '-', '+', '1.2.3', '1e5', '12abc', '-0', '+.0',
               '0.000000000000001', '00000000000000012.5', '1\x002', '"7"', '9-'];
for (let n = 1; n <= 20; ++n) {
  words.push(digitRun(n, n), '-' + digitRun(n, n + 1), '+' + digitRun(n, 4) + '.', '-.' + digitRun(n, 3),
             digitRun(Math.ceil(n / 2), n) + '.' + digitRun(Math.floor(n / 2), n + 2));
}
const breaks = [' ', '\t', '  ', '\v\f', ' \r'];
const blockLines = [];
for (let indent = 0; indent <= 17; ++indent) {
  for (let i = 0; i + 2 < words.length; ++i) {
    const [a, b, c] = [breaks[i % 5], breaks[(i + indent) % 5], breaks[(i + 2) % 5]];
    blockLines.push(' '.repeat(indent) + words[i] + a + words[i + 1] + b + words[i + 2] +
                    (indent % 3 === 0 ? c : ''));
  }
}
edges['words-at-every-place.mdl'] = 'verts ' + blockLines.length + '\n' + blockLines.join('\n') +
  '\n' + blockLines.map((line) => 'position ' + line).join('\r\n') + '\n';
edges['lines-of-every-length.mdl'] = Array.from({ length: 200 }, (_, n) =>
  'verts 1\n' + ' '.repeat(n) + '1.5 -2.25 3\nnode' + 'x'.repeat(n)).join('\n') + '\n';
for (const at of [0, 1, 15, 16, 17, 48, 49, 63, 64, 65, 100]) {
  edges['ctrl-z-at-' + at + '.mdl'] = 'position 1 2 3\n' + 'x'.repeat(at) + '\x1a\nverts 1\n4 5 6\n';
  edges['ctrl-z-last-at-' + at + '.mdl'] = 'verts 1\n1 2 3\nnode ' + 'x'.repeat(at) + '\x1a';
}
for (const [name, text] of Object.entries(edges)) fs.writeFileSync(path.join(corpus, name), text);
const generated = fs.readdirSync(corpus).filter((n) => /^m\d+\.mdl$/.test(n)).sort();
const models = [...generated, ...Object.keys(edges)];
const large = generated.at(-1);

let api;
let files;
test.before(async () => {
  files = new NodeFiles();
  api = await loadModule(wasmDir, files);
});

function wasmScale(model, outputPath, factors) {
  const input = files.openToRead(path.join(corpus, model));
  const output = files.openToWrite(outputPath);
  try {
    return api.scale(input, model, output, path.basename(outputPath), factors);
  } finally {
    files.close(input);
    files.close(output);
  }
}

function wasmInspect(model) {
  const input = files.openToRead(path.join(corpus, model));
  try {
    return api.inspect(input, model);
  } finally {
    files.close(input);
  }
}

// Why tessary-scale refuses `model` as not model text, by the module's rule, or ''.
function notText(model) {
  const start = fs.readFileSync(path.join(corpus, model)).subarray(0, api.textSample());
  return api.checkText(start);
}

// What tessary-scale says of a usage error: its reason, without the program's name and the
// pointer to --help.
function usageReason(args) {
  const run = spawnSync(native, args);
  assert.strictEqual(run.status, 2, String(run.stderr));
  const said = String(run.stderr).match(/^tessary-scale: (.*) \(see 'tessary-scale --help'\)\n$/);
  assert.ok(said, String(run.stderr));
  return said[1];
}

function sameFiles(nativeFolder, wasmFolder, names) {
  for (const name of names) {
    const expected = fs.readFileSync(path.join(nativeFolder, name));
    const actual = fs.readFileSync(path.join(wasmFolder, name));
    assert.ok(expected.equals(actual), name + ': the module wrote other bytes than tessary-scale');
  }
}

// Each row: the factors as typed, and the models scaled with them.
const scaleCases = [
  { factors: ['2', '-3', '0.5'], models: models },
  { factors: ['1.5', '1d2', '-0.25'], models: [...generated.slice(0, 20), large] },
  { factors: ['0.1'], models: [...generated.slice(20, 30), large] },
  { factors: ['0', '1e-320', '1e308'], models: Object.keys(edges) },
];

for (const row of scaleCases) {
  test('scaling by ' + row.factors.join(' ') + ' gives tessary-scale\'s bytes', () => {
    const typed = row.factors.length === 1 ? [row.factors[0], row.factors[0], row.factors[0]]
                                           : row.factors;
    const factors = typed.map((text) => api.readFactor(text).value);
    const nativeOut = fs.mkdtempSync(path.join(work, 'native-'));
    const wasmOut = fs.mkdtempSync(path.join(work, 'wasm-'));
    const run = spawnSync(native, ['-j', '2', '-s', typed.join(','), '-t', nativeOut,
                                   ...row.models.map((m) => path.join(corpus, m))]);
    // The bytes that are no model text (binary.mdl) are refused by both, for the same reason.
    const refused = row.models.filter(notText);
    assert.strictEqual(run.status, refused.length > 0 ? 1 : 0, String(run.stderr));
    assert.strictEqual(String(run.stderr), refused.map((model) => 'tessary-scale: Unable to ' +
      'open input file. (' + path.join(corpus, model) + ': ' + notText(model) + ')\n').join(''));
    for (const model of row.models.filter((m) => !refused.includes(m))) {
      const result = wasmScale(model, path.join(wasmOut, model), factors);
      assert.ok(result.ok, model + ': ' + result.message);
      assert.strictEqual(result.message, 'Done!');
      assert.strictEqual(result.bytesWritten, fs.statSync(path.join(wasmOut, model)).size);
    }
    assert.deepStrictEqual(fs.readdirSync(wasmOut).sort(), fs.readdirSync(nativeOut).sort());
    sameFiles(nativeOut, wasmOut, fs.readdirSync(nativeOut));
  });
}

test('fitting z to 1.8 scales and refuses the models tessary-scale --fit does', () => {
  const chosen = generated.slice(0, 40).concat(Object.keys(edges));
  const nativeOut = fs.mkdtempSync(path.join(work, 'native-fit-'));
  const wasmOut = fs.mkdtempSync(path.join(work, 'wasm-fit-'));
  spawnSync(native, ['--fit', 'z=1.8', '-t', nativeOut, ...chosen.map((m) => path.join(corpus, m))]);
  for (const model of chosen) {
    // A file that is not model text is refused before it is read, as --fit refuses it.
    if (notText(model)) continue;
    const inspected = wasmInspect(model);
    assert.ok(inspected.ok, model);
    const fit = api.fitFactor(inspected.info, 2, 1.8);
    if (fit.reason) continue;
    wasmScale(model, path.join(wasmOut, model), [fit.value, fit.value, fit.value]);
  }
  assert.deepStrictEqual(fs.readdirSync(wasmOut).sort(), fs.readdirSync(nativeOut).sort());
  sameFiles(nativeOut, wasmOut, fs.readdirSync(nativeOut));
});

test('what the module reports of each model is what --info --json reports', () => {
  // Both refuse a file that is not model text, with the same sentence (see above).
  const read = models.filter((m) => !notText(m));
  const reports = spawnSync(native, ['--info', '--json', ...read.map((m) => path.join(corpus, m))],
                            { maxBuffer: 64 * MiB }).stdout.toString().trim().split('\n')
                   .map((line) => JSON.parse(line));
  assert.strictEqual(reports.length, read.length);
  const boxOf = (json) => (json === null ? null : { min: json.min, max: json.max });
  for (const [i, model] of read.entries()) {
    const { info } = wasmInspect(model);
    const report = reports[i];
    // JSON has no infinities or nan (the native report writes them as null), and a zero's
    // sign depends on which of two equal ends a threaded inspection met first.
    const comparable = (value) => JSON.parse(JSON.stringify(value), (k, v) => (v === 0 ? 0 : v));
    assert.strictEqual(info.lines, report.lines, model);
    assert.strictEqual(info.positions.lines, report.positions.lines, model);
    assert.strictEqual(info.vertices.blocks, report.vertices.blocks, model);
    assert.strictEqual(info.vertices.lines, report.vertices.lines, model);
    assert.strictEqual(info.keys.blocks, report.keys.blocks, model);
    assert.strictEqual(info.keys.lines, report.keys.lines, model);
    for (const kind of ['positions', 'vertices', 'keys']) {
      assert.deepStrictEqual(comparable(info[kind].box), comparable(boxOf(report[kind].box)),
                             model + ' ' + kind);
    }
  }
});

function wasmSample(model, folder = corpus) {
  const input = files.openToRead(path.join(folder, model));
  try {
    return api.sample(input, model);
  } finally {
    files.close(input);
  }
}

// The box around the sampled points of one kind (0 position, 1 vertex, 2 key), nan ignored as
// the pass's box ignores it; null when there are none.
function sampledBox(sample, kind) {
  const min = [Infinity, Infinity, Infinity];
  const max = [-Infinity, -Infinity, -Infinity];
  let any = false;
  for (let i = 0; i < sample.kept; ++i) {
    if (sample.kinds[i] !== kind) continue;
    any = true;
    for (let axis = 0; axis < 3; ++axis) {
      const v = sample.points[3 * i + axis];
      if (v < min[axis]) min[axis] = v;
      if (v > max[axis]) max[axis] = v;
    }
  }
  return any ? { min, max } : null;
}

test('the points sampled for the pictures are the points the pass scales', () => {
  const size = api.sampleSize();
  for (const model of models.filter((m) => !notText(m))) {
    const { info } = wasmInspect(model);
    const sample = wasmSample(model);
    assert.ok(sample.ok, model + ': ' + sample.sentence);
    const counts = [info.positions, info.vertices, info.keys];
    assert.deepStrictEqual([sample.positions, sample.vertices, sample.keys],
                           counts.map((c) => c.lines), model);
    const total = counts.reduce((sum, c) => sum + c.lines, 0);
    assert.strictEqual(sample.kept, Math.min(total, size), model);
    // Every point kept: the same boxes as the pass's; some: inside them.
    counts.forEach((c, kind) => {
      const box = sampledBox(sample, kind);
      if (total <= size) {
        assert.deepStrictEqual(box, c.box, model + ' kind ' + kind);
      } else if (box) {
        for (let axis = 0; axis < 3; ++axis) {
          assert.ok(box.min[axis] >= c.box.min[axis] && box.max[axis] <= c.box.max[axis], model);
        }
      }
    });
  }
});

test('a sample of a large model is taken from all of it, the same each time', () => {
  // Vertex i at x = i: a sample that favours the start or the end of the model, or that
  // keeps one point twice, shows in its x.
  const count = 200000;
  const name = 'sample-spread.mdl';
  fs.writeFileSync(path.join(work, name),
                   'verts ' + count + '\n' + Array.from({ length: count }, (_, i) => i + ' 0 1\n').join(''));
  const sample = wasmSample(name, work);
  assert.strictEqual(sample.kept, api.sampleSize());
  const xs = Array.from({ length: sample.kept }, (_, i) => sample.points[3 * i]);
  assert.strictEqual(new Set(xs).size, xs.length);
  const mean = xs.reduce((sum, x) => sum + x, 0) / xs.length;
  assert.ok(Math.abs(mean - count / 2) < count * 0.02, 'mean ' + mean);
  const quarters = [0, 0, 0, 0];
  for (const x of xs) ++quarters[Math.floor((4 * x) / count)];
  for (const q of quarters) assert.ok(Math.abs(q - xs.length / 4) < xs.length * 0.03, String(quarters));
  assert.deepStrictEqual(wasmSample(name, work).points, sample.points);
});

test('a sample that cannot be read says why', () => {
  const input = files.openToRead(path.join(corpus, large));
  const read = files.read;
  files.read = () => -1;
  try {
    const sample = api.sample(input, 'bad.mdl');
    assert.strictEqual(sample.ok, false);
    assert.match(sample.sentence, /bad\.mdl/);
  } finally {
    files.read = read;
    files.close(input);
  }
});

test('progress reaches the size of the model, and the pass reports what it read', () => {
  files.progressCalls = [];
  const result = wasmScale(large, path.join(work, 'progress.mdl'), [1, 1, 1]);
  const size = fs.statSync(path.join(corpus, large)).size;
  assert.strictEqual(result.bytesRead, size);
  assert.ok(files.progressCalls.length > 1);
  assert.deepStrictEqual(files.progressCalls.at(-1), [size, size]);
  const done = files.progressCalls.map(([d]) => d);
  assert.deepStrictEqual(done, [...done].sort((a, b) => a - b));
});

// Each row: what the page's files do wrong, and the message the module gives for it.
const failureCases = [
  { name: 'a read that fails', fault: { read: () => -1 },
    message: 'An unknown error occurred while accessing bad <b>name</b>.mdl.' },
  { name: 'a write that fails', fault: { write: () => -1 },
    message: 'An unknown error occurred while accessing out.mdl.' },
  { name: 'a file that ends early', fault: { size: () => 1e9 },
    message: 'An unknown error occurred while accessing bad <b>name</b>.mdl.' },
];

for (const row of failureCases) {
  test('the pass names the file and stops for ' + row.name, () => {
    const input = files.openToRead(path.join(corpus, large));
    const output = files.openToWrite(path.join(work, 'failed.mdl'));
    const saved = {};
    for (const [key, fault] of Object.entries(row.fault)) {
      saved[key] = files[key];
      files[key] = (handle, ...rest) => (handle === (key === 'write' ? output : input)
        ? fault() : saved[key].call(files, handle, ...rest));
    }
    try {
      const result = api.scale(input, 'bad <b>name</b>.mdl', output, 'out.mdl', [2, 2, 2]);
      assert.strictEqual(result.ok, false);
      assert.strictEqual(result.message, row.message);
    } finally {
      Object.assign(files, saved);
      files.close(input);
      files.close(output);
    }
  });
}

// The worker's files (web/src/files.js): the model read a slice at a time, the output kept as
// Blob pieces, a line taken back after it was written out. The same bytes as tessary-scale.
// What a watcher of the output's growth hands on (for the zip, deflated as it is written) is
// the output, unless the pass took a line back from it, which it says.
test('the page\'s files give tessary-scale\'s bytes', async () => {
  const { Files, appendedBytes } = require('../src/files.js');
  const chosen = ['long-blank-start.mdl', 'long-copied-line.mdl', 'ctrl-z.mdl', large];
  const pageFiles = new Files((blob, start, end) => blob.bytes.subarray(start, end));
  const pageApi = await loadModule(wasmDir, pageFiles);
  const nativeOut = fs.mkdtempSync(path.join(work, 'native-page-'));
  execFileSync(native, ['-s', '3,-1,0.5', '-t', nativeOut, ...chosen.map((m) => path.join(corpus, m))]);
  for (const model of chosen) {
    const bytes = fs.readFileSync(path.join(corpus, model));
    const input = pageFiles.addInput({ size: bytes.length, bytes });
    const handed = [];
    const watcher = appendedBytes((piece) => handed.push(piece));
    const output = pageFiles.addOutput(null, watcher);
    const result = pageApi.scale(input, model, output, model, [3, -1, 0.5]);
    assert.ok(result.ok, model + ': ' + result.message);
    const blob = await pageFiles.finish(output);
    pageFiles.release(input);
    const written = Buffer.from(await blob.arrayBuffer());
    assert.ok(written.equals(fs.readFileSync(path.join(nativeOut, model))), model);
    assert.strictEqual(watcher.intact, model !== 'long-blank-start.mdl', model);
    if (watcher.intact) assert.ok(Buffer.concat(handed).equals(written), model);
  }
});

// The factors and lengths the page's fields take, read by the module as tessary-scale reads
// its arguments: refused with its words, or taken as the number it scales by. Each row: the
// text typed.
const factorTexts = ['', ' ', 'abc', ',5', '0x10', 'nan', 'inf', '-Infinity', '1,5', '2x', '1e400',
                     '1e-400', '1d2', ' 2 ', '\t-0.5', '+3', '.5', '5.', '1e-300', '-0'];
for (const text of factorTexts) {
  test('the factor ' + JSON.stringify(text) + ' is read as tessary-scale reads it', () => {
    const read = api.readFactor(text);
    const model = path.join(corpus, 'm0001.mdl');
    const out = path.join(work, 'factor.mdl');
    fs.rmSync(out, { force: true });
    const run = spawnSync(native, [model, out, text]);
    if (run.status === 2) {
      assert.strictEqual(read.reason, usageReason([model, out, text]));
      return;
    }
    assert.strictEqual(run.status, 0, String(run.stderr));
    assert.strictEqual(read.reason, undefined);
    const wasmOut = path.join(work, 'factor-wasm.mdl');
    wasmScale('m0001.mdl', wasmOut, [read.value, read.value, read.value]);
    assert.ok(fs.readFileSync(out).equals(fs.readFileSync(wasmOut)));
  });
}

const lengthTexts = ['', 'abc', '0', '-1', '1,8', 'nan', 'inf', '1e400', '1e-400', '0x10', '1.8',
                     ' 2 ', '1d1'];
for (const text of lengthTexts) {
  test('the length ' + JSON.stringify(text) + ' is read as --fit reads it', () => {
    const read = api.readFitLength(text);
    const args = ['--fit', 'z=' + text, path.join(corpus, 'm0001.mdl'), path.join(work, 'fit.mdl')];
    if (spawnSync(native, args).status === 2) {
      assert.strictEqual('--fit ' + read.reason, usageReason(args));
    } else {
      assert.strictEqual(read.value, Number(text.replace('d', 'e')));
    }
  });
}

// --fit's choice, made by the module on what it read of a model, against tessary-scale's on the
// same model. Each row: the model, the axis and length, and the factor or the reason.
const fitCases = [
  { name: 'no vertex points', model: 'position 1 2 3\n', fit: 'z=1.8',
    reason: 'it has no vertex points' },
  { name: 'flat along z', model: 'verts 2\n0 0 5\n1 1 5\n', fit: 'z=1',
    reason: 'its vertex points are flat along z' },
  { name: 'infinite extent', model: 'verts 2\n0 -1e400 0\n1 1 1\n', fit: 'y=1',
    reason: 'the extent of its vertex points along y is not finite' },
  { name: 'a factor that underflows', model: 'verts 2\n0 0 0\n1e300 1 1\n', fit: 'x=1e-30',
    reason: 'the factor for an extent of 1e+300 along x is out of range' },
  { name: 'an ordinary model', model: 'verts 2\n-1 2 -4\n1 3 4\n', fit: 'z=1.8', factor: 1.8 / 8 },
  { name: 'a factor that takes a vertex beyond the range', model: 'verts 2\n0 0 0\n1 1 10\n',
    fit: 'x=1e308', reason: 'the factor 1e+308 would take some of its points beyond the range ' +
    'of numbers' },
  { name: 'a factor that takes a position beyond the range',
    model: 'position 1e10 0 0\nverts 2\n0 0 0\n1 1 1\n', fit: 'x=1e300',
    reason: 'the factor 1e+300 would take some of its points beyond the range of numbers' },
  { name: 'a position already infinite', model: 'position 1e999 0 0\nverts 2\n0 0 0\n0 0 33.0882\n',
    fit: 'z=1.8', factor: 1.8 / 33.0882 },
  { name: 'a vertex already infinite on another axis',
    model: 'verts 3\n1e999 0 0\n0 0 0\n5 -1e999 1\n', fit: 'z=1.8', factor: 1.8 },
  { name: 'a key already infinite', model: 'verts 2\n0 0 0\n0 0 1\npositionkey 1\n0 -1e999 0 0\n',
    fit: 'z=2', factor: 2 },
  { name: 'a finite point between a finite end and an infinite one taken beyond the range',
    model: 'position -1 0 0\nposition 1e308 0 0\nposition 1e999 0 0\nverts 2\n0 0 0\n0 0 1\n',
    fit: 'z=3', reason: 'the factor 3 would take some of its points beyond the range of numbers' },
  { name: 'a finite end beside an infinite one taken beyond the range',
    model: 'position 1e999 -1e308 0\nverts 2\n0 0 0\n0 0 1\n', fit: 'z=3',
    reason: 'the factor 3 would take some of its points beyond the range of numbers' },
];
for (const row of fitCases) {
  test('fitting ' + row.name + ' as tessary-scale --fit ' + row.fit + ' does', () => {
    const model = 'fit-' + row.name.replace(/ /g, '-') + '.mdl';
    fs.writeFileSync(path.join(corpus, model), row.model);
    const { info } = wasmInspect(model);
    const fit = api.fitFactor(info, 'xyz'.indexOf(row.fit[0]), Number(row.fit.slice(2)),
                              path.join(corpus, model));
    const nativeOut = path.join(work, 'native-' + model);
    const run = spawnSync(native, ['--fit', row.fit, path.join(corpus, model), nativeOut]);
    if (row.reason) {
      assert.strictEqual(fit.reason, row.reason);
      // The sentence is tessary-scale's, word for word: one function makes both.
      assert.strictEqual('tessary-scale: ' + fit.sentence + '\n', String(run.stderr));
      return;
    }
    assert.deepStrictEqual(fit, { value: row.factor });
    assert.strictEqual(run.status, 0, String(run.stderr));
    const wasmOut = path.join(work, 'wasm-' + model);
    wasmScale(model, wasmOut, [fit.value, fit.value, fit.value]);
    assert.ok(fs.readFileSync(nativeOut).equals(fs.readFileSync(wasmOut)), model);
  });
}

// What is model text, by tessary-scale's rule through the module. Each row: the bytes a file
// starts with, and whether they may be model text.
const textCases = [
  ['model text', Buffer.from('verts 1\r\n1 2 3\n\x1a'), true],
  ['a NUL among text', Buffer.from('verts 1\n\x001 2 3 and some more words\n'), true],
  ['a few control bytes in a small file', Buffer.from('\x01\x02\x03\x04abc'), true],
  ['one NUL in twelve bytes', Buffer.from('verts 1\n1 \x002'), true],
  ['vertical tabs and form feeds', Buffer.from('verts 40\n' + '1\v2\f3\n'.repeat(40)), true],
  ['text then zeros', Buffer.concat([Buffer.from('position 1 2 3\n'), Buffer.alloc(65521)]), true],
  ['every byte alike', Buffer.from(Array.from({ length: 65536 }, (_, i) => i % 256)), false],
  ['pseudo-random bytes', Buffer.from(Array.from({ length: 65536 }, (_, i) => (i * 2654435761) >>> 24)), false],
  ['a picture\'s start', Buffer.concat([Buffer.from('\x89PNG\r\n\x1a\n'),
    Buffer.from(Array.from({ length: 2000 }, (_, i) => (i * 7919 + 13) % 256))]), false],
  ['nothing', Buffer.alloc(0), true],
  ['UTF-8 names', Buffer.from('node modèle-Ωμέγα\n'), true],
];
for (const [name, bytes, expected] of textCases) {
  test('may be model text: ' + name, () => {
    assert.strictEqual(api.checkText(bytes) === '', expected, api.checkText(bytes));
  });
}

test('every model of the corpora and the examples may be model text', () => {
  const examples = path.join(root, 'examples');
  const paths = fs.readdirSync(corpus).filter((name) => name !== 'binary.mdl')
    .map((name) => path.join(corpus, name))
    .concat(fs.readdirSync(examples).filter((n) => n.endsWith('.mdl')).map((n) => path.join(examples, n)));
  assert.ok(paths.length > 300);
  for (const file of paths) {
    const start = fs.readFileSync(file).subarray(0, api.textSample());
    assert.strictEqual(api.checkText(start), '', file);
  }
});

// Numbers in the module's messages (the fitted factor, an extent) as tessary-scale writes
// them: the shortest digits that read back, as JavaScript finds them too, written as printf's
// %g writes them for its default precision.
test('numbers are written with the shortest digits, in %g\'s notation', () => {
  const expected = (value) => {
    if (!Number.isFinite(value)) return Number.isNaN(value) ? 'nan' : value < 0 ? '-inf' : 'inf';
    if (value === 0) return Object.is(value, -0) ? '-0' : '0';
    const [digits, exponent] = value.toExponential().split('e');
    const e = Number(exponent);
    if (e >= -4 && e < 6) return String(value);
    return digits + 'e' + (e < 0 ? '-' : '+') + String(Math.abs(e)).padStart(2, '0');
  };
  const values = [0, -0, Infinity, -Infinity, NaN, 0.0544, 1234567, 123456.7, 1e-5, 0.0001, 5e-324,
                  1.7976931348623157e308];
  for (let e = -1074; e <= 1023; e += 1) values.push(2 ** e, -(2 ** e));
  const bits = new DataView(new ArrayBuffer(8));
  let seed = 12345;
  for (let i = 0; i < 20000; ++i) {
    seed = (seed * 1103515245 + 12345) >>> 0;
    bits.setUint32(0, seed);
    seed = (seed * 1103515245 + 12345) >>> 0;
    bits.setUint32(4, seed);
    values.push(bits.getFloat64(0));
  }
  for (const value of values) assert.strictEqual(api.numberText(value), expected(value), String(value));
});
