// One of the page's workers: runs the module on the models the page sends, one request at a
// time, and answers with reports, samples of points, outputs (as Blobs) and progress. The page
// ends its workers to cancel.
'use strict';
importScripts('tessary.js', 'api.js', 'files.js', 'logic.js', 'vendor/fflate.js');

// A slice of a File, read as a promise: the worker's event loop runs while it is read.
const readSlice = (blob, start, end) =>
  blob.slice(start, end).arrayBuffer().then((buffer) => new Uint8Array(buffer));

// The pass reads as promises where the browser can suspend WebAssembly while it waits for one
// (see web/module/suspending.js), from the model's stream into two buffers that take turns, so
// that the worker's memory stays the same however large the model. Elsewhere it reads at
// once, with FileReaderSync, and the browser frees what it read only after the pass.
let suspending = false;
const streamedSlice = TessaryFiles.streamingReader();
const reader = new FileReaderSync();
const readSliceNow = (blob, start, end) =>
  new Uint8Array(reader.readAsArrayBuffer(blob.slice(start, end)));
const passSlice = (blob, start, end) =>
  (suspending ? streamedSlice : readSliceNow)(blob, start, end);
passSlice.forget = streamedSlice.forget;

let current = null; // the request running, for its progress
// The pass reports after each read (every MiB or less); the page hears of it every 50 ms at
// most, and of the end, since each message costs the pass's thread a little.
const PROGRESS_MS = 50;
let lastProgress = { id: null, at: 0 };
const files = new TessaryFiles.Files(passSlice, (done, total) => {
  if (!current) return;
  const now = performance.now();
  if (lastProgress.id === current && now - lastProgress.at < PROGRESS_MS && done < total) return;
  lastProgress = { id: current, at: now };
  postMessage({ type: 'progress', id: current, done, total });
});

// A zip without its 64-bit extension holds less than 4 GiB and 65535 files.
// Its models are deflated at level 2: a scaled model's text twice as fast as at level 6, for
// a zip about a tenth larger.
const ZIP_LEVEL = 2;
const ZIP_LIMIT = 0xffffffff - (1 << 20);

// Outputs go to files of the origin's private file system, which the browser writes to disk
// fast and which never leave it, where the browser can write them synchronously. Each run's
// files stay until the next run of this worker has begun (the page's downloads read them),
// or until a later visit finds them an hour old.
const OUTPUTS = 'tessary-outputs';
const KEEP_MS = 60 * 60 * 1000;
let outputsFolder = null;
const workerTag = Date.now().toString(36) + '-' + Math.random().toString(36).slice(2, 8);
let outputCount = 0;

async function openOutputs() {
  try {
    if (typeof FileSystemSyncAccessHandle === 'undefined') return;
    const root = await navigator.storage.getDirectory();
    outputsFolder = await root.getDirectoryHandle(OUTPUTS, { create: true });
    for await (const [name, handle] of outputsFolder.entries()) {
      const file = await handle.getFile().catch(() => null);
      if (file && Date.now() - file.lastModified > KEEP_MS) {
        await outputsFolder.removeEntry(name).catch(() => {});
      }
    }
  } catch (error) {
    outputsFolder = null;  // downloads from Blob pieces instead
  }
}

// A new output file; null where there is no private file system to write synchronously.
async function newOutput() {
  if (!outputsFolder) return null;
  try {
    const name = workerTag + '-' + ++outputCount;
    const fileHandle = await outputsFolder.getFileHandle(name, { create: true });
    runOutputs.push(name);
    const sync = await fileHandle.createSyncAccessHandle();
    return { sync, fileHandle };
  } catch (error) {
    return null;
  }
}

// The names of this run's outputs are kept until the next run starts.
let runOutputs = [];
async function startRun() {
  if (!outputsFolder) return;
  for (const name of runOutputs) await outputsFolder.removeEntry(name).catch(() => {});
  runOutputs = [];
}

let api = null;
const ready = openOutputs()
  .then(() => createTessaryModule({ tessaryFiles: files, tessaryAsync: true }))
  .then((module) => {
  api = TessaryApi.wrap(module);
  suspending = api.suspending;
  postMessage({ type: 'ready', version: api.version() });
}, (error) => {
  postMessage({ type: 'broken', message: String(error && error.message || error) });
});

// A File names the file the user chose: moved, deleted or changed since, it can no longer be
// read, and the browser says so with one of these.
const CHANGED = ['NotFoundError', 'NotReadableError'];

// The run's failure as the page tells it: the file changed since it was chosen, or the
// record's sentence, as tessary-scale words it; a file that is not model text is marked so.
const NOT_TEXT = 'is not model text';
function failed(result) {
  const [error, name] = [files.lastError, files.lastErrorName];
  files.lastError = files.lastErrorName = '';
  if (CHANGED.includes(name)) return { ok: false, changed: true };
  const message = result.sentence || (error ? result.message + ' (' + error + ')' : result.message);
  const notText = (result.reason || '').startsWith(NOT_TEXT) ? result.reason : undefined;
  return { ok: false, message, notText };
}

// The name the module's sentences give a model: as the page shows names.
const shownName = (file) => TessaryLogic.displayName(file.name);

// Runs `body` on a model, answering for it when the file cannot be read any more: a first
// byte read as a whole slice says so by name, where a stream read later may not.
async function onModel(file, body) {
  try {
    await readSlice(file, 0, Math.min(file.size, 1));
    return await body();
  } catch (error) {
    if (error && CHANGED.includes(error.name)) return { ok: false, changed: true };
    throw error;
  }
}

// A zip entry called `name` being deflated into a file of its own: push(bytes, last) takes
// the entry's bytes in order (none after a write failed), finish() gives { blob (the
// compressed bytes), crc, size, flag } for the zip made later by whichever worker, release()
// drops it.
async function zipEntry(name) {
  const output = files.addOutput(await newOutput());
  let failure = null;
  const stream = new fflate.ZipDeflate(name, { level: ZIP_LEVEL });
  stream.ondata = (error, chunk) => {
    if (error) failure = error;
    else if (files.write(output, chunk) < 0) failure = new Error('the zip could not be written');
  };
  return {
    push(bytes, last) {
      if (!failure) stream.push(bytes, last);
    },
    get failed() {
      return failure !== null;
    },
    async finish() {
      if (failure) {
        files.release(output);
        throw failure;
      }
      return { blob: await files.finish(output, 'application/octet-stream'), crc: stream.crc,
               size: stream.size, flag: stream.flag };
    },
    release() {
      files.release(output);
    },
  };
}

// `blob` deflated as a zip entry called `name` holds it, read back a piece at a time.
async function deflated(name, blob) {
  const entry = await zipEntry(name);
  const piece = 1 << 20;
  try {
    if (blob.size === 0) entry.push(new Uint8Array(0), true);
    for (let at = 0; at < blob.size && !entry.failed; at += piece) {
      const end = Math.min(blob.size, at + piece);
      entry.push(await readSlice(blob, at, end), end === blob.size);
    }
  } catch (error) {
    entry.release();
    throw error;
  }
  return entry.finish();
}

// The zip entry of an output deflated as the pass writes it, which spares reading the output
// back: a watcher of the output's writes (see Files.addOutput), and finish(blob), which gives
// the entry, or reads `blob` back for it where the pass took back what it had written.
async function deflatedAsWritten(name) {
  const entry = await zipEntry(name);
  const watcher = TessaryFiles.appendedBytes((bytes) => entry.push(bytes, false));
  return {
    watcher,
    async finish(blob) {
      if (!watcher.intact || watcher.length !== blob.size) {
        entry.release();
        return deflated(name, blob);
      }
      entry.push(new Uint8Array(0), true);
      return entry.finish();
    },
    release() {
      entry.release();
    },
  };
}

const handlers = {
  inspect({ file }) {
    return onModel(file, async () => {
      const input = files.addInput(file);
      try {
        const result = await api.inspect(input, shownName(file));
        return result.ok ? result : failed(result);
      } finally {
        files.release(input);
      }
    });
  },

  // A sample of the model's points for the page's pictures, sent back without a copy.
  sample({ file }) {
    return onModel(file, async () => {
      const input = files.addInput(file);
      try {
        const result = await api.sample(input, shownName(file));
        if (!result.ok) return failed(result);
        result.transfer = [result.points.buffer, result.kinds.buffer];
        return result;
      } finally {
        files.release(input);
      }
    });
  },

  async 'start-run'() {
    await startRun();
    return { ok: true };
  },

  // `deflate`: the output is also compressed here for the zip that will hold it, so that the
  // models of a zip are compressed by as many workers as scale them.
  scale({ file, outputName, factors, deflate }) {
    return onModel(file, async () => {
      const input = files.addInput(file);
      const zipped = deflate ? await deflatedAsWritten(outputName) : null;
      const output = files.addOutput(await newOutput(), zipped && zipped.watcher);
      const started = performance.now();
      try {
        const result = await api.scale(input, shownName(file), output, outputName, factors);
        if (!result.ok) {
          files.release(output);
          return failed(result);
        }
        result.blob = await files.finish(output, 'model/x-tessary-mdl');
        result.milliseconds = performance.now() - started;
        if (zipped) result.deflated = await zipped.finish(result.blob);
        result.reading = suspending ? 'suspending' : 'synchronous';
        return result;
      } finally {
        files.release(input);
        files.release(output);
        if (zipped) zipped.release();
      }
    });
  },

  // The outputs as one zip of the entries deflated by the workers that scaled them, read and
  // written a piece at a time (each piece read as a promise, so that the collector frees the
  // ones before).
  async zip({ entries }) {
    const total = entries.reduce((sum, entry) => sum + entry.blob.size, 0);
    if (total > ZIP_LIMIT || entries.length > 65535) return { ok: false, tooLarge: true };
    const output = files.addOutput(await newOutput());
    let failure = null;
    const zip = new fflate.Zip((error, chunk) => {
      if (error) failure = error;
      else if (files.write(output, chunk) < 0) failure = new Error('the zip could not be written');
    });
    let done = 0;
    const piece = 1 << 20;
    for (const entry of entries) {
      // Its compressed bytes as they are (deflated here first if the worker that scaled it did
      // not), with what the zip says of them.
      const { blob, crc, size, flag } = entry.deflated || await deflated(entry.name, entry.blob);
      const stream = { filename: entry.name, size, crc, compression: 8, flag };
      zip.add(stream);
      if (blob.size === 0) stream.ondata(null, new Uint8Array(0), true);
      for (let at = 0; at < blob.size; at += piece) {
        const end = Math.min(blob.size, at + piece);
        stream.ondata(null, await readSlice(blob, at, end), end === blob.size);
      }
      done += entry.blob.size;
      postMessage({ type: 'progress', id: current, done, total });
    }
    zip.end();
    if (failure) {
      files.release(output);
      return { ok: false, message: String(failure.message || failure) };
    }
    return { ok: true, blob: await files.finish(output, 'application/zip') };
  },
};

// One request at a time, in the order they came, though some wait for the file system.
let queue = Promise.resolve();
onmessage = (event) => {
  const request = event.data;
  queue = queue.then(() => answer(request));
};

async function answer(request) {
  await ready;
  if (!api) return;
  current = request.id;
  let reply;
  try {
    reply = await handlers[request.type](request);
  } catch (error) {
    reply = { ok: false, message: String(error && error.message || error) };
  }
  current = null;
  const transfer = (reply && reply.transfer) || [];
  if (reply) delete reply.transfer;
  postMessage({ type: 'answer', id: request.id, answer: reply }, transfer);
}
