// Fills in what Debian's emscripten (3.1.6) leaves out of C++20's standard library, so that
// model/ compiles unchanged. Force-included into every source of the module; each piece
// steps aside when the library has it.
#pragma once

#include <bit>
#include <type_traits>

#if !defined(__cpp_lib_bit_cast)
namespace std {
// The compiler's own builtin, which is what the library's version is made of.
template <class To, class From>
requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
         is_trivially_copyable_v<From>) constexpr To bit_cast(const From& from) noexcept {
  return __builtin_bit_cast(To, from);
}
}  // namespace std
#endif
