// The C library's memchr for the browser's module, with WebAssembly's 128-bit SIMD: 64 bytes
// at a time while the byte is not among them, then 16 at a time. The pass looks for the end of
// every long line with it, and for a Ctrl-Z in every block it reads (a MiB at a time); the C
// library that emscripten links tests one 4-byte word at a time. Defined here, it is the only
// memchr the module links; the native programs keep their C library's.
#include <wasm_simd128.h>

#include <cstddef>
#include <cstdint>

namespace {

// The first byte equal to `pattern`'s among the 16 at `p`, or null.
const unsigned char* FindInBlock(const unsigned char* p, v128_t pattern) {
  const std::uint32_t mask = wasm_i8x16_bitmask(wasm_i8x16_eq(wasm_v128_load(p), pattern));
  return mask != 0 ? p + __builtin_ctz(mask) : nullptr;
}

}  // namespace

extern "C" void* memchr(const void* source, int value, std::size_t size) {
  auto p = static_cast<const unsigned char*>(source);
  const auto byte = static_cast<unsigned char>(value);
  const v128_t pattern = wasm_i8x16_splat(static_cast<std::int8_t>(byte));
  for (; size >= 64; size -= 64, p += 64) {
    const v128_t found = wasm_v128_or(wasm_v128_or(wasm_i8x16_eq(wasm_v128_load(p), pattern),
                                                   wasm_i8x16_eq(wasm_v128_load(p + 16), pattern)),
                                      wasm_v128_or(wasm_i8x16_eq(wasm_v128_load(p + 32), pattern),
                                                   wasm_i8x16_eq(wasm_v128_load(p + 48), pattern)));
    if (wasm_v128_any_true(found)) break;  // in one of these four blocks, found below
  }
  for (; size >= 16; size -= 16, p += 16) {
    if (const unsigned char* at = FindInBlock(p, pattern)) return const_cast<unsigned char*>(at);
  }
  for (; size > 0; --size, ++p) {
    if (*p == byte) return const_cast<unsigned char*>(p);
  }
  return nullptr;
}
