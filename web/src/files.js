// The module's files in the page's worker: a model is the user's File, read a slice at a time
// (FileReaderSync, so that the pass can stay synchronous); an output is a list of Blobs, one
// per piece the pass wrote, which the browser keeps outside the worker's memory. Nothing is
// ever read whole, so the worker's memory stays that of the module's buffers.
(function (root, factory) {
  if (typeof module === 'object' && module.exports) module.exports = factory();
  else root.TessaryFiles = factory();
})(typeof self !== 'undefined' ? self : this, function () {
  'use strict';

  // The bytes of a Blob's slice, synchronously; given by the worker (FileReaderSync), or by a
  // test.
  class Files {
    constructor(readSlice, onProgress) {
      this.readSlice = readSlice;
      this.onProgress = onProgress || (() => {});
      this.open = new Map();
      this.next = 1;
      this.lastError = '';
    }

    // A model to read: a File or any Blob.
    addInput(blob) {
      return this.add({ blob, pos: 0, size: blob.size });
    }

    // An output, collected in pieces; take() gives it as one Blob.
    addOutput() {
      return this.add({ parts: [], pos: 0, size: 0, output: true });
    }

    add(file) {
      const handle = this.next++;
      this.open.set(handle, file);
      return handle;
    }

    take(handle, type) {
      const file = this.open.get(handle);
      this.open.delete(handle);
      return new Blob(file.parts, { type: type || 'application/octet-stream' });
    }

    release(handle) {
      this.open.delete(handle);
    }

    size(handle) {
      const file = this.open.get(handle);
      return file ? file.size : -1;
    }

    read(handle, into) {
      const file = this.open.get(handle);
      if (!file || file.output) return -1;
      const end = Math.min(file.size, file.pos + into.length);
      if (end <= file.pos) return 0;
      let bytes;
      try {
        bytes = this.readSlice(file.blob, file.pos, end);
      } catch (error) {
        // Typically the file changed or went away since it was chosen.
        this.lastError = error && error.message ? error.message : String(error);
        return -1;
      }
      into.set(bytes);
      file.pos += bytes.length;
      return bytes.length;
    }

    write(handle, bytes) {
      const file = this.open.get(handle);
      if (!file || !file.output) return -1;
      if (file.pos !== file.size) this.cut(file, file.pos);
      file.parts.push(new Blob([bytes]));
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

  return { Files };
});
