// Fuzz target: the whole pass on arbitrary bytes. It must not crash; every output line ends
// in "\r\n"; a model without any keyword comes out line for line; the same input always gives
// the same output.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "model/scaling_pass.h"

namespace {

std::string Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/tessary-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    return std::string(pattern);
  }();
  return folder;
}

std::string Scale(const std::string& input) {
  const std::string in = Folder() + "/in.mdl";
  const std::string out = Folder() + "/out.mdl";
  std::ofstream(in, std::ios::binary)
      .write(input.data(), static_cast<std::streamsize>(input.size()));
  if (tessary::ScaleModelFile(in, out, "2", "-0.5", "1e3") != tessary::ScaleResult::Done) {
    std::abort();
  }
  std::ifstream result(out, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(result), std::istreambuf_iterator<char>());
}

bool HasKeyword(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text.find("position") != std::string::npos || text.find("center") != std::string::npos ||
         text.find("verts") != std::string::npos;
}

// The input as the pass copies it: up to Ctrl-Z, each line without its CR and LF at either
// end, then "\r\n".
std::string CopiedThrough(const std::string& input) {
  const std::string text = input.substr(0, input.find('\x1A'));
  std::string copied;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t stop = text.find('\n', start);
    if (stop == std::string::npos) stop = text.size();
    std::string line = text.substr(start, stop - start);
    const std::size_t first = line.find_first_not_of("\r\n");
    line = first == std::string::npos
               ? ""
               : line.substr(first, line.find_last_not_of("\r\n") - first + 1);
    copied += line + "\r\n";
    start = stop + 1;
  }
  return copied;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string output = Scale(input);
  for (std::size_t i = output.find('\n'); i != std::string::npos; i = output.find('\n', i + 1)) {
    if (i == 0 || output[i - 1] != '\r') std::abort();
  }
  if (!output.empty() && output.back() != '\n') std::abort();
  if (!HasKeyword(input) && output != CopiedThrough(input)) std::abort();
  if (Scale(input) != output) std::abort();
  return 0;
}
