// The module's interface to the page: the pass and the inspection of model/pass, run on files
// that the page hands over as handles (see platform/web/file.cpp), and what tessary-scale
// decides before a pass (the factors and lengths it takes, --fit's factor, what is model text),
// so that the page decides it with the same code. Every call runs in the page's worker (the
// page's own instance reads the fields), synchronously or, where reads may wait, suspended at
// each read (see suspending.js); results are read back one number at a time with
// tessary_result, and a failure's message with tessary_message (or tessary_reason).
#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <variant>

#include "model/numbers/factor_text.h"
#include "model/numbers/shortest_text.h"
#include "model/pass/file_error.h"
#include "model/pass/fit.h"
#include "model/pass/input_file.h"
#include "model/pass/messages.h"
#include "model/pass/model_info.h"
#include "model/pass/model_text.h"
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
std::string g_text;
// The boxes of the model to fit (positions, vertices, keys), as tessary_set_box gave them.
ModelInfo g_fitted;

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

// A number, or why there is none: the number as result 0, or the reason.
int NumberOrReason(std::variant<double, std::string> read) {
  g_message.clear();
  g_reason.clear();
  if (auto* reason = std::get_if<std::string>(&read)) {
    g_reason = std::move(*reason);
    g_results[0] = 0;
    return kFailed;
  }
  g_results[0] = std::get<double>(read);
  return kDone;
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

/// A scale factor typed as text (`size` bytes of UTF-8), read as tessary-scale reads its
/// factors: 0 with the factor as result 0, or 1 with the reason (tessary_reason), such as
/// "scale factor '1,5' is not a number".
int tessary_read_factor(const char* text, int size) {
  return NumberOrReason(ReadFactor(std::string_view(text, static_cast<std::size_t>(size))));
}

/// The length to fit an axis to, read as tessary-scale reads --fit's: 0 with the length as
/// result 0, or 1 with the reason, such as "length '-1' is not a positive number".
int tessary_read_fit_length(const char* text, int size) {
  return NumberOrReason(ReadFitLength(std::string_view(text, static_cast<std::size_t>(size))));
}

/// Sets a box of the model that tessary_fit fits (0 positions, 1 vertices, 2 keys), as
/// tessary_inspect gave it; +inf for each min and -inf for each max when there are no points.
void tessary_set_box(int kind, double minX, double minY, double minZ, double maxX, double maxY,
                     double maxZ) {
  PointCounts* const counts[] = {&g_fitted.positions, &g_fitted.vertices, &g_fitted.keys};
  if (kind < 0 || kind > 2) return;
  Box3& box = counts[kind]->box;
  const double ends[6] = {minX, minY, minZ, maxX, maxY, maxZ};
  for (int axis = 0; axis < 3; ++axis) {
    box.min[axis] = ends[axis];
    box.max[axis] = ends[3 + axis];
  }
}

/// The factor that gives the vertex points of the boxes set `length` along `axis` (0, 1, 2),
/// as tessary-scale --fit chooses it: 0 with the factor as result 0, or 1 with the reason, such
/// as "its vertex points are flat along z".
int tessary_fit(int axis, double length) {
  if (axis < 0 || axis > 2) return NumberOrReason(std::string("there is no such axis"));
  return NumberOrReason(FitFactor(g_fitted, axis, length));
}

/// Whether `size` bytes from a file's start (at most tessary_text_sample() of them are looked
/// at) may be model text, as tessary-scale decides before it scales a file: 0, or 1 with the
/// reason, such as "is not model text: 6650 of its first 65536 bytes are control characters
/// other than NUL, as in a picture, an archive or a program".
int tessary_check_text(const char* bytes, int size) {
  g_reason = NotModelTextReason(std::string_view(bytes, static_cast<std::size_t>(size)));
  return g_reason.empty() ? kDone : kFailed;
}

/// How many bytes of a file's start tessary_check_text looks at.
int tessary_text_sample() {
  return static_cast<int>(kModelTextSample);
}

/// A number as tessary-scale writes it in its messages: "0.0544", "1e+300".
const char* tessary_number_text(double value) {
  g_text = ShortestText(value);
  return g_text.c_str();
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
