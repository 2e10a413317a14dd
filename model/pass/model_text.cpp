#include "model/pass/model_text.h"

#include <vector>

#include "model/pass/file_error.h"
#include "model/pass/input_file.h"

namespace tessary {
namespace {

constexpr std::size_t kFewestControlBytes = 32;
constexpr std::size_t kMostInHundred = 8;

bool IsControl(unsigned char c) {
  return c != 0 && c < 0x20 && !(c >= '\t' && c <= '\r') && c != 0x1A;
}

}  // namespace

std::string NotModelTextReason(std::string_view start) {
  if (start.size() > kModelTextSample) start = start.substr(0, kModelTextSample);
  std::size_t control = 0;
  std::size_t nul = 0;
  for (const char c : start) {
    control += IsControl(static_cast<unsigned char>(c)) ? 1 : 0;
    nul += c == '\0' ? 1 : 0;
  }
  if (control < kFewestControlBytes || control * 100 <= (start.size() - nul) * kMostInHundred) {
    return {};
  }
  return "is not model text: " + std::to_string(control) + " of its first " +
         std::to_string(start.size()) +
         " bytes are control characters other than NUL, as in a picture, an archive or a program";
}

std::string NotModelTextReason(InputFile& input, const PassControl& control) {
  std::vector<char> start(kModelTextSample);
  std::size_t filled = 0;
  while (filled < start.size()) {
    std::size_t count = 0;
    if (control.cancelled()) throw PassCancelled();
    if (const platform::Error error =
            input.file().Read(start.data() + filled, start.size() - filled, count);
        error != 0) {
      if (platform::IsKind(error, platform::ErrorKind::Interrupted)) continue;
      throw FileError::ReadFailure(input.path(), error);
    }
    if (count == 0) break;
    filled += count;
  }
  input.Rewind();
  return NotModelTextReason(std::string_view(start.data(), filled));
}

}  // namespace tessary
