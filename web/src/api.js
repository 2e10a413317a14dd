// The module's calls, wrapped for the worker and for Node's tests: one object per module, with
// a run's record as a plain object, read by its fields' names.
(function (root, factory) {
  if (typeof module === 'object' && module.exports) module.exports = factory();
  else root.TessaryApi = factory();
})(typeof self !== 'undefined' ? self : this, function () {
  'use strict';

  // The last run's record, by its fields' names (see tessary_record in the module), with the
  // numbers that are not finite, which JSON has no word for, read back from their strings.
  const NOT_FINITE = { Infinity, '-Infinity': -Infinity, NaN };
  function record(module) {
    return JSON.parse(module.UTF8ToString(module._tessary_record()), (key, value) =>
      typeof value === 'string' && key !== 'status' && Object.hasOwn(NOT_FINITE, value) &&
      value !== '' ? NOT_FINITE[value] : value);
  }

  // The C strings of `texts` in the module's memory while `call` runs on their addresses;
  // they stay there until its promise has settled.
  async function withStrings(module, texts, call) {
    const addresses = [];
    try {
      for (const text of texts) {
        const size = module.lengthBytesUTF8(text) + 1;
        const at = module._malloc(size);
        if (!at) throw new Error('Not enough memory to scale the model.');
        addresses.push(at);
        module.stringToUTF8(text, at, size);
      }
      return await call(...addresses);
    } finally {
      for (const at of addresses) module._free(at);
    }
  }

  // `bytes` (a Uint8Array) in the module's memory while `call` runs on their address and count.
  function withBytes(module, bytes, call) {
    const at = module._malloc(Math.max(1, bytes.length));
    if (!at) throw new Error('Not enough memory to scale the model.');
    try {
      module.HEAPU8.set(bytes, at);
      return call(at, bytes.length);
    } finally {
      module._free(at);
    }
  }

  // A number the module read or chose, or why there is none: { value } or { reason }.
  function numberOrReason(module, status) {
    return status === 0 ? { value: module._tessary_result(0) }
                        : { reason: module.UTF8ToString(module._tessary_reason()) };
  }

  const utf8 = new TextEncoder();

  // The record of a run as the page takes it: { ok, ... } with what the model holds or what
  // the pass did, or why it failed in tessary-scale's words ("sentence").
  function outcome(module, status) {
    const found = record(module);
    return { ok: status === 0, noMemory: status === 2, ...found, ...(found.stats || {}) };
  }

  // inspect and scale answer at once, or a promise where the module was made with reads that
  // may wait (`tessaryAsync`, in a browser that can suspend WebAssembly): `suspending` says so.
  function wrap(module) {
    const promising = module.tessaryPromising;
    const entries = promising ? { inspect: promising(module._tessary_entry(0)),
                                  scale: promising(module._tessary_entry(1)),
                                  sample: promising(module._tessary_entry(2)) } : null;
    // The last sample's points, copied out of the module's memory.
    const sampled = (status) => {
      const found = outcome(module, status);
      if (!found.ok) return found;
      const kept = found.sample.kept;
      const at = module._tessary_sample_points() / 8;
      const kindsAt = module._tessary_sample_kinds();
      return { ok: true, ...found.sample,
               points: module.HEAPF64.slice(at, at + 3 * kept),
               kinds: module.HEAPU8.slice(kindsAt, kindsAt + kept) };
    };
    return {
      suspending: Boolean(entries),
      version() {
        return module.UTF8ToString(module._tessary_version());
      },
      // A scale factor's text read as tessary-scale reads it: { value } or { reason }, such
      // as "scale factor '1,5' is not a number".
      readFactor(text) {
        return withBytes(module, utf8.encode(String(text)), (at, size) =>
          numberOrReason(module, module._tessary_read_factor(at, size)));
      },
      // The length of "Fit an axis to a length", read as tessary-scale reads --fit's.
      readFitLength(text) {
        return withBytes(module, utf8.encode(String(text)), (at, size) =>
          numberOrReason(module, module._tessary_read_fit_length(at, size)));
      },
      // The factor that gives the vertex points of `info` (as inspect gave it) `length` along
      // `axis` (0, 1, 2), as tessary-scale --fit chooses it: { value }, or { reason, sentence }
      // where the sentence is tessary-scale's for the model called `name`.
      fitFactor(info, axis, length, name = '') {
        [info.positions, info.vertices, info.keys].forEach((counts, kind) => {
          const box = counts.box;
          const min = box ? box.min : [Infinity, Infinity, Infinity];
          const max = box ? box.max : [-Infinity, -Infinity, -Infinity];
          module._tessary_set_box(kind, min[0], min[1], min[2], max[0], max[1], max[2],
                                  counts.largestFinite || 0);
        });
        const fit = numberOrReason(module, module._tessary_fit(axis, length));
        if (fit.reason === undefined) return fit;
        return withBytes(module, utf8.encode(String(name) + '\0'), (at) =>
          ({ ...fit, sentence: module.UTF8ToString(module._tessary_fit_sentence(at)) }));
      },
      // How many bytes of a file's start checkText looks at.
      textSample() {
        return module._tessary_text_sample();
      },
      // Why the first bytes of a file show that it is not model text, or '' when they may be:
      // the rule tessary-scale applies before it scales a file.
      checkText(bytes) {
        return withBytes(module, bytes, (at, size) =>
          module._tessary_check_text(at, size) === 0 ? ''
            : module.UTF8ToString(module._tessary_reason()));
      },
      // A number as tessary-scale writes it in messages: "0.0544", "1e+300".
      numberText(value) {
        return module.UTF8ToString(module._tessary_number_text(value));
      },
      inspect(input, name) {
        if (entries) {
          return withStrings(module, [name], (at) => entries.inspect(input, at))
            .then((status) => outcome(module, status));
        }
        const status = module.ccall('tessary_inspect', 'number', ['number', 'string'],
                                    [input, name]);
        return outcome(module, status);
      },
      // A sample of at most sampleSize() of the points the pass would scale, the same every
      // time: { ok, kept, positions, vertices, keys (the points of each kind read), points
      // (x, y, z each, a Float64Array), kinds (0 position, 1 vertex, 2 key) }, or { ok: false,
      // sentence }.
      sample(input, name) {
        if (entries) {
          return withStrings(module, [name], (at) => entries.sample(input, at)).then(sampled);
        }
        return sampled(module.ccall('tessary_sample', 'number', ['number', 'string'],
                                    [input, name]));
      },
      sampleSize() {
        return module._tessary_sample_size();
      },
      scale(input, name, output, outputName, factors) {
        const [x, y, z] = factors;
        if (entries) {
          return withStrings(module, [name, outputName], (nameAt, outputAt) =>
            entries.scale(input, nameAt, output, outputAt, x, y, z))
            .then((status) => outcome(module, status));
        }
        const status = module.ccall(
          'tessary_scale', 'number',
          ['number', 'string', 'number', 'string', 'number', 'number', 'number'],
          [input, name, output, outputName, x, y, z]);
        return outcome(module, status);
      },
    };
  }

  return { wrap };
});
