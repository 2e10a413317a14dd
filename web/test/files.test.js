// The worker's reads of a model (web/src/files.js): a slice of the File at a time, read at once
// or as promises with the next slice read while the pass works. Whatever pieces the pass asks
// for, it gets the model's bytes in order, each slice is read once and in order, a slice that
// cannot be read fails that read and says why, and a model left half read leaves nothing
// behind (a failed read ahead that nobody needs is no unhandled rejection).
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { Files, streamingReader } = require('../src/files.js');

const MiB = 1 << 20;
const SLICE = 8 * MiB; // the worker's slice
const model = new Uint8Array(2 * SLICE + 12345);
for (let i = 0; i < model.length; ++i) model[i] = (i * 131 + (i >> 13)) & 0xff;
const blob = new Blob([model]);

// A File's slices as the worker reads them: at once (FileReaderSync's way), as promises of
// the Blob's slices, or from its stream into buffers that take turns (the worker's way where
// the pass can wait). `failAt` is the read that fails, counting from 0.
function sliceReader(kind, failAt, reads) {
  if (kind === 'stream' || kind === 'plain stream') {
    const read = streamingReader();
    const recorded = (file, start, end) => {
      reads.push(start);
      if (kind === 'plain stream') return read(withPlainStream(file), start, end);
      return read(failAt === undefined ? file : failingAfter(file, failAt * SLICE + MiB),
                  start, end);
    };
    recorded.forget = read.forget;
    return recorded;
  }
  return (file, start, end) => {
    const failing = reads.length === failAt;
    reads.push(start);
    if (kind === 'now') {
      if (failing) throw new Error('The file could not be read.');
      return model.subarray(start, end);
    }
    if (failing) return Promise.reject(new Error('The file could not be read.'));
    return file.slice(start, end).arrayBuffer().then((buffer) => new Uint8Array(buffer));
  };
}

// The Blob, but its stream gives chunks of its own (a reader of buffers cannot be had).
function withPlainStream(file) {
  return {
    size: file.size,
    slice: (start, end) => {
      const part = file.slice(start, end);
      return { arrayBuffer: () => part.arrayBuffer(), stream: () => new ReadableStream() };
    },
  };
}

// The Blob, but its stream fails once `count` bytes of the Blob have come (the file changed).
function failingAfter(file, count) {
  return {
    size: file.size,
    slice: (start) => ({
      stream: () => {
        let at = start;
        return new ReadableStream({
          type: 'bytes',
          pull(controller) {
            if (at >= file.size) return controller.close();
            if (at >= count) return controller.error(new Error('The file could not be read.'));
            const end = Math.min(file.size, count, at + 64 * 1024);
            controller.enqueue(model.slice(at, end));
            at = end;
          },
        });
      },
    }),
  };
}

// Each row: how slices are read, the size of the pass's pieces, the read that fails (if any),
// and how many pieces the pass takes before it stops (all when not said).
const readCases = [
  { name: 'at once, in the pass\'s 1 MiB pieces', kind: 'now', piece: MiB },
  { name: 'as promises, in the pass\'s 1 MiB pieces', kind: 'promise', piece: MiB },
  { name: 'as promises, in odd pieces across slices', kind: 'promise', piece: 3 * MiB + 7 },
  { name: 'as promises, in pieces larger than a slice', kind: 'promise', piece: 10 * MiB },
  { name: 'from its stream, in the pass\'s 1 MiB pieces', kind: 'stream', piece: MiB },
  { name: 'from its stream, in odd pieces across slices', kind: 'stream', piece: 3 * MiB + 7 },
  { name: 'from a stream that fills no buffer of ours', kind: 'plain stream', piece: MiB },
  { name: 'from its stream, begun again after 10 MiB', kind: 'stream', piece: MiB, again: 10 },
  { name: 'at once, the third slice unreadable', kind: 'now', piece: MiB, failAt: 2 },
  { name: 'from its stream, failing in the second slice', kind: 'stream', piece: MiB, failAt: 1 },
  { name: 'as promises, the first slice unreadable', kind: 'promise', piece: MiB, failAt: 0 },
  { name: 'as promises, a slice read ahead unreadable', kind: 'promise', piece: MiB, failAt: 1 },
  { name: 'as promises, stopped before a failed read ahead', kind: 'promise', piece: MiB,
    failAt: 1, stopAfter: 1 },
];

for (const row of readCases) {
  test('a model read ' + row.name + ' gives its bytes', async () => {
    const reads = [];
    const files = new Files(sliceReader(row.kind, row.failAt, reads));
    const input = files.addInput(blob);
    const into = new Uint8Array(row.piece);
    const got = [];
    let total = 0;
    let last;
    for (let pieces = 0; pieces !== row.stopAfter; ++pieces) {
      const answer = files.read(input, into);
      // A promise whenever a new slice is needed and slices come as promises (and perhaps
      // while the next one is read ahead); never when they come at once.
      const waits = row.kind !== 'now' && total % SLICE === 0 && total < model.length;
      if (waits || row.kind === 'now') {
        assert.strictEqual(typeof answer !== 'number', waits, 'at ' + total);
      }
      last = await answer;
      if (last <= 0) break;
      got.push(into.slice(0, last));
      total += last;
      if (pieces + 1 === row.again) { // as the pass does when it reads a model twice
        assert.strictEqual(files.seek(input, 0), 0);
        got.length = total = 0;
        reads.length = 0;
      }
    }
    files.release(input);
    await new Promise((resolve) => setTimeout(resolve, 20)); // a read ahead settles
    const bytes = Buffer.concat(got);
    if (row.stopAfter) {
      assert.strictEqual(bytes.length, row.stopAfter * row.piece);
    } else if (row.failAt === undefined) {
      assert.strictEqual(last, 0);
      assert.strictEqual(bytes.length, model.length);
      assert.strictEqual(files.lastError, '');
    } else {
      assert.strictEqual(last, -1);
      assert.strictEqual(files.lastError, 'The file could not be read.');
      assert.strictEqual(bytes.length, row.failAt * SLICE);
    }
    assert.ok(bytes.equals(model.subarray(0, bytes.length)), 'the bytes differ');
    // Each slice read once, in order; at most one read ahead of the pass.
    assert.deepStrictEqual(reads, reads.map((_, i) => i * SLICE));
    assert.ok(reads.length <= Math.ceil(Math.max(bytes.length, 1) / SLICE) + 1, String(reads));
  });
}

// Slices as promises that the test settles: `pending[i]` settles the i-th slice asked for.
function heldSlices(pending) {
  return (file, start, end) => new Promise((resolve, reject) => {
    pending.push({ give: () => resolve(model.subarray(start, end)), fail: reject });
  });
}

// While the next slice is being read ahead, each read within the current one answers a promise
// (the worker's event loop runs once, so that the stream can take in what has come) that does
// not wait for that slice; once it has come or failed, reads answer at once again.
for (const ending of ['arrives', 'fails']) {
  test('reads within a slice while the next one ' + ending, async () => {
    const pending = [];
    const files = new Files(heldSlices(pending));
    const input = files.addInput(blob);
    const into = new Uint8Array(MiB);
    const first = files.read(input, into);
    pending[0].give();
    assert.strictEqual(await first, MiB);
    assert.strictEqual(pending.length, 2, 'the next slice is read ahead');
    for (let piece = 1; piece < 4; ++piece) {
      const answer = files.read(input, into);
      assert.strictEqual(typeof answer.then, 'function', 'piece ' + piece);
      assert.strictEqual(await answer, MiB);
      assert.ok(Buffer.from(into).equals(model.subarray(piece * MiB, (piece + 1) * MiB)));
    }
    if (ending === 'arrives') pending[1].give();
    else pending[1].fail(new Error('The file could not be read.'));
    await new Promise((resolve) => setTimeout(resolve, 0));
    for (let piece = 4; piece < 8; ++piece) {
      const answer = files.read(input, into);
      assert.strictEqual(answer, MiB, 'piece ' + piece);
      assert.ok(Buffer.from(into).equals(model.subarray(piece * MiB, (piece + 1) * MiB)));
    }
    const next = await files.read(input, into);
    assert.strictEqual(next, ending === 'arrives' ? MiB : -1);
    assert.strictEqual(pending.length, ending === 'arrives' ? 3 : 2);
    files.release(input);
  });
}
