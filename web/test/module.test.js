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
const logic = require('../src/logic.js');

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
    const factors = typed.map((text) => api.parseNumber(text));
    const nativeOut = fs.mkdtempSync(path.join(work, 'native-'));
    const wasmOut = fs.mkdtempSync(path.join(work, 'wasm-'));
    execFileSync(native, ['-j', '2', '-s', typed.join(','), '-t', nativeOut,
                          ...row.models.map((m) => path.join(corpus, m))]);
    for (const model of row.models) {
      const result = wasmScale(model, path.join(wasmOut, model), factors);
      assert.ok(result.ok, model + ': ' + result.message);
      assert.strictEqual(result.message, 'Done!');
      assert.strictEqual(result.bytesWritten, fs.statSync(path.join(wasmOut, model)).size);
    }
    sameFiles(nativeOut, wasmOut, row.models);
  });
}

test('fitting z to 1.8 scales and refuses the models tessary-scale --fit does', () => {
  const chosen = generated.slice(0, 40).concat(Object.keys(edges));
  const nativeOut = fs.mkdtempSync(path.join(work, 'native-fit-'));
  const wasmOut = fs.mkdtempSync(path.join(work, 'wasm-fit-'));
  spawnSync(native, ['--fit', 'z=1.8', '-t', nativeOut, ...chosen.map((m) => path.join(corpus, m))]);
  for (const model of chosen) {
    const inspected = wasmInspect(model);
    assert.ok(inspected.ok, model);
    const fit = logic.fitFactor(inspected.info.vertices.box, 2, 1.8,
                                [inspected.info.positions.box, inspected.info.keys.box]);
    if (fit.reason) continue;
    wasmScale(model, path.join(wasmOut, model), [fit.factor, fit.factor, fit.factor]);
  }
  assert.deepStrictEqual(fs.readdirSync(wasmOut).sort(), fs.readdirSync(nativeOut).sort());
  sameFiles(nativeOut, wasmOut, fs.readdirSync(nativeOut));
});

test('what the module reports of each model is what --info --json reports', () => {
  const reports = execFileSync(native, ['--info', '--json', ...models.map((m) => path.join(corpus, m))],
                               { maxBuffer: 64 * MiB }).toString().trim().split('\n')
                   .map((line) => JSON.parse(line));
  assert.strictEqual(reports.length, models.length);
  const boxOf = (json) => (json === null ? null : { min: json.min, max: json.max });
  for (const [i, model] of models.entries()) {
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
test('the page\'s files give tessary-scale\'s bytes', async () => {
  const { Files } = require('../src/files.js');
  const chosen = ['long-blank-start.mdl', 'long-copied-line.mdl', 'ctrl-z.mdl', large];
  const pageFiles = new Files((blob, start, end) => blob.bytes.subarray(start, end));
  const pageApi = await loadModule(wasmDir, pageFiles);
  const nativeOut = fs.mkdtempSync(path.join(work, 'native-page-'));
  execFileSync(native, ['-s', '3,-1,0.5', '-t', nativeOut, ...chosen.map((m) => path.join(corpus, m))]);
  for (const model of chosen) {
    const bytes = fs.readFileSync(path.join(corpus, model));
    const input = pageFiles.addInput({ size: bytes.length, bytes });
    const output = pageFiles.addOutput();
    const result = pageApi.scale(input, model, output, model, [3, -1, 0.5]);
    assert.ok(result.ok, model + ': ' + result.message);
    const blob = await pageFiles.finish(output);
    pageFiles.release(input);
    const written = Buffer.from(await blob.arrayBuffer());
    assert.ok(written.equals(fs.readFileSync(path.join(nativeOut, model))), model);
  }
});
