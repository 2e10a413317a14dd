#include "bench/baseline_passes.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include "model/pass/input_file.h"
#include "model/pass/output_file.h"
#include "model/pass/token_reader.h"

namespace tessary::bench {

void CopyLines(const std::string& inputPath, const std::string& outputPath) {
  InputFile input;
  if (input.Open(inputPath) != 0) throw std::runtime_error("cannot open " + inputPath);
  const int fd = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw std::runtime_error("cannot create " + outputPath);
  {
    platform::File file = platform::File::Borrow(fd);
    OutputFile output(file, outputPath);
    std::string_view line;
    while (input.ReadLine(line)) {
      output.Write(line);
      while (!input.line_complete() && input.ReadLinePart(line))
        output.Write(line);  // a line longer than the input's buffer comes in parts
      output.Write("\r\n");
    }
    output.Finish();
  }
  if (::close(fd) != 0) throw std::runtime_error("cannot write " + outputPath);
  input.Close();
}

namespace {

double NextNumber(std::string_view& cursor) {
  const std::string token(ReadToken(cursor));
  return std::strtod(token.c_str(), nullptr);
}

void WriteNumbers(std::FILE* out, const char* prefix, const double* values, int count) {
  std::fputs(prefix, out);
  char text[400];
  for (int i = 0; i < count; ++i) {
    std::snprintf(text, sizeof text, i == 0 ? "%.11f" : " %.11f", values[i]);
    std::fputs(text, out);
  }
  std::fputs("\r\n", out);
}

}  // namespace

void NaiveScalingPass(const std::string& inputPath, const std::string& outputPath, double x,
                      double y, double z) {
  std::ifstream in(inputPath, std::ios::binary);
  std::FILE* out = std::fopen(outputPath.c_str(), "wb");
  if (!in || out == nullptr) throw std::runtime_error("cannot open the files to scale");
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
      line.pop_back();
    std::string_view cursor = line;
    const std::string keyword(ReadToken(cursor));
    const bool position = strcasecmp(keyword.c_str(), "position") == 0;
    if (position || strcasecmp(keyword.c_str(), "center") == 0) {
      const double point[3] = {NextNumber(cursor) * x, NextNumber(cursor) * y,
                               NextNumber(cursor) * z};
      WriteNumbers(out, position ? "position " : "center ", point, 3);
      continue;
    }
    const bool verts = strcasecmp(keyword.c_str(), "verts") == 0;
    std::fputs(line.c_str(), out);
    std::fputs("\r\n", out);
    if (!verts && strcasecmp(keyword.c_str(), "positionkey") != 0) continue;
    const int count = std::atoi(std::string(ReadToken(cursor)).c_str());
    for (int i = 0; i < count && std::getline(in, line); ++i) {
      cursor = line;
      double values[4];
      int n = 0;
      if (!verts) values[n++] = NextNumber(cursor);
      values[n++] = NextNumber(cursor) * x;
      values[n++] = NextNumber(cursor) * y;
      values[n++] = NextNumber(cursor) * z;
      WriteNumbers(out, verts ? "    " : "   ", values, n);
    }
  }
  if (std::fclose(out) != 0) throw std::runtime_error("cannot write " + outputPath);
}

}  // namespace tessary::bench
