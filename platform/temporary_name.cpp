#include "platform/temporary_name.h"

#include <algorithm>
#include <random>

namespace tessary::platform {

std::string TemporaryName(const std::string& name) {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  constexpr std::size_t kLongest = 200;
  std::size_t length = std::min(name.size(), kLongest);
  // Not in the middle of a character: back to the first byte of the one cut.
  if (length < name.size()) {
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
      --length;
  }
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
  std::string result;
  result.reserve(length + 16);
  result.append(1, '.').append(name, 0, length).append(".tessary-");
  for (int i = 0; i < 6; ++i)
    result += kLetters[letter(random)];
  return result;
}

}  // namespace tessary::platform
