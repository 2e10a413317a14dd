// The module's interface to the page: runs of the engine (model/job/run.h) on files that the
// page hands over as handles (see platform/web/file.cpp), and what tessary-scale decides before
// a run (the factors and lengths it takes, --fit's factor, what is model text), so that the page
// decides it with the same code, and a bounded sample of a model's points for the page's
// pictures (tessary_sample). Every call runs in the page's worker (the page's own instance
// reads the fields), synchronously or, where reads may wait, suspended at each read (see
// suspending.js). A run's record is read back by its fields' names, as one JSON object
// (tessary_record); a number or its reason one at a time (tessary_result, tessary_reason).
#include <atomic>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <variant>

#include "model/job/run.h"
#include "model/pass/model_text.h"
#include "platform/error.h"
#include "platform/file.h"
#include "tessary_version.h"

// Implemented by the page's side of the module: the bytes read so far and the input's size.
extern "C" void tessary_web_progress(double done, double total);

namespace {

using namespace tessary;

// What the last call found: a number, or its reason; the last run's record, as JSON.
constexpr int kResultCount = 1;
double g_results[kResultCount];
std::string g_reason;
std::string g_text;
std::string g_record;
// The last length asked of tessary_fit.
FitRequest g_fit;
// The boxes of the model to fit (positions, vertices, keys), as tessary_set_box gave them.
ModelInfo g_fitted;

enum Status { kDone = 0, kFailed = 1, kNoMemory = 2 };

// --- The record as JSON --------------------------------------------------------------------

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// A number as JSON has it, and one that is not finite as the string the page reads back
// ("Infinity", "-Infinity", "NaN").
std::string Number(double value) {
  if (std::isnan(value)) return "\"NaN\"";
  if (std::isinf(value)) return value > 0 ? "\"Infinity\"" : "\"-Infinity\"";
  return ShortestText(value);
}

std::string Triple(const double (&values)[3]) {
  return "[" + Number(values[0]) + "," + Number(values[1]) + "," + Number(values[2]) + "]";
}

std::string CountsJson(const PointCounts& counts) {
  std::string box = counts.box.empty() ? "null"
                                       : "{\"min\":" + Triple(counts.box.min) +
                                             ",\"max\":" + Triple(counts.box.max) + "}";
  return "{\"blocks\":" + Number(static_cast<double>(counts.blocks)) +
         ",\"lines\":" + Number(static_cast<double>(counts.lines)) + ",\"box\":" + box +
         ",\"largestFinite\":" + Number(counts.largestFinite) + "}";
}

const char* StatusName(JobStatus status) {
  switch (status) {
    case JobStatus::Done:
      return "done";
    case JobStatus::Written:
      return "written";
    case JobStatus::InputNotOpened:
      return "input-not-opened";
    case JobStatus::OutputNotOpened:
      return "output-not-opened";
    case JobStatus::Failed:
      return "failed";
    case JobStatus::Cancelled:
      return "cancelled";
    case JobStatus::NoFactors:
      break;
  }
  return "no-factors";
}

// The record's fields by name: what was done, the sentence that says why it failed (the same
// function as tessary-scale's, the names as given), and what the model holds or what the pass
// did.
std::string RecordJson(const JobResult& record, bool inspected) {
  const NameStyle names;
  std::string json =
      "{\"status\":" + Quoted(StatusName(record.status)) +
      ",\"message\":" + Quoted(record.Message()) +
      ",\"sentence\":" + Quoted(FailureSentence(record, names)) +
      ",\"reason\":" + Quoted(record.reason) + ",\"path\":" + Quoted(record.path) +
      ",\"noMemory\":" +
      (platform::IsKind(record.systemError, platform::ErrorKind::NoMemory) ? "true" : "false");
  if (inspected) {
    json += ",\"info\":{\"lines\":" + Number(static_cast<double>(record.info.lines)) +
            ",\"positions\":" + CountsJson(record.info.positions) +
            ",\"vertices\":" + CountsJson(record.info.vertices) +
            ",\"keys\":" + CountsJson(record.info.keys) + "}";
  } else {
    const PassStats& stats = record.stats;
    json += ",\"stats\":{\"lines\":" + Number(static_cast<double>(stats.lines)) +
            ",\"points\":" + Number(static_cast<double>(stats.pointsScaled)) +
            ",\"bytesRead\":" + Number(static_cast<double>(stats.bytesRead)) +
            ",\"bytesWritten\":" + Number(static_cast<double>(stats.bytesWritten)) + "}";
  }
  return json + "}";
}

// --- Runs ------------------------------------------------------------------------------------

// The one record of a run of one model, and its progress passed on to the page.
class PageObserver final : public RunObserver {
 public:
  void Progress(const ProgressSnapshot& snapshot) override {
    tessary_web_progress(static_cast<double>(snapshot.bytesDone),
                         static_cast<double>(snapshot.bytes));
  }
  void Finished(std::size_t, const JobResult& record) override { record_ = record; }
  const JobResult& record() const { return record_; }

 private:
  JobResult record_;
};

// Runs `request` (one model), keeps its record, and gives the status the page waits for.
int Run(RunRequest& request) {
  g_record.clear();
  try {
    request.jobs = 1;
    request.threads = 1;
    PageObserver observer;
    const std::atomic<bool> never{false};
    const RunSummary summary = RunModels(request, observer, never);
    JobResult record = observer.record();
    if (summary.refused()) {
      record.status = JobStatus::InputNotOpened;
      record.reason = summary.problems.empty() ? "not enough memory" : summary.problems.front();
    }
    g_record = RecordJson(record, request.work == RunRequest::Work::Inspect);
    if (record.status == JobStatus::Done) return kDone;
    return platform::IsKind(record.systemError, platform::ErrorKind::NoMemory) ? kNoMemory
                                                                               : kFailed;
  } catch (const std::bad_alloc&) {
    g_record =
        "{\"status\":\"failed\",\"noMemory\":true,\"sentence\":"
        "\"Not enough memory to scale the model.\"}";
    return kNoMemory;
  }
}

// A number, or why there is none: the number as result 0, or the reason.
int NumberOrReason(std::variant<double, std::string> read) {
  g_reason.clear();
  if (auto* reason = std::get_if<std::string>(&read)) {
    g_reason = std::move(*reason);
    g_results[0] = 0;
    return kFailed;
  }
  g_results[0] = std::get<double>(read);
  return kDone;
}

// --- A sample of the points, for pictures ----------------------------------------------------

// At most this many points of a model are kept, whatever its size: 200 KiB of the module's
// fixed memory, and enough dots to see a model's shape from three sides.
constexpr std::size_t kSampleSize = 8192;

// A uniform sample of every point the pass would scale, taken in one read (reservoir sampling,
// Li's algorithm L): the first kSampleSize points are kept, then each later one replaces a kept
// one with the chance kSampleSize / its rank. The ranks of the points to keep are drawn ahead,
// so that every other point costs only a count. The draws come from a fixed seed: a model gives
// the same sample every time.
class PointSample {
 public:
  PointSample() { Restart(); }

  void Restart() {
    kept_ = 0;
    seen_ = 0;
    for (std::uint64_t& count : kinds_seen_)
      count = 0;
    state_ = 0x9E3779B97F4A7C15u;
    weight_ = std::exp(std::log(Uniform()) / static_cast<double>(kSampleSize));
    next_ = kSampleSize - 1;  // the rank of the last point the filling keeps
    Skip();
  }

  // The next point of the model: kept, in place of another, or only counted.
  void Offer(PointKind kind, const double* point) {
    if (seen_ >= kSampleSize && seen_ != next_) {
      Count(kind);
      return;
    }
    std::size_t at = kept_;
    if (kept_ < kSampleSize) {
      ++kept_;
    } else {
      at = static_cast<std::size_t>(Uniform() * static_cast<double>(kSampleSize)) % kSampleSize;
      weight_ *= std::exp(std::log(Uniform()) / static_cast<double>(kSampleSize));
      Skip();
    }
    for (int axis = 0; axis < 3; ++axis)
      points_[3 * at + axis] = point[axis];
    kinds_[at] = static_cast<unsigned char>(kind);
    Count(kind);
  }

  std::size_t kept() const { return kept_; }
  std::uint64_t seen(PointKind kind) const { return kinds_seen_[static_cast<int>(kind)]; }
  const double* points() const { return points_; }
  const unsigned char* kinds() const { return kinds_; }

 private:
  void Count(PointKind kind) {
    ++seen_;
    ++kinds_seen_[static_cast<int>(kind)];
  }
  // The rank of the next point to keep, after the one just kept.
  void Skip() {
    const double gap = std::floor(std::log(Uniform()) / std::log1p(-weight_));
    constexpr double kFar = 9e18;  // past any model's points
    next_ += 1 + static_cast<std::uint64_t>(gap >= 0 && gap < kFar ? gap : kFar);
  }
  // A number in (0, 1) (splitmix64).
  double Uniform() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    z ^= z >> 31;
    return (static_cast<double>(z >> 11) + 0.5) * 0x1p-53;
  }

  double points_[3 * kSampleSize];
  unsigned char kinds_[kSampleSize];
  std::size_t kept_ = 0;
  std::uint64_t seen_ = 0;
  std::uint64_t kinds_seen_[3] = {};
  std::uint64_t state_ = 0;
  double weight_ = 0;
  std::uint64_t next_ = 0;
};

PointSample g_sample;

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

/// Sets a box of the model that tessary_fit fits (0 positions, 1 vertices, 2 keys), and the
/// largest finite magnitude of its coordinates, as tessary_inspect gave them; +inf for each
/// min and -inf for each max when there are no points.
void tessary_set_box(int kind, double minX, double minY, double minZ, double maxX, double maxY,
                     double maxZ, double largestFinite) {
  PointCounts* const counts[] = {&g_fitted.positions, &g_fitted.vertices, &g_fitted.keys};
  if (kind < 0 || kind > 2) return;
  counts[kind]->largestFinite = largestFinite;
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
  g_fit = FitRequest{axis, length};
  return NumberOrReason(FitFactor(g_fitted, axis, length));
}

/// Why the last tessary_fit found no factor for the model called `name`, in the sentence
/// tessary-scale --fit says it with: "Unable to fit the model to z=1.8. (NAME: REASON)".
const char* tessary_fit_sentence(const char* name) {
  JobResult record;
  record.status = JobStatus::NoFactors;
  record.input = JobFile::Path(name);
  record.fit = g_fit;
  record.reason = g_reason;
  g_text = FailureSentence(record, NameStyle());
  return g_text.c_str();
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

/// Reads the model behind `input`, called `name` in messages, as tessary-scale --info does
/// (refusing what is not model text): 0 when it was read, 1 when not, 2 when memory ran out;
/// the record (tessary_record) has its "info": "lines", and "positions", "vertices" and "keys"
/// each with "blocks", "lines" and "box" ({"min": [x, y, z], "max": [x, y, z]}, or null).
int tessary_inspect(int input, const char* name) {
  RunRequest request;
  request.work = RunRequest::Work::Inspect;
  request.inputs = {JobFile::Opened(input, name)};
  return Run(request);
}

/// Scales the model behind `input` (called `name`) into `output` (called `outputName`) as
/// tessary-scale INPUT OUTPUT does: 0 when it was done, 1 when not, 2 when memory ran out; the
/// record has its "stats": "lines", "points", "bytesRead" and "bytesWritten".
int tessary_scale(int input, const char* name, int output, const char* outputName, double x,
                  double y, double z) {
  RunRequest request;
  request.inputs = {JobFile::Opened(input, name)};
  request.output = JobFile::Opened(output, outputName);
  request.factors = ScaleFactors{x, y, z};
  return Run(request);
}

/// Reads the model behind `input` (called `name`) as tessary_inspect does and keeps a sample of
/// at most tessary_sample_size() of the points the pass would scale, each as likely as any other,
/// the same every time: 0 when it was read, 1 when not. The record has "sample": "kept", and
/// "positions", "vertices" and "keys", the points of each kind read; or "status" "failed" and
/// the "sentence" that says why. The points are tessary_sample_points() (x, y, z each) and
/// their kinds tessary_sample_kinds() (0 position, 1 vertex, 2 key), valid until the next
/// call.
int tessary_sample(int input, const char* name) {
  g_sample.Restart();
  RunRequest request;
  request.work = RunRequest::Work::Inspect;
  request.inputs = {JobFile::Opened(input, name)};
  request.points = [](PointKind kind, const double* point) { g_sample.Offer(kind, point); };
  const int status = Run(request);
  if (status != kDone) {
    g_sample.Restart();
    return status;
  }
  const auto seen = [](PointKind kind) { return Number(static_cast<double>(g_sample.seen(kind))); };
  g_record =
      "{\"status\":\"done\",\"sample\":{\"kept\":" + Number(static_cast<double>(g_sample.kept())) +
      ",\"positions\":" + seen(PointKind::Position) + ",\"vertices\":" + seen(PointKind::Vertex) +
      ",\"keys\":" + seen(PointKind::Key) + "}}";
  return kDone;
}

/// The most points tessary_sample keeps.
int tessary_sample_size() {
  return static_cast<int>(kSampleSize);
}

/// The points of the last sample: x, y and z of each, as read.
const double* tessary_sample_points() {
  return g_sample.points();
}

/// The kind of each point of the last sample: 0 position or center, 1 vertex, 2 key.
const unsigned char* tessary_sample_kinds() {
  return g_sample.kinds();
}

/// A call that reads, as its place in the module's table of functions (0 tessary_inspect,
/// 1 tessary_scale, 2 tessary_sample): where reads may wait, the page runs it as a promise
/// through that place (see suspending.js), since the build shortens the names of the
/// module's exports.
std::intptr_t tessary_entry(int which) {
  switch (which) {
    case 0:
      return reinterpret_cast<std::intptr_t>(&tessary_inspect);
    case 1:
      return reinterpret_cast<std::intptr_t>(&tessary_scale);
    default:
      return reinterpret_cast<std::intptr_t>(&tessary_sample);
  }
}

/// The number the last reading or choosing call gave.
double tessary_result(int index) {
  return index >= 0 && index < kResultCount ? g_results[index] : 0;
}

/// Why the last reading or choosing call gave no number, in words.
const char* tessary_reason() {
  return g_reason.c_str();
}

/// The last run's record, by its fields' names, as one JSON object: "status" ("done",
/// "input-not-opened", "output-not-opened", "failed", "cancelled"), "message" (as the desktop
/// program words it), "sentence" (why it failed, as tessary-scale words it, or empty),
/// "reason", "path", "noMemory", and "info" or "stats". A number that is not finite is a
/// string: "Infinity", "-Infinity", "NaN".
const char* tessary_record() {
  return g_record.c_str();
}

}  // extern "C"
