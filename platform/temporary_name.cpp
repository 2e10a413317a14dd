#include "platform/temporary_name.h"

#include <algorithm>
#include <random>
#include <string_view>

namespace tessary::platform {

namespace {

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::string_view kMark = ".tessary-";
constexpr std::size_t kRandomLetters = 6;

// How much of `name` a temporary name keeps.
std::size_t KeptLength(const std::string& name) {
  constexpr std::size_t kLongest = 200;
  std::size_t length = std::min(name.size(), kLongest);
  // Not in the middle of a character: back to the first byte of the one cut.
  if (length < name.size()) {
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
      --length;
  }
  return length;
}

}  // namespace

std::string TemporaryName(const std::string& name) {
  const std::size_t length = KeptLength(name);
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
  std::string result;
  result.reserve(length + 16);
  result.append(1, '.').append(name, 0, length).append(kMark);
  for (std::size_t i = 0; i < kRandomLetters; ++i)
    result += kLetters[letter(random)];
  return result;
}

bool IsTemporaryNameOf(const std::string& candidate, const std::string& name) {
  const std::size_t length = KeptLength(name);
  if (candidate.size() != 1 + length + kMark.size() + kRandomLetters || candidate[0] != '.' ||
      candidate.compare(1, length, name, 0, length) != 0 ||
      candidate.compare(1 + length, kMark.size(), kMark) != 0) {
    return false;
  }
  const std::string_view letters(kLetters, sizeof kLetters - 1);
  return candidate.find_first_not_of(letters, 1 + length + kMark.size()) == std::string::npos;
}

}  // namespace tessary::platform
