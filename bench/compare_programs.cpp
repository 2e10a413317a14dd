// tessary-compare: tessary-scale against two other programs, each run as a process on the same
// generated models, and the start-up time of tessary-scale and the naive program. Prints
// markdown tables for the README; it only reports, and judges no figure.
//
//   tessary-compare [--quick] [--mib-scale=F] [--runs=N] [--startup-runs=N]
//                   [--tessary-args="ARGS"]
//
// The programs:
//   tessary-scale IN OUT 2 3 0.5   the real program, with its default plan of threads
//   tessary-scale --threads 1 ...  the same on one thread
//   tessary-naive IN OUT 2 3 0.5   the same pass written the obvious way in C (naive_pass.c)
//   tessary-copy IN OUT            each line read and written with CR LF: the I/O ceiling
//   cp IN OUT && sync OUT          the same bytes made durable: the floor for a tool that
//                                  promises a durable output
// and a batch: BATCH_FILES small models (2,000 of 53 KB; --quick: 200) scaled with
// `-s 2 -t DIR -j 2` into an empty folder and over the outputs of the run before, against
// `cp` of the same files into DIR followed by one `sync -f DIR`. The summary gives the
// ratios between them, all measured in the same run.
// With --tessary-args, tessary-scale runs a second time in each round with those arguments
// (split at blanks) before IN, and gets its own rows.
//
// The models are generated once into the models folder of the build (build/bench/models/)
// and kept there: vertex-heavy and ordinary lines of 256 MiB, awkward magnitudes of 32 MiB,
// each size multiplied by --mib-scale or BENCH_MIB_SCALE (--quick: 1/16, and 100 start-up runs
// per batch instead of 1000). Outputs go to a temporary folder in TMPDIR (default /tmp),
// removed at the end.
//
// Every figure is the median of interleaved runs: tessary-scale, naive, copy, tessary-scale,
// naive, copy, and so on, so that a load that comes and goes on the machine falls on all of
// them alike. Progress goes to standard error, the tables to standard output.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "bench/model_generator.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using tessary::bench::ModelKind;
using Clock = std::chrono::steady_clock;

// The programs, as CMake built them.
constexpr const char* kTessaryProgram = TESSARY_SCALE_PROGRAM;
constexpr const char* kNaiveProgram = TESSARY_NAIVE_PROGRAM;
constexpr const char* kCopyProgram = TESSARY_COPY_PROGRAM;
constexpr const char* kModelFolder = TESSARY_BENCH_MODELS;

// The factors of every scaling run.
const std::vector<std::string> kFactors = {"2", "3", "0.5"};

constexpr std::uint64_t kMebibyte = std::uint64_t{1} << 20;

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
  interrupted = 1;
}

// Thrown to unwind, temporary folder removed, when the user interrupts the run.
struct Interrupted {};

void ThrowIfInterrupted() {
  if (interrupted) throw Interrupted{};
}

struct Options {
  double mibScale = 1.0;
  int runs = 5;
  int batchFiles = 2000;
  int startupRuns = 1000;
  int startupBatches = 5;
  std::vector<std::string> tessaryArgs;
};

std::string Quoted(const std::string& argument) {
  if (!argument.empty() &&
      argument.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                 "0123456789-_=./,:+") == std::string::npos) {
    return argument;
  }
  std::string quoted = "'";
  for (const char c : argument) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string Join(const std::vector<std::string>& words, bool quote) {
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty()) text += ' ';
    text += quote ? Quoted(word) : word;
  }
  return text;
}

std::vector<std::string> SplitAtBlanks(std::string_view text) {
  std::vector<std::string> words;
  std::istringstream stream{std::string(text)};
  for (std::string word; stream >> word;)
    words.push_back(word);
  return words;
}

// Runs one program at a time and times it from spawning to its end.
class Runner {
 public:
  struct Run {
    double seconds;
    double cpuSeconds;  // user and system time of the process
    long peakKib;       // ru_maxrss of the process
  };

  // `logPath` receives what each program writes to standard output and error.
  explicit Runner(std::string logPath) : logPath_(std::move(logPath)) {}

  // Throws std::runtime_error with the program's messages when it does not end with status 0.
  // With `standardOutput`, the program's standard output is that file, created or emptied.
  Run Time(const std::vector<std::string>& command, const std::string& standardOutput = {}) const {
    std::vector<char*> argv;
    for (const std::string& word : command)
      argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, logPath_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (standardOutput.empty()) {
      posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    } else {
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, standardOutput.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }

    const auto start = Clock::now();
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
      throw std::runtime_error("cannot run " + command[0] + ": " + std::strerror(error));
    }
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0) {
      if (errno != EINTR) throw std::runtime_error("wait4: " + std::string(std::strerror(errno)));
      if (interrupted) ::kill(pid, SIGTERM);
    }
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    ThrowIfInterrupted();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      throw std::runtime_error(Join(command, true) + " failed (" +
                               (WIFEXITED(status)
                                    ? "exit status " + std::to_string(WEXITSTATUS(status))
                                    : "signal " + std::to_string(WTERMSIG(status))) +
                               "):\n" + Messages());
    }
    const auto cpu = [](const timeval& time) {
      return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return {elapsed.count(), cpu(usage.ru_utime) + cpu(usage.ru_stime), usage.ru_maxrss};
  }

  // What the last program wrote.
  std::string Messages() const {
    std::ifstream log(logPath_);
    std::ostringstream text;
    text << log.rdbuf();
    return text.str();
  }

 private:
  std::string logPath_;
};

// A folder of its own in TMPDIR, removed with everything in it at the end.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tessary-compare-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a folder like " + pattern + ": " +
                               std::strerror(errno));
    }
    path_ = pattern;
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  ~TemporaryFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }

  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void RemoveIfPresent(const fs::path& path) {
  std::error_code ignored;
  fs::remove(path, ignored);
}

// The model of `kind` and about `bytes` bytes in `folder`, generated when it is not there yet.
fs::path CachedModel(const fs::path& folder, ModelKind kind, std::uint64_t bytes) {
  const fs::path path =
      folder / (std::string(tessary::bench::ModelKindName(kind)) + "-" + std::to_string(bytes) +
                "-v" + std::to_string(tessary::bench::kModelGeneratorVersion) + ".mdl");
  std::error_code error;
  if (fs::file_size(path, error) >= bytes && !error) return path;
  fs::create_directories(folder);
  std::fprintf(stderr, "generating %s\n", path.c_str());
  fs::path partial = path;
  partial += ".partial";
  try {
    tessary::bench::GenerateModel(partial.string(), bytes, kind);
    fs::rename(partial, path);
  } catch (...) {
    RemoveIfPresent(partial);
    throw;
  }
  return path;
}

// Reads the whole file, so that the runs find it in the page cache.
void ReadThrough(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  static char buffer[64 * 1024];
  while (file.read(buffer, sizeof buffer)) {
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Min(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

double Max(const std::vector<double>& values) {
  return *std::max_element(values.begin(), values.end());
}

// Where a program's output goes.
enum class Output {
  NewFile,   // a file that does not exist yet
  Unsynced,  // a new file as standard output ("-"), which tessary-scale writes without fsync
  DevNull,   // /dev/null
};

struct Program {
  std::string label;                // in the tables
  std::vector<std::string> before;  // the command up to the input
  std::vector<std::string> after;   // after the output
  Output output = Output::NewFile;
  bool tessary = false;

  std::vector<std::string> Command(const std::string& input, const std::string& outputPath) const {
    std::vector<std::string> command = before;
    command.push_back(input);
    command.push_back(outputPath);
    command.insert(command.end(), after.begin(), after.end());
    return command;
  }
};

struct Samples {
  std::vector<double> seconds;
  std::vector<double> cpuSeconds;
  std::vector<double> peakKib;
  std::vector<double> fsyncSeconds;  // of the output after an unsynced run
};

// Runs `program` once on `input` into `outputPath` (or /dev/null) and adds what it measured
// to `samples`. The output is removed afterwards, outside the timed part.
void RunOnce(const Runner& runner, const Program& program, const std::string& input,
             const fs::path& outputPath, Samples& samples) {
  const bool unsynced = program.output == Output::Unsynced;
  const std::string output = program.output == Output::DevNull ? std::string("/dev/null")
                             : unsynced                        ? std::string("-")
                                                               : outputPath.string();
  const Runner::Run run =
      runner.Time(program.Command(input, output), unsynced ? outputPath.string() : "");
  samples.seconds.push_back(run.seconds);
  samples.cpuSeconds.push_back(run.cpuSeconds);
  samples.peakKib.push_back(static_cast<double>(run.peakKib));
  if (unsynced) {
    const int fd = ::open(outputPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + outputPath.string());
    const auto start = Clock::now();
    const int result = ::fsync(fd);
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    ::close(fd);
    if (result != 0) throw std::runtime_error("fsync failed on " + outputPath.string());
    samples.fsyncSeconds.push_back(elapsed.count());
  }
  RemoveIfPresent(outputPath);
}

struct ModelClass {
  ModelKind kind;
  const char* description;
  std::uint64_t defaultMebibytes;
};

const ModelClass kClasses[] = {
    {ModelKind::VertexHeavy, "vertex-heavy", 256},
    {ModelKind::OrdinaryLines, "ordinary lines", 256},
    {ModelKind::AwkwardMagnitudes, "awkward magnitudes", 32},
};

struct ClassResult {
  const ModelClass* modelClass;
  double megabytes;
  std::vector<Samples> samples;  // one per program
};

std::string FirstCpuField(const char* field) {
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.rfind(field, 0) == 0) {
      const std::size_t colon = line.find(':');
      if (colon != std::string::npos) {
        const std::size_t start = line.find_first_not_of(" \t", colon + 1);
        return start == std::string::npos ? "" : line.substr(start);
      }
    }
  }
  return "";
}

std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one;
  file >> one;
  return one.empty() ? "?" : one;
}

std::string Today() {
  const std::time_t now = std::time(nullptr);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", std::localtime(&now));
  return text;
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Mebibytes(double kib) {
  return Format("%.1f MiB", kib / 1024);
}

void Usage(std::FILE* to) {
  std::fputs(
      "usage: tessary-compare [--quick] [--mib-scale=F] [--runs=N] [--startup-runs=N]\n"
      "                       [--tessary-args=\"ARGS\"]\n"
      "Times tessary-scale, a naive C pass and a line copy as processes on generated models\n"
      "and prints markdown tables. BENCH_MIB_SCALE=F is the same as --mib-scale=F.\n",
      to);
}

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  std::optional<double> scale;
  bool quick = false;
  if (const char* value = std::getenv("BENCH_MIB_SCALE"); value != nullptr && *value != '\0') {
    scale = std::strtod(value, nullptr);
  }
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    const auto value = [&](std::string_view name) -> std::optional<std::string_view> {
      if (argument.substr(0, name.size()) != name) return std::nullopt;
      return argument.substr(name.size());
    };
    if (argument == "--quick") {
      quick = true;
    } else if (const auto text = value("--mib-scale=")) {
      scale = std::strtod(std::string(*text).c_str(), nullptr);
    } else if (const auto count = value("--runs=")) {
      options.runs = std::atoi(std::string(*count).c_str());
    } else if (const auto startupCount = value("--startup-runs=")) {
      options.startupRuns = std::atoi(std::string(*startupCount).c_str());
    } else if (const auto args = value("--tessary-args=")) {
      options.tessaryArgs = SplitAtBlanks(*args);
    } else if (argument == "--help" || argument == "-h") {
      Usage(stdout);
      std::exit(0);
    } else {
      std::fprintf(stderr, "tessary-compare: unknown argument '%s'\n", argv[i]);
      Usage(stderr);
      return std::nullopt;
    }
  }
  if (quick) {
    if (!scale) scale = 1.0 / 16;
    options.batchFiles = 200;
    options.startupRuns = std::min(options.startupRuns, 100);
  }
  options.mibScale = scale.value_or(1.0);
  if (!(options.mibScale > 0) || options.runs < 1 || options.startupRuns < 1) {
    std::fputs("tessary-compare: sizes and counts must be positive\n", stderr);
    return std::nullopt;
  }
  return options;
}

std::string CommandLine(int argc, char** argv) {
  std::string text;
  if (const char* value = std::getenv("BENCH_MIB_SCALE"); value != nullptr && *value != '\0') {
    text = "BENCH_MIB_SCALE=" + Quoted(value) + " ";
  }
  return text + Join(std::vector<std::string>(argv, argv + argc), true);
}

class Comparison {
 public:
  Comparison(const Options& options, std::string commandLine)
      : options_(options), commandLine_(std::move(commandLine)), runner_(LogPath()) {}

  void Run() {
    loadBefore_ = LoadAverage();
    const std::string scaleArgs = " IN OUT " + Join(kFactors, false);
    std::vector<std::string> tessary = {kTessaryProgram};
    programs_.push_back(
        {"`tessary-scale" + scaleArgs + "`", tessary, kFactors, Output::NewFile, true});
    if (!options_.tessaryArgs.empty()) {
      std::vector<std::string> variant = tessary;
      variant.insert(variant.end(), options_.tessaryArgs.begin(), options_.tessaryArgs.end());
      programs_.push_back({"`tessary-scale " + Join(options_.tessaryArgs, false) + scaleArgs + "`",
                           variant, kFactors, Output::NewFile, true});
    }
    threadsOne_ = programs_.size();
    std::vector<std::string> oneThread = tessary;
    oneThread.push_back("--threads");
    oneThread.push_back("1");
    programs_.push_back({"`tessary-scale --threads 1" + scaleArgs + "`", oneThread, kFactors,
                         Output::NewFile, true});
    naive_ = programs_.size();
    programs_.push_back({"naive C: `fgets`, `strtod`, `printf(\"%.11f\")`",
                         {kNaiveProgram},
                         kFactors,
                         Output::NewFile,
                         false});
    copy_ = programs_.size();
    programs_.push_back(
        {"copy: each line read, written with CR LF", {kCopyProgram}, {}, Output::NewFile, false});
    copySync_ = programs_.size();
    programs_.push_back({"`cp IN OUT && sync OUT`",
                         {"/bin/sh", "-c", "cp -- \"$0\" \"$1\" && sync -- \"$1\""},
                         {},
                         Output::NewFile,
                         false});
    unsynced_ = programs_.size();
    programs_.push_back({"unsynced", tessary, kFactors, Output::Unsynced, true});
    devNull_ = programs_.size();
    programs_.push_back({"/dev/null", tessary, kFactors, Output::DevNull, true});

    for (const ModelClass& modelClass : kClasses)
      MeasureClass(modelClass);
    MeasureStartup();
    MeasureBatch();
    loadAfter_ = LoadAverage();
  }

  void Print() const {
    PrintHeader();
    PrintThroughput();
    PrintStartup();
    PrintBatch();
    PrintOutputCost();
    PrintRatios();
  }

 private:
  std::string LogPath() const { return (folder_.path() / "messages.log").string(); }

  std::uint64_t Bytes(std::uint64_t mebibytes) const {
    return static_cast<std::uint64_t>(
        std::llround(static_cast<double>(mebibytes * kMebibyte) * options_.mibScale));
  }

  void MeasureClass(const ModelClass& modelClass) {
    const fs::path model =
        CachedModel(kModelFolder, modelClass.kind, Bytes(modelClass.defaultMebibytes));
    ClassResult result{&modelClass, static_cast<double>(fs::file_size(model)) / 1e6,
                       std::vector<Samples>(programs_.size())};
    ReadThrough(model);
    const fs::path output = folder_.path() / "out.mdl";
    for (int round = 1; round <= options_.runs; ++round) {
      std::fprintf(stderr, "%s, %.1f MB: round %d of %d\n", modelClass.description,
                   result.megabytes, round, options_.runs);
      for (std::size_t i = 0; i < programs_.size(); ++i)
        RunOnce(runner_, programs_[i], model.string(), output, result.samples[i]);
    }
    classes_.push_back(std::move(result));
  }

  void MeasureStartup() {
    const fs::path model = CachedModel(kModelFolder, ModelKind::VertexHeavy, 1024);
    startupBytes_ = fs::file_size(model);
    const fs::path output = folder_.path() / "small.mdl";
    // tessary-scale into a new file and into /dev/null, then the naive program.
    startupPrograms_ = {0, devNull_, naive_};
    if (!options_.tessaryArgs.empty()) startupPrograms_.insert(startupPrograms_.begin() + 1, 1);
    startup_.assign(startupPrograms_.size(), {});
    for (int batch = 1; batch <= options_.startupBatches; ++batch) {
      std::fprintf(stderr, "start-up: batch %d of %d, %d runs of each program\n", batch,
                   options_.startupBatches, options_.startupRuns);
      for (std::size_t i = 0; i < startupPrograms_.size(); ++i) {
        Samples runs;
        for (int run = 0; run < options_.startupRuns; ++run)
          RunOnce(runner_, programs_[startupPrograms_[i]], model.string(), output, runs);
        double total = 0;
        for (const double seconds : runs.seconds)
          total += seconds;
        startup_[i].push_back(total / options_.startupRuns * 1000);
      }
    }
  }

  // BATCH_FILES small models, generated once, scaled into a folder of outputs as a batch and
  // copied there with cp and one sync of the file system.
  void MeasureBatch() {
    const fs::path models =
        fs::path(kModelFolder) / ("batch-" + std::to_string(options_.batchFiles) + "-v" +
                                  std::to_string(tessary::bench::kModelGeneratorVersion));
    std::vector<std::string> inputs;
    fs::create_directories(models);
    batchMegabytes_ = 0;
    for (int i = 0; i < options_.batchFiles; ++i) {
      const fs::path model = models / ("m" + std::to_string(i) + ".mdl");
      std::error_code error;
      if (fs::file_size(model, error) == 0 || error) {
        tessary::bench::GenerateModel(model.string(), 53 * 1000, ModelKind::VertexHeavy);
      }
      inputs.push_back(model.string());
      batchMegabytes_ += static_cast<double>(fs::file_size(model)) / 1e6;
      ReadThrough(model);
    }
    const fs::path out = folder_.path() / "batch";
    const auto emptyFolder = [&] {
      std::error_code ignored;
      fs::remove_all(out, ignored);
      fs::create_directory(out);
    };
    std::vector<std::string> scale = {kTessaryProgram, "-s", "2", "-t", out.string(), "-j", "2"};
    scale.insert(scale.end(), inputs.begin(), inputs.end());
    std::vector<std::string> copy = {"/bin/sh", "-c", "cp -- \"$@\" && sync -f -- \"$0\"",
                                     out.string()};
    copy.insert(copy.end(), inputs.begin(), inputs.end());
    copy.push_back(out.string());
    for (int round = 1; round <= options_.runs; ++round) {
      std::fprintf(stderr, "batch of %d models: round %d of %d\n", options_.batchFiles, round,
                   options_.runs);
      emptyFolder();
      batchEmpty_.push_back(runner_.Time(scale).seconds);
      batchExisting_.push_back(runner_.Time(scale).seconds);
      emptyFolder();
      batchCopy_.push_back(runner_.Time(copy).seconds);
    }
    std::error_code ignored;
    fs::remove_all(out, ignored);
  }

  void PrintBatch() const {
    std::printf("| a batch of %d models, %.1f MB in all | median seconds | range of %d runs |\n",
                options_.batchFiles, batchMegabytes_, options_.runs);
    std::printf("|---|---|---|\n");
    const auto row = [](const char* label, const std::vector<double>& seconds) {
      std::printf("| %s | %.3f | %.3f to %.3f |\n", label, Median(seconds), Min(seconds),
                  Max(seconds));
    };
    row("`tessary-scale -s 2 -t DIR -j 2 FILES`, DIR empty", batchEmpty_);
    row("the same again, over the outputs", batchExisting_);
    row("`cp FILES DIR && sync -f DIR`", batchCopy_);
    std::printf("\n");
  }

  // The figures that judge the program, as ratios of medians measured in this run.
  void PrintRatios() const {
    const auto seconds = [](const ClassResult& result, std::size_t program) {
      return Median(result.samples[program].seconds);
    };
    std::printf(
        "\n### Ratios\n\n| model | default threads over `--threads 1` | over naive C "
        "| over `cp` + `sync FILE` |\n|---|---|---|---|\n");
    for (const ClassResult& result : classes_) {
      const double tessary = seconds(result, 0);
      std::printf("| %s | %.2fx | %.2fx | %.2f |\n", result.modelClass->description,
                  seconds(result, threadsOne_) / tessary, seconds(result, naive_) / tessary,
                  seconds(result, copySync_) / tessary);
    }
    std::printf("| a %.1f KB model | | %.2fx | |\n", static_cast<double>(startupBytes_) / 1e3,
                Median(startup_.back()) / Median(startup_.front()));
    std::printf("| batch of %d, into an empty folder | | | %.2f |\n", options_.batchFiles,
                Median(batchCopy_) / Median(batchEmpty_));
    std::printf("| batch of %d, over existing outputs | | | %.2f |\n", options_.batchFiles,
                Median(batchCopy_) / Median(batchExisting_));
    std::printf(
        "\nEach figure is the other program's median time over tessary-scale's (default plan): "
        "above 1 (or 1x), tessary-scale is faster. The batch compares with `cp` of the same "
        "files and one `sync -f`.\n");
  }

  void PrintHeader() const {
    utsname system{};
    ::uname(&system);
    std::string cpu = FirstCpuField("model name");
    if (const std::string mhz = FirstCpuField("cpu MHz"); !mhz.empty()) {
      cpu += Format(" at %.0f MHz", std::strtod(mhz.c_str(), nullptr));
    }
    std::printf("### Whole programs, as processes\n\n");
    std::printf("Measured %s on %s, %ld cores, Linux %s; %s; load average %s before, %s after.\n",
                Today().c_str(), cpu.c_str(), ::sysconf(_SC_NPROCESSORS_ONLN), system.release,
                Version().c_str(), loadBefore_.c_str(), loadAfter_.c_str());
    std::printf("Command: `%s`\n\n", commandLine_.c_str());
  }

  void PrintThroughput() const {
    std::printf(
        "| model | program | MB/s of input | range of %d runs | MB per CPU second | tessary/naive "
        "| tessary/copy | peak RSS |\n",
        options_.runs);
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (const ClassResult& result : classes_) {
      const auto rate = [&](std::size_t program) {
        return result.megabytes / Median(result.samples[program].seconds);
      };
      const std::size_t shown = copySync_ + 1;  // the unsynced and /dev/null runs have a table
      for (std::size_t i = 0; i < shown; ++i) {
        const Program& program = programs_[i];
        const Samples& samples = result.samples[i];
        const std::string model = i == 0 ? std::string(result.modelClass->description) + ", " +
                                               Format("%.1f MB", result.megabytes)
                                         : "";
        const std::string emphasis = i == 0 ? "**" : "";
        std::printf(
            "| %s | %s | %s%.1f%s | %.1f to %.1f | %.1f |", model.c_str(), program.label.c_str(),
            emphasis.c_str(), rate(i), emphasis.c_str(), result.megabytes / Max(samples.seconds),
            result.megabytes / Min(samples.seconds), result.megabytes / Median(samples.cpuSeconds));
        if (program.tessary) {
          std::printf(" %s%.2f%s | %.2f | %s |\n", emphasis.c_str(), rate(i) / rate(naive_),
                      emphasis.c_str(), rate(i) / rate(copy_),
                      Mebibytes(Max(samples.peakKib)).c_str());
        } else {
          std::printf("  |  |  |\n");
        }
      }
    }
    rusage self{};
    ::getrusage(RUSAGE_SELF, &self);
    std::printf(
        "\nMB/s: 10^6 bytes of input per second, from spawning the program to its end; the "
        "median of %d rounds, each running every program once in the order of the table. Each "
        "run writes a new file in %s (%s filesystem as the models), removed after the run. "
        "MB per CPU second: the same over the user and system time of the program (median), "
        "which a busy machine inflates less than the time from start to end. "
        "Peak RSS: the largest ru_maxrss that wait4 gave; the kernel starts it from the peak of "
        "the process that spawned the program (%s here), so no smaller figure can show.\n\n",
        options_.runs, folder_.path().parent_path().c_str(),
        SameFilesystem() ? "same" : "NOT the same",
        Mebibytes(static_cast<double>(self.ru_maxrss)).c_str());
  }

  void PrintStartup() const {
    std::printf("| start-up: a %.1f KB model | ms per run | range of %d batches of %d runs |\n",
                static_cast<double>(startupBytes_) / 1e3, options_.startupBatches,
                options_.startupRuns);
    std::printf("|---|---|---|\n");
    for (std::size_t i = 0; i < startupPrograms_.size(); ++i) {
      const Program& program = programs_[startupPrograms_[i]];
      const std::string label = program.output == Output::DevNull
                                    ? "`tessary-scale IN /dev/null " + Join(kFactors, false) + "`"
                                    : program.label;
      std::printf("| %s | %.3f | %.3f to %.3f |\n", label.c_str(), Median(startup_[i]),
                  Min(startup_[i]), Max(startup_[i]));
    }
    std::printf(
        "\nms per run: the median of the batches' mean time from spawning to the end. A new "
        "output file is written, synced and renamed on every run of tessary-scale; /dev/null is "
        "written directly.\n\n");
  }

  void PrintOutputCost() const {
    std::printf("| where tessary-scale's output goes: median seconds |");
    for (const ClassResult& result : classes_)
      std::printf(" %s |", result.modelClass->description);
    std::printf("\n|---|");
    for (std::size_t i = 0; i < classes_.size(); ++i)
      std::printf("---|");
    std::printf("\n");
    const auto row = [&](const char* label, auto figure) {
      std::printf("| %s |", label);
      for (const ClassResult& result : classes_)
        std::printf(" %s |", figure(result).c_str());
      std::printf("\n");
    };
    const auto seconds = [](std::size_t program) {
      return [program](const ClassResult& result) {
        return Format("%.3f", Median(result.samples[program].seconds));
      };
    };
    row("a new file: temporary file, fsync, rename (the runs above)", seconds(0));
    row("a new file as standard output: written directly, no fsync", seconds(unsynced_));
    row("fsync of that file, timed on its own right after", [&](const ClassResult& result) {
      return Format("%.3f", Median(result.samples[unsynced_].fsyncSeconds));
    });
    row("`/dev/null`: written directly", seconds(devNull_));
    row("(new file - unsynced) / new file", [&](const ClassResult& result) {
      const double whole = Median(result.samples[0].seconds);
      return Format("%.0f %%", (whole - Median(result.samples[unsynced_].seconds)) / whole * 100);
    });
    row("fsync on its own / new file", [&](const ClassResult& result) {
      return Format("%.0f %%", Median(result.samples[unsynced_].fsyncSeconds) /
                                   Median(result.samples[0].seconds) * 100);
    });
    std::printf(
        "\nThe unsynced and `/dev/null` runs are tessary-scale with the same arguments, "
        "interleaved with the runs above.\n");
  }

  std::string Version() const {
    try {
      runner_.Time({kTessaryProgram, "--version"});
      const std::string text = runner_.Messages();
      return text.substr(0, text.find('\n'));  // the first line; the licence follows
    } catch (const std::runtime_error&) {
      return "tessary-scale of unknown version";
    }
  }

  bool SameFilesystem() const {
    struct stat models {};
    struct stat outputs {};
    return ::stat(kModelFolder, &models) == 0 && ::stat(folder_.path().c_str(), &outputs) == 0 &&
           models.st_dev == outputs.st_dev;
  }

  const Options& options_;
  std::string commandLine_;
  TemporaryFolder folder_;
  Runner runner_;
  std::vector<Program> programs_;
  std::size_t threadsOne_ = 0;
  std::size_t naive_ = 0;
  std::size_t copy_ = 0;
  std::size_t copySync_ = 0;
  std::vector<double> batchEmpty_;     // seconds of tessary-scale into an empty folder
  std::vector<double> batchExisting_;  // over the outputs of the run before
  std::vector<double> batchCopy_;      // cp and one sync -f
  double batchMegabytes_ = 0;
  std::size_t unsynced_ = 0;
  std::size_t devNull_ = 0;
  std::vector<ClassResult> classes_;
  std::vector<std::size_t> startupPrograms_;
  std::vector<std::vector<double>> startup_;  // ms per run of each batch, per program
  std::uintmax_t startupBytes_ = 0;
  std::string loadBefore_;
  std::string loadAfter_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) return 2;

  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: the wait for a program returns to look at the flag
  for (const int signal : {SIGINT, SIGTERM, SIGHUP})
    sigaction(signal, &action, nullptr);

  try {
    Comparison comparison(*options, CommandLine(argc, argv));
    comparison.Run();
    comparison.Print();
  } catch (const Interrupted&) {
    std::fputs("tessary-compare: interrupted\n", stderr);
    return 130;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tessary-compare: %s\n", error.what());
    return 1;
  }
  return 0;
}
