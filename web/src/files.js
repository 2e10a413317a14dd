// The module's files in the page's worker: a model is the user's File, read a slice of 8 MiB
// at a time, either at once (FileReaderSync, for a pass that cannot wait) or as a promise (for
// a module whose reads may wait: see web/module/suspending.js), the next slice then being read
// while the pass works through this one; an output is written to a
// file of the origin's private file system through a synchronous access handle where the
// browser has one, or else kept as a list of Blobs, one per piece the pass wrote, which the
// browser keeps outside the worker's memory. Nothing is ever held whole, so the worker's
// memory stays that of the module's buffers and one slice (two while the next is read).
(function (root, factory) {
  if (typeof module === 'object' && module.exports) module.exports = factory();
  else root.TessaryFiles = factory();
})(typeof self !== 'undefined' ? self : this, function () {
  'use strict';

  // Fewer, larger reads: each read of a File is a round trip to the browser.
  const READ_AHEAD = 8 << 20;

  class Files {
    constructor(readSlice, onProgress) {
      this.readSlice = readSlice;
      this.onProgress = onProgress || (() => {});
      this.open = new Map();
      this.next = 1;
      this.lastError = '';  // what the last read that failed said
      this.lastErrorName = '';  // and its name, such as "NotFoundError"
    }

    // A model to read: a File or any Blob.
    addInput(blob) {
      return this.add({ blob, pos: 0, size: blob.size });
    }

    // An output: into `store` ({ sync, fileHandle }: a synchronous access handle of the private
    // file system and its file) when given, else collected in Blob pieces. finish() gives it.
    // `watcher`, when given, sees each write as it happens (`write(bytes, at)`, the bytes
    // valid only during the call) and each truncation (`truncate(size)`).
    addOutput(store, watcher) {
      return this.add({ parts: [], pos: 0, size: 0, output: true, store: store || null,
                        watcher: watcher || null });
    }

    add(file) {
      const handle = this.next++;
      this.open.set(handle, file);
      return handle;
    }

    // The output as a Blob (a File of the private file system when it was written there).
    async finish(handle, type) {
      const file = this.open.get(handle);
      this.open.delete(handle);
      if (file.store) {
        file.store.sync.flush();
        file.store.sync.close();
        return file.store.fileHandle.getFile();
      }
      return new Blob(file.parts, { type: type || 'application/octet-stream' });
    }

    release(handle) {
      const file = this.open.get(handle);
      this.open.delete(handle);
      if (file) file.ahead = null;
      if (file && file.blob && this.readSlice.forget) this.readSlice.forget(file.blob);
      if (file && file.store) {
        try {
          file.store.sync.close();
        } catch (error) {
          // already closed
        }
      }
    }

    size(handle) {
      const file = this.open.get(handle);
      return file ? file.size : -1;
    }

    // Copies the model's next bytes into `into` (a view of the module's memory, whose place
    // stays valid while a promise is pending) and answers their count, 0 at the end, -1 when
    // the model could not be read: at once, or as a promise where `readSlice` gives promises.
    read(handle, into) {
      const file = this.open.get(handle);
      if (!file || file.output) return -1;
      if (file.pos >= file.size) return 0;
      if (file.cache && file.pos >= file.cacheStart &&
          file.pos < file.cacheStart + file.cache.length) {
        const count = this.copy(file, into);
        // While the next slice is still coming, the pass lets the worker's event loop run once
        // at each read: the stream takes in what the browser has read meanwhile, which it
        // cannot do while the pass runs, and the browser reads on. Without it the next slice
        // barely moves until the pass waits for it.
        if (file.ahead && !file.ahead.arrived) return this.letReadingRun().then(() => count);
        return count;
      }
      file.cache = null;
      const start = file.pos;
      let slice;
      if (file.ahead && file.ahead.start === start) {
        slice = file.ahead.slice;
      } else {
        try {
          slice = this.readSlice(file.blob, start, Math.min(file.size, start + READ_AHEAD));
        } catch (error) {
          return this.failed(error);
        }
      }
      file.ahead = null;
      if (!slice || typeof slice.then !== 'function') return this.take(file, start, slice, into);
      return slice.then((bytes) => {
        const count = this.take(file, start, bytes, into);
        // The next slice is read while the pass works through this one.
        const next = start + bytes.length;
        if (bytes.length > 0 && next < file.size && this.open.get(handle) === file) {
          const ahead = this.readSlice(file.blob, next, Math.min(file.size, next + READ_AHEAD));
          const entry = { start: next, slice: ahead, arrived: false };
          // Its failure is said when it is needed, if ever.
          ahead.then(() => { entry.arrived = true; }, () => { entry.arrived = true; });
          file.ahead = entry;
        }
        return count;
      }, (error) => this.failed(error));
    }

    // A promise settled once the worker's event loop has run the tasks waiting now: a message
    // to itself, which comes after them (a timer would be held back to 4 ms when they nest).
    letReadingRun() {
      return new Promise((resolve) => {
        const channel = new MessageChannel();
        channel.port1.onmessage = () => {
          channel.port1.close();
          resolve();
        };
        channel.port2.postMessage(null);
      });
    }

    take(file, start, bytes, into) {
      if (bytes.length === 0) return 0;
      file.cache = bytes;
      file.cacheStart = start;
      return this.copy(file, into);
    }

    copy(file, into) {
      const from = file.pos - file.cacheStart;
      const count = Math.min(into.length, file.cache.length - from);
      into.set(file.cache.subarray(from, from + count));
      file.pos += count;
      return count;
    }

    // Typically the file changed or went away since it was chosen.
    failed(error) {
      this.lastError = error && error.message ? error.message : String(error);
      this.lastErrorName = (error && error.name) || '';
      return -1;
    }

    write(handle, bytes) {
      const file = this.open.get(handle);
      if (!file || !file.output) return -1;
      if (file.watcher) file.watcher.write(bytes, file.pos);
      if (file.store) {
        file.store.sync.write(bytes, { at: file.pos });
        file.pos += bytes.length;
        file.size = Math.max(file.size, file.pos);
        return bytes.length;
      }
      if (file.pos !== file.size) this.cut(file, file.pos);
      file.parts.push(new Blob([bytes]));  // a copy
      file.pos += bytes.length;
      file.size = file.pos;
      return bytes.length;
    }

    position(handle) {
      const file = this.open.get(handle);
      return file ? file.pos : -1;
    }

    // Writing goes on from `offset`; for an output, what stood after it is dropped at the
    // next write or at truncate, as the pass takes back a line.
    seek(handle, offset) {
      const file = this.open.get(handle);
      if (!file || offset > file.size) return -1;
      file.pos = offset;
      return 0;
    }

    truncate(handle, size) {
      const file = this.open.get(handle);
      if (!file || !file.output || size > file.size) return -1;
      if (file.watcher) file.watcher.truncate(size);
      if (file.store) {
        file.store.sync.truncate(size);
        file.size = size;
        file.pos = Math.min(file.pos, size);
        return 0;
      }
      this.cut(file, size);
      return 0;
    }

    cut(file, size) {
      let kept = 0;
      const parts = [];
      for (const part of file.parts) {
        if (kept >= size) break;
        const taken = Math.min(part.size, size - kept);
        parts.push(taken === part.size ? part : part.slice(0, taken));
        kept += taken;
      }
      file.parts = parts;
      file.size = size;
      if (file.pos > size) file.pos = size;
    }

    close(handle) {
      return this.open.has(handle) ? 0 : -1;
    }

    progress(done, total) {
      this.onProgress(done, total);
    }
  }

  // Slices of Blobs as promises, read through each Blob's stream into two buffers of its own
  // that take turns: the one the pass works through and the one read ahead (Files asks for a
  // slice only once the one before the last is done with). Reading a model of any size then
  // allocates nothing after its first two slices, and leaves the collector nothing to free. A
  // read that does not go on from the one before starts a new stream where it asks.
  function streamingReader(sliceBytes) {
    const streams = new WeakMap();
    const forget = (blob) => {
      const stream = streams.get(blob);
      streams.delete(blob);
      if (stream) stream.reader.cancel().catch(() => {});
    };
    const readSlice = async (blob, start, end) => {
      let stream = streams.get(blob);
      if (!stream || stream.at !== start) {
        forget(blob);
        let reader;
        try {
          reader = blob.slice(start).stream().getReader({ mode: 'byob' });
        } catch (error) {
          // A stream that cannot fill buffers of ours: the slice is read whole instead.
          return new Uint8Array(await blob.slice(start, end).arrayBuffer());
        }
        const bytes = sliceBytes || READ_AHEAD;
        stream = { reader, at: start, buffers: [new ArrayBuffer(bytes), new ArrayBuffer(bytes)] };
        streams.set(blob, stream);
      }
      // Each read hands the buffer over to the stream, which gives it back filled.
      let buffer = stream.buffers.shift();
      const wanted = Math.min(end - start, buffer.byteLength);
      let filled = 0;
      try {
        while (filled < wanted) {
          const { value, done } =
            await stream.reader.read(new Uint8Array(buffer, filled, wanted - filled));
          if (value) buffer = value.buffer;
          if (done) break;
          filled += value.length;
        }
      } catch (error) {
        forget(blob);
        throw error;
      }
      stream.buffers.push(buffer);
      stream.at = start + filled;
      return new Uint8Array(buffer, 0, filled);
    };
    readSlice.forget = forget;
    return readSlice;
  }

  // A watcher of an output's writes (see Files.addOutput) that hands `take` a copy of each
  // piece written while the output only grows at its end. Once the pass writes elsewhere or
  // cuts the output short (as it does when it takes back a line it has flushed), it hands
  // nothing more and `intact` is false; `length` is what it handed.
  function appendedBytes(take) {
    return {
      length: 0,
      intact: true,
      write(bytes, at) {
        if (!this.intact || bytes.length === 0) return;
        if (at !== this.length) {
          this.intact = false;
          return;
        }
        take(bytes.slice());
        this.length += bytes.length;
      },
      truncate(size) {
        if (size !== this.length) this.intact = false;
      },
    };
  }

  return { Files, streamingReader, appendedBytes };
});
