// Sixteen bytes at a time, for the browser's module: WebAssembly's 128-bit SIMD through the
// compiler's vector extensions and builtins (no toolchain header). Defined only where the
// target has it (the module is compiled with -msimd128); the native programs never see it.
#pragma once

#ifdef __wasm_simd128__

#include <cstdint>

namespace tessary::simd {

typedef signed char Bytes __attribute__((vector_size(16)));
typedef unsigned char UnsignedBytes __attribute__((vector_size(16)));
typedef short Shorts __attribute__((vector_size(16)));
typedef unsigned short UnsignedShorts __attribute__((vector_size(16)));
typedef int Ints __attribute__((vector_size(16)));

inline constexpr int kWidth = 16;

/// The same 16 bytes seen as other lanes.
template <typename To, typename From>
[[gnu::always_inline]] inline To As(From lanes) {
  return __builtin_bit_cast(To, lanes);
}

/// The 16 bytes at `p`, which need no alignment.
[[gnu::always_inline]] inline Bytes Load(const char* p) {
  Bytes bytes;
  __builtin_memcpy(&bytes, p, sizeof bytes);
  return bytes;
}

/// Bit i set when lane i of `lanes` (each 0 or -1, as comparisons give) is set.
[[gnu::always_inline]] inline std::uint32_t MaskOf(Bytes lanes) {
  return static_cast<std::uint32_t>(__builtin_wasm_bitmask_i8x16(lanes));
}

/// Lanes 0, 1, ..., 15.
inline constexpr Bytes kLaneIndices = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

/// Lane i is lane `index[i]` of `bytes`, or 0 where that index is not below 16 (as an unsigned
/// byte: a negative index gives 0 too).
[[gnu::always_inline]] inline Bytes Pick(Bytes bytes, Bytes index) {
  return __builtin_wasm_swizzle_i8x16(bytes, index);
}

/// The first `count` bytes from `p` (all 16 when `count` is 16 or more) in the first lanes,
/// zeros after them, reading nothing from `p + count` on when `count` is less: then the 16
/// bytes that end there, which must be there to read, moved down.
[[gnu::always_inline]] inline Bytes LoadUpTo(const char* p, int count) {
  if (count >= kWidth) return Load(p);
  return Pick(Load(p + count - kWidth), kLaneIndices + static_cast<signed char>(kWidth - count));
}

/// Bit i set where byte i is `c`.
[[gnu::always_inline]] inline std::uint32_t MaskOfByte(Bytes bytes, char c) {
  return MaskOf(bytes == static_cast<signed char>(c));
}

/// Bit i set where byte i is a decimal digit.
[[gnu::always_inline]] inline std::uint32_t MaskOfDigits(Bytes bytes) {
  return MaskOf(As<UnsignedBytes>(bytes - '0') <= 9);
}

/// Bit i set where byte i is C-locale whitespace: tab, line feed, vertical tab, form feed,
/// carriage return or space.
[[gnu::always_inline]] inline std::uint32_t MaskOfSpaces(Bytes bytes) {
  return MaskOf((As<UnsignedBytes>(bytes - '\t') <= '\r' - '\t') | (bytes == ' '));
}

/// The value of the 16 decimal digits (each byte 0 to 9, not '0' to '9') of `digits`, the
/// first lane the most significant: pairs, then groups of four, then of eight, in the lanes.
[[gnu::always_inline]] inline std::uint64_t SixteenDigitsValue(Bytes digits) {
  // Each 16-bit lane holds two digits, the first in its low byte.
  const auto pairsOfBytes = As<UnsignedShorts>(digits);
  const UnsignedShorts pairs = (pairsOfBytes & 0xFF) * 10 + (pairsOfBytes >> 8);
  const Shorts kHundredAndOne = {100, 1, 100, 1, 100, 1, 100, 1};
  const Ints fours = __builtin_wasm_dot_s_i32x4_i16x8(As<Shorts>(pairs), kHundredAndOne);
  const Shorts fourDigits = As<Shorts>(__builtin_wasm_narrow_u_i16x8_i32x4(fours, fours));
  const Shorts kTenThousandAndOne = {10000, 1, 10000, 1, 10000, 1, 10000, 1};
  const Ints eights = __builtin_wasm_dot_s_i32x4_i16x8(fourDigits, kTenThousandAndOne);
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(eights[0])) * 100'000'000 +
         static_cast<std::uint32_t>(eights[1]);
}

}  // namespace tessary::simd

#endif
