// The page's worker: runs the module on the models the page sends, one request at a time, and
// answers with reports, outputs (as Blobs) and progress. The page ends the worker to cancel.
'use strict';
importScripts('tessary.js', 'api.js', 'files.js', 'logic.js', 'vendor/fflate.js');

const reader = new FileReaderSync();
const readSlice = (blob, start, end) =>
  new Uint8Array(reader.readAsArrayBuffer(blob.slice(start, end)));

let current = null; // the request running, for its progress
const files = new TessaryFiles.Files(readSlice, (done, total) => {
  if (current) postMessage({ type: 'progress', id: current, done, total });
});

// How much of a model's start is looked at to tell text from other data.
const SNIFF_BYTES = 64 * 1024;
// A zip without its 64-bit extension holds less than 4 GiB and 65535 files.
const ZIP_LIMIT = 0xffffffff - (1 << 20);

let api = null;
const ready = createTessaryModule({ tessaryFiles: files }).then((module) => {
  api = TessaryApi.wrap(module);
  postMessage({ type: 'ready', version: api.version() });
}, (error) => {
  postMessage({ type: 'broken', message: String(error && error.message || error) });
});

function notText(file) {
  const start = readSlice(file, 0, Math.min(file.size, SNIFF_BYTES));
  return !TessaryLogic.looksLikeText(start);
}

function withReason(result) {
  const reason = files.lastError || result.reason;
  files.lastError = '';
  return reason ? result.message + ' (' + reason + ')' : result.message;
}

const handlers = {
  inspect({ file }) {
    if (notText(file)) return { ok: false, notText: true };
    const input = files.addInput(file);
    try {
      const result = api.inspect(input, file.name);
      return result.ok ? result : { ok: false, message: withReason(result) };
    } finally {
      files.release(input);
    }
  },

  scale({ file, outputName, factors }) {
    if (notText(file)) return { ok: false, notText: true };
    const input = files.addInput(file);
    const output = files.addOutput();
    const started = performance.now();
    try {
      const result = api.scale(input, file.name, output, outputName, factors);
      if (!result.ok) {
        files.release(output);
        return { ok: false, message: withReason(result) };
      }
      result.milliseconds = performance.now() - started;
      result.blob = files.take(output, 'model/x-tessary-mdl');
      return result;
    } finally {
      files.release(input);
      files.release(output);
    }
  },

  // The outputs as one zip, deflated, read and written a piece at a time.
  zip({ entries }) {
    const total = entries.reduce((sum, entry) => sum + entry.blob.size, 0);
    if (total > ZIP_LIMIT || entries.length > 65535) return { ok: false, tooLarge: true };
    const parts = [];
    let failure = null;
    const zip = new fflate.Zip((error, chunk) => {
      if (error) failure = error;
      else parts.push(new Blob([chunk]));
    });
    let done = 0;
    const piece = 1 << 20;
    for (const entry of entries) {
      const stream = new fflate.ZipDeflate(entry.name, { level: 6 });
      zip.add(stream);
      const size = entry.blob.size;
      if (size === 0) stream.push(new Uint8Array(0), true);
      for (let at = 0; at < size; at += piece) {
        const end = Math.min(size, at + piece);
        stream.push(readSlice(entry.blob, at, end), end === size);
        done += end - at;
        postMessage({ type: 'progress', id: current, done, total });
      }
    }
    zip.end();
    if (failure) return { ok: false, message: String(failure.message || failure) };
    return { ok: true, blob: new Blob(parts, { type: 'application/zip' }) };
  },
};

onmessage = async (event) => {
  const request = event.data;
  await ready;
  if (!api) return;
  current = request.id;
  let answer;
  try {
    answer = handlers[request.type](request);
  } catch (error) {
    answer = { ok: false, message: String(error && error.message || error) };
  }
  current = null;
  postMessage({ type: 'answer', id: request.id, answer });
};
