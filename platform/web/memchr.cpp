// The C library's memchr for the browser's module, eight bytes at a time. The pass looks for
// the end of every line with it (and for a Ctrl-Z in every block it reads); the C library
// that emscripten links tests one 4-byte word at a time after aligning, since size_t is 32
// bits in wasm32, where 64-bit integer operations are just as fast as 32-bit ones. Defined
// here, it is the only memchr the module links; the native programs keep their C library's.
#include <cstddef>
#include <cstdint>

namespace {

constexpr std::uint64_t kOnes = 0x0101'0101'0101'0101;
constexpr std::uint64_t kHighBits = 0x8080'8080'8080'8080;

}  // namespace

extern "C" void* memchr(const void* source, int value, std::size_t size) {
  auto p = static_cast<const unsigned char*>(source);
  const auto byte = static_cast<unsigned char>(value);
  const std::uint64_t pattern = kOnes * byte;
  for (; size >= 8; size -= 8, p += 8) {
    std::uint64_t word;
    __builtin_memcpy(&word, p, 8);
    word ^= pattern;  // the bytes equal to `byte` are now zero
    // The high bit of each zero byte, and possibly of bytes above one (a borrow); the
    // lowest set bit is the first zero byte's, wasm32 being little-endian.
    const std::uint64_t zeros = (word - kOnes) & ~word & kHighBits;
    if (zeros != 0) return const_cast<unsigned char*>(p + (__builtin_ctzll(zeros) >> 3));
  }
  for (; size > 0; --size, ++p) {
    if (*p == byte) return const_cast<unsigned char*>(p);
  }
  return nullptr;
}
