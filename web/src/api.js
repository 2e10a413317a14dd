// The module's calls, wrapped for the worker and for Node's tests: one object per module, with
// the model's report and the pass's outcome as plain objects.
(function (root, factory) {
  if (typeof module === 'object' && module.exports) module.exports = factory();
  else root.TessaryApi = factory();
})(typeof self !== 'undefined' ? self : this, function () {
  'use strict';

  function box(module, at) {
    const value = (i) => module._tessary_result(at + i);
    const min = [value(0), value(1), value(2)];
    const max = [value(3), value(4), value(5)];
    // Empty until the first point: min +inf, max -inf.
    return min[0] === Infinity && max[0] === -Infinity ? null : { min, max };
  }

  function counts(module, at) {
    return {
      blocks: module._tessary_result(at),
      lines: module._tessary_result(at + 1),
      box: box(module, at + 2),
    };
  }

  function failure(module, status) {
    return {
      ok: false,
      noMemory: status === 2,
      message: module.UTF8ToString(module._tessary_message()),
      reason: module.UTF8ToString(module._tessary_reason()),
    };
  }

  function wrap(module) {
    return {
      version() {
        return module.UTF8ToString(module._tessary_version());
      },
      // A factor's text read with atof rules: "1d2" is 1, "x" is 0.
      parseNumber(text) {
        return module.ccall('tessary_parse_number', 'number', ['string'], [String(text)]);
      },
      inspect(input, name) {
        const status = module.ccall('tessary_inspect', 'number', ['number', 'string'],
                                    [input, name]);
        if (status !== 0) return failure(module, status);
        return {
          ok: true,
          info: {
            lines: module._tessary_result(0),
            positions: counts(module, 1),
            vertices: counts(module, 9),
            keys: counts(module, 17),
          },
        };
      },
      scale(input, name, output, outputName, factors) {
        const status = module.ccall(
          'tessary_scale', 'number',
          ['number', 'string', 'number', 'string', 'number', 'number', 'number'],
          [input, name, output, outputName, factors[0], factors[1], factors[2]]);
        if (status !== 0) return failure(module, status);
        return {
          ok: true,
          message: module.UTF8ToString(module._tessary_message()),
          lines: module._tessary_result(0),
          points: module._tessary_result(1),
          bytesRead: module._tessary_result(2),
          bytesWritten: module._tessary_result(3),
        };
      },
    };
  }

  return { wrap };
});
