// The module's files and progress, as the page provides them: every import calls the object
// given as `tessaryFiles` when the module was created (see web/src/files.js for the page's and
// web/test/node-files.js for Node's). Each answers a number, negative when it failed; read may
// answer a promise of it instead where the module was made to wait for one (suspending.js).
// The bytes given to read and write are views of the module's memory, which has a fixed size:
// they stay valid until the call has answered, promise or not.
mergeInto(LibraryManager.library, {
  tessary_web_file_size: function (handle) {
    return Module['tessaryFiles'].size(handle);
  },
  tessary_web_file_read: function (handle, into, size) {
    return Module['tessaryFiles'].read(handle, HEAPU8.subarray(into, into + size));
  },
  tessary_web_file_write: function (handle, data, size) {
    return Module['tessaryFiles'].write(handle, HEAPU8.subarray(data, data + size));
  },
  tessary_web_file_position: function (handle) {
    return Module['tessaryFiles'].position(handle);
  },
  tessary_web_file_seek: function (handle, offset) {
    return Module['tessaryFiles'].seek(handle, offset);
  },
  tessary_web_file_truncate: function (handle, size) {
    return Module['tessaryFiles'].truncate(handle, size);
  },
  tessary_web_file_close: function (handle) {
    return Module['tessaryFiles'].close(handle);
  },
  tessary_web_progress: function (done, total) {
    Module['tessaryFiles'].progress(done, total);
  },
});
