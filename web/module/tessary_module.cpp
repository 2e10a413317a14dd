// The module's interface to the page: the pass and the inspection of model/pass, run on files
// that the page hands over as handles (see platform/web/file.cpp). Every call runs in the
// page's worker, synchronously or, where reads may wait, suspended at each read (see
// suspending.js); results are read back one number at a time with
// tessary_result, and a failure's message with tessary_message.
#include <cstdint>
#include <exception>
#include <new>
#include <string>

#include "model/numbers/number_parse.h"
#include "model/pass/file_error.h"
#include "model/pass/input_file.h"
#include "model/pass/messages.h"
#include "model/pass/model_info.h"
#include "model/pass/output_file.h"
#include "model/pass/scaling_pass.h"
#include "platform/file.h"
#include "tessary_version.h"

// Implemented by the page's side of the module: the bytes read so far and the input's size.
extern "C" void tessary_web_progress(double done, double total);

namespace {

using namespace tessary;

// What the last call found: its numbers, and its message when it failed.
constexpr int kResultCount = 32;
double g_results[kResultCount];
std::string g_message;
std::string g_reason;

enum Status { kDone = 0, kFailed = 1, kNoMemory = 2 };

PassControl ProgressControl() {
  PassControl control;
  control.progress = [](std::uint64_t done, std::uint64_t total) {
    tessary_web_progress(static_cast<double>(done), static_cast<double>(total));
  };
  return control;
}

void PutBox(int at, const Box3& box) {
  for (int axis = 0; axis < 3; ++axis) {
    g_results[at + axis] = box.min[axis];
    g_results[at + 3 + axis] = box.max[axis];
  }
}

void PutCounts(int at, const PointCounts& counts) {
  g_results[at] = static_cast<double>(counts.blocks);
  g_results[at + 1] = static_cast<double>(counts.lines);
  PutBox(at + 2, counts.box);
}

// Runs `body`, turning what it throws into a status and a message naming the file.
template <typename Body>
int Guarded(Body&& body) {
  g_message.clear();
  g_reason.clear();
  for (double& result : g_results)
    result = 0;
  try {
    body();
    g_message = MessageText(Message::Done);
    return kDone;
  } catch (const FileError& error) {
    g_message = error.what();
    g_reason = error.reason();
    return kFailed;
  } catch (const std::bad_alloc&) {
    g_message = "Not enough memory to scale the model.";
    return kNoMemory;
  } catch (const std::exception& error) {
    g_message = error.what();
    return kFailed;
  }
}

}  // namespace

extern "C" {

/// The version, as tessary-scale --version gives it.
const char* tessary_version() {
  return TESSARY_VERSION;
}

/// A factor's text read with atof rules, as the desktop program reads its fields.
double tessary_parse_number(const char* text) {
  return ParseDouble(text);
}

/// Reads the model behind `input`, called `name` in messages. Results: 0 lines; 1-8 positions
/// (blocks, lines, box min xyz, max xyz); 9-16 vertices; 17-24 keys.
int tessary_inspect(int input, const char* name) {
  return Guarded([&] {
    const PassControl control = ProgressControl();
    InputFile file(&control);
    file.Read(platform::File::Borrow(input), name);
    const ModelInfo info = InspectModel(file, control);
    g_results[0] = static_cast<double>(info.lines);
    PutCounts(1, info.positions);
    PutCounts(9, info.vertices);
    PutCounts(17, info.keys);
  });
}

/// Scales the model behind `input` (called `name`) into `output` (called `outputName`).
/// Results: 0 lines, 1 points scaled, 2 bytes read, 3 bytes written.
int tessary_scale(int input, const char* name, int output, const char* outputName, double x,
                  double y, double z) {
  return Guarded([&] {
    const PassControl control = ProgressControl();
    InputFile in(&control);
    in.Read(platform::File::Borrow(input), name);
    platform::File outFile = platform::File::Borrow(output);
    PassStats stats;
    {
      OutputFile out(outFile, outputName, &control);
      stats = RunScalingPass(in, out, ScaleFactors{x, y, z}, control);
      out.Finish();
    }
    g_results[0] = static_cast<double>(stats.lines);
    g_results[1] = static_cast<double>(stats.pointsScaled);
    g_results[2] = static_cast<double>(stats.bytesRead);
    g_results[3] = static_cast<double>(stats.bytesWritten);
  });
}

/// A call that reads, as its place in the module's table of functions (0 tessary_inspect,
/// 1 tessary_scale): where reads may wait, the page runs it as a promise through that place
/// (see suspending.js), since the build shortens the names of the module's exports.
std::intptr_t tessary_entry(int which) {
  return which == 0 ? reinterpret_cast<std::intptr_t>(&tessary_inspect)
                    : reinterpret_cast<std::intptr_t>(&tessary_scale);
}

double tessary_result(int index) {
  return index >= 0 && index < kResultCount ? g_results[index] : 0;
}

/// "Done!" or the message of the failure, naming the file.
const char* tessary_message() {
  return g_message.c_str();
}

/// The reason of a file's failure in words, or empty.
const char* tessary_reason() {
  return g_reason.c_str();
}

}  // extern "C"
