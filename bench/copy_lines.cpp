// tessary-copy: reads each line of INPUT and writes it to OUTPUT followed by "\r\n", through
// the model library's file layer. tessary-compare runs it as the I/O ceiling of any pass.
//
//   tessary-copy INPUT OUTPUT
#include <cstdio>
#include <exception>

#include "bench/baseline_passes.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: tessary-copy INPUT OUTPUT\n", stderr);
    return 2;
  }
  try {
    tessary::bench::CopyLines(argv[1], argv[2]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tessary-copy: %s\n", error.what());
    return 1;
  }
  return 0;
}
