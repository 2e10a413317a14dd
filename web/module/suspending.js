// Reading without holding the worker: where the engine can suspend WebAssembly while it waits
// for a promise (JavaScript Promise Integration: WebAssembly.Suspending and .promising), and
// the page asks for it with `tessaryAsync: true`, the read import may answer with a promise of
// its count, and the calls that read run as promises. The worker's event loop then runs
// between two slices of a model, and its collector frees each slice once it has been copied.
// Elsewhere (and under Node) nothing changes: reads answer at once, the calls are synchronous.
// Placed before the module's own code (--pre-js), so it sees the module's functions by name.
if (Module['tessaryAsync'] && typeof WebAssembly.Suspending === 'function' &&
    typeof WebAssembly.promising === 'function') {
  Module['instantiateWasm'] = function (imports, receiveInstance) {
    // Import names are shortened by the build: the read import is found by what it is.
    var found = 0;
    Object.keys(imports).forEach(function (space) {
      Object.keys(imports[space]).forEach(function (name) {
        if (imports[space][name] === _tessary_web_file_read) {
          imports[space][name] = new WebAssembly.Suspending(_tessary_web_file_read);
          ++found;
        }
      });
    });
    if (found !== 1) throw new Error('the module has no read import to suspend');
    getBinaryPromise().then(function (binary) {
      return WebAssembly.instantiate(binary, imports);
    }).then(function (result) {
      receiveInstance(result.instance, result.module);
    }, readyPromiseReject);
    return {};
  };
  // A call that reads, by its place in the module's table of functions (see tessary_entry),
  // as a function that answers a promise of its status.
  Module['tessaryPromising'] = function (entry) {
    return WebAssembly.promising(wasmTable.get(entry));
  };
}
