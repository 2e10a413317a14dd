#include "model/pass/model_text.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "model/numbers/eight_digits.h"
#include "model/pass/file_error.h"
#include "model/pass/input_file.h"

namespace tessary {
namespace {

constexpr std::size_t kFewestControlBytes = 32;
constexpr std::size_t kMostInHundred = 8;

constexpr std::uint64_t kOnes = 0x0101010101010101;
constexpr std::uint64_t kHigh = 0x8080808080808080;

// The high bit of each byte of `w` below `limit` (at most 0x80).
constexpr std::uint64_t BytesBelow(std::uint64_t w, unsigned limit) {
  return ~((w & ~kHigh) + kOnes * (0x80 - limit)) & ~w & kHigh;
}

// The high bit of each byte of `w` that is zero.
constexpr std::uint64_t ZeroBytes(std::uint64_t w) {
  return ~(((w & ~kHigh) + ~kHigh) | w) & kHigh;
}

// How many bytes `marks` marks (each by its high bit alone): their sum in the top byte.
constexpr std::size_t Marked(std::uint64_t marks) {
  return static_cast<std::size_t>(((marks >> 7) * kOnes) >> 56);
}

// The high bit of each byte of `w` that counts as a control character: the C0 controls but
// for NUL, the whitespace of the pass (tab, line feed, vertical tab, form feed, carriage
// return) and Ctrl-Z. Eight bytes at a time, without a branch a byte.
constexpr std::uint64_t ControlBytes(std::uint64_t w) {
  const std::uint64_t whitespace = BytesBelow(w, 0x0E) & ~BytesBelow(w, 0x09);
  const std::uint64_t ctrlZ = ZeroBytes(w ^ (kOnes * 0x1A));
  return BytesBelow(w, 0x20) & ~ZeroBytes(w) & ~whitespace & ~ctrlZ;
}

}  // namespace

std::string NotModelTextReason(std::string_view start) {
  if (start.size() > kModelTextSample) start = start.substr(0, kModelTextSample);
  std::size_t control = 0;
  std::size_t nul = 0;
  std::size_t at = 0;
  for (; at + 8 <= start.size(); at += 8) {
    const std::uint64_t word = LoadEightBytes(start.data() + at);
    control += Marked(ControlBytes(word));
    nul += Marked(ZeroBytes(word));
  }
  if (at < start.size()) {  // the last bytes, in a word of their own padded with spaces
    std::uint64_t word = kOnes * ' ';
    std::memcpy(&word, start.data() + at, start.size() - at);
    control += Marked(ControlBytes(word));
    nul += Marked(ZeroBytes(word));
  }
  if (control < kFewestControlBytes || control * 100 <= (start.size() - nul) * kMostInHundred) {
    return {};
  }
  return "is not model text: " + std::to_string(control) + " of its first " +
         std::to_string(start.size()) +
         " bytes are control characters other than NUL, as in a picture, an archive or a program";
}

std::string NotModelTextReason(InputFile& input, const PassControl& control) {
  // Left as it comes (not zeroed): only what was read is looked at.
  const std::unique_ptr<char[]> start(new char[kModelTextSample]);
  std::size_t filled = 0;
  while (filled < kModelTextSample) {
    std::size_t count = 0;
    if (control.cancelled()) throw PassCancelled();
    if (const platform::Error error =
            input.file().Read(start.get() + filled, kModelTextSample - filled, count);
        error != 0) {
      if (platform::IsKind(error, platform::ErrorKind::Interrupted)) continue;
      throw FileError::ReadFailure(input.path(), error);
    }
    if (count == 0) break;
    filled += count;
  }
  input.Rewind();
  return NotModelTextReason(std::string_view(start.get(), filled));
}

}  // namespace tessary
