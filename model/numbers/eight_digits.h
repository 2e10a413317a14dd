// Reading eight decimal digits at once.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace tessary {

// Eight digits at a time, in one 64-bit word ("SWAR"): the digit test and the conversion are
// the well-known tricks that fast_float (Daniel Lemire and contributors) and simdjson use,
// after Wojciech Mula's description of parsing eight digits with three multiplications.
//
// True when the eight bytes of `bytes` are all decimal digits.
inline bool AreEightDigits(std::uint64_t bytes) {
  return (((bytes & 0xF0F0F0F0F0F0F0F0) |
           (((bytes + 0x0606060606060606) & 0xF0F0F0F0F0F0F0F0) >> 4)) == 0x3333333333333333);
}

// The value of eight decimal digits, first digit in the lowest byte: pairs, then quads, then
// the two halves are combined with multiplications instead of eight steps.
inline std::uint32_t EightDigitsValue(std::uint64_t bytes) {
  bytes -= 0x3030303030303030;
  bytes = bytes * 10 + (bytes >> 8);  // each even byte: two digits
  bytes = (((bytes & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
           (((bytes >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
          32;
  return static_cast<std::uint32_t>(bytes);
}

/// The eight bytes at `p` as one word, the first byte lowest.
inline std::uint64_t LoadEightBytes(const char* p) {
  std::uint64_t bytes;
  std::memcpy(&bytes, p, 8);
  if constexpr (std::endian::native != std::endian::little) bytes = __builtin_bswap64(bytes);
  return bytes;
}

}  // namespace tessary
