// The module's files under Node: handles over real files, read and written at their own
// offsets, as the page's worker does with the user's files and its output pieces.
'use strict';
const fs = require('node:fs');

class NodeFiles {
  constructor() {
    this.open = new Map();
    this.next = 1;
    this.progressCalls = [];
  }
  openToRead(path) {
    const fd = fs.openSync(path, 'r');
    return this.add({ fd, pos: 0, size: fs.fstatSync(fd).size });
  }
  openToWrite(path) {
    const fd = fs.openSync(path, 'w');
    return this.add({ fd, pos: 0, size: 0 });
  }
  add(file) {
    const handle = this.next++;
    this.open.set(handle, file);
    return handle;
  }
  closeAll() {
    for (const handle of [...this.open.keys()]) this.close(handle);
  }
  size(handle) {
    const file = this.open.get(handle);
    return file ? file.size : -1;
  }
  read(handle, into) {
    const file = this.open.get(handle);
    const count = fs.readSync(file.fd, into, 0, into.length, file.pos);
    file.pos += count;
    return count;
  }
  write(handle, bytes) {
    const file = this.open.get(handle);
    const count = fs.writeSync(file.fd, bytes, 0, bytes.length, file.pos);
    file.pos += count;
    file.size = Math.max(file.size, file.pos);
    return count;
  }
  position(handle) {
    return this.open.get(handle).pos;
  }
  seek(handle, offset) {
    this.open.get(handle).pos = offset;
    return 0;
  }
  truncate(handle, size) {
    const file = this.open.get(handle);
    fs.ftruncateSync(file.fd, size);
    file.size = size;
    return 0;
  }
  close(handle) {
    const file = this.open.get(handle);
    if (!file) return -1;
    fs.closeSync(file.fd);
    this.open.delete(handle);
    return 0;
  }
  progress(done, total) {
    this.progressCalls.push([done, total]);
  }
}

// The module built by `make web`, with these files.
async function loadModule(buildDir, files) {
  const path = require('node:path');
  const createTessaryModule = require(path.join(buildDir, 'tessary.js'));
  const wasmBinary = fs.readFileSync(path.join(buildDir, 'tessary.wasm'));
  const module = await createTessaryModule({ tessaryFiles: files, wasmBinary });
  return require(path.join(__dirname, '..', 'src', 'api.js')).wrap(module);
}

module.exports = { NodeFiles, loadModule };
