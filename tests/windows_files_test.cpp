// Files as Windows keeps them: share modes, attributes, one file under several spellings, names
// outside any code page, streams, the console's Ctrl+Break, and how a new file takes the old
// one's place when the program ends there or the system's calls fail half-way.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "model/job/scale_job.h"
#include "platform/replacement.h"
#include "platform/windows/own_errors.h"
#include "platform/windows/replacement_calls.h"
#include "tests/support/files.h"
#include "tests/support/worked_example.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::ListFolder;
using testing::PathOf;
using testing::ProgramResult;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr const char* kModel = testing::kSmallModel;
constexpr const char* kScaled = testing::kSmallModelDoubled;

JobResult Scale(const std::string& input, const std::string& output, bool inPlace = false) {
  ScaleJob job{JobFile::Path(input), JobFile::Path(output), {2, 2, 2}, {}};
  job.inPlace = inPlace;
  return RunScaleJob(job);
}

ProgramResult Cli(const std::vector<std::string>& arguments) {
  return testing::RunProgram(TESSARY_SCALE_PATH, arguments);
}

// Stands in for the calls that put a new file in place, for as long as it lives.
class StandIns {
 public:
  explicit StandIns(platform::ReplacementCalls calls) : saved_(platform::CallsForReplacement()) {
    platform::CallsForReplacement() = calls;
  }
  StandIns(const StandIns&) = delete;
  StandIns& operator=(const StandIns&) = delete;
  ~StandIns() { platform::CallsForReplacement() = saved_; }

 private:
  platform::ReplacementCalls saved_;
};

class WindowsFiles : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(input_, kModel); }

  TempDir dir_;
  std::string input_ = dir_.File("in.mdl");
  std::string output_ = dir_.File("out.mdl");
};

TEST_F(WindowsFiles, OneFileUnderOtherSpellingsIsTheInput) {
  ASSERT_TRUE(
      ::CreateHardLinkW(PathOf(dir_.File("link.mdl")).c_str(), PathOf(input_).c_str(), nullptr));
  std::vector<std::string> names = {dir_.File("IN.MDL"), dir_.File(".\\in.mdl"),
                                    dir_.File("link.mdl")};
  wchar_t shortName[MAX_PATH];
  if (::GetShortPathNameW(PathOf(input_).c_str(), shortName, MAX_PATH) != 0) {
    names.push_back(testing::Utf8(fs::path(shortName)));
  }
  for (const std::string& name : names) {
    const JobResult result = Scale(input_, name);
    EXPECT_EQ(result.status, JobStatus::OutputNotOpened) << name;
    EXPECT_EQ(result.reason, "is the same file as the input") << name;
  }
  EXPECT_EQ(ReadFile(input_), kModel);
}

TEST_F(WindowsFiles, FileOpenInAnotherProgramIsInUseAndKeptWhole) {
  WriteFile(output_, "previous");
  {
    // Another program reads the output and lets others read and write it too.
    const HANDLE reader = ::CreateFileW(PathOf(output_).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    const JobResult result = Scale(input_, output_);
    EXPECT_EQ(result.status, JobStatus::OutputNotOpened);
    EXPECT_EQ(result.reason, "is in use by another program");
    char seen[16] = {};
    DWORD read = 0;
    ::ReadFile(reader, seen, sizeof seen, &read, nullptr);
    EXPECT_EQ(std::string(seen, read), "previous");
    ::CloseHandle(reader);
  }
  EXPECT_EQ(Scale(input_, output_).status, JobStatus::Done);  // once it is free
  EXPECT_EQ(ReadFile(output_), kScaled);
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"in.mdl", "out.mdl"}));
}

TEST_F(WindowsFiles, ReadOnlyFilesAreNotReplaced) {
  WriteFile(output_, "previous");
  ASSERT_TRUE(::SetFileAttributesW(PathOf(output_).c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(::SetFileAttributesW(PathOf(input_).c_str(), FILE_ATTRIBUTE_READONLY));
  const JobResult output = Scale(input_, output_);
  EXPECT_EQ(output.status, JobStatus::OutputNotOpened);
  EXPECT_EQ(output.reason, platform::ErrorText(ERROR_ACCESS_DENIED));
  const JobResult inPlace = Scale(input_, {}, true);
  EXPECT_EQ(inPlace.status, JobStatus::OutputNotOpened);
  EXPECT_EQ(ReadFile(output_), "previous");
  EXPECT_EQ(ReadFile(input_), kModel);
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"in.mdl", "out.mdl"}));
  ::SetFileAttributesW(PathOf(output_).c_str(), FILE_ATTRIBUTE_NORMAL);
  ::SetFileAttributesW(PathOf(input_).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(WindowsFiles, NamesOutsideAnyCodePageAreScaledAndNamedAsTyped) {
  const std::string model =
      dir_.File("mod\xC3\xA8le-\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1-\xF0\x9F\x99\x82.mdl");
  const std::string scaled = dir_.File("\xE6\xA8\xA1\xE5\x9E\x8B-x2.mdl");
  WriteFile(model, kModel);
  ProgramResult result = Cli({model, scaled, "2"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ReadFile(scaled), kScaled);
  result = Cli({"-i", "-s", "2", model});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ReadFile(model), kScaled);
  result = Cli({model, model, "2"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "tessary-scale: Unable to open output file. (" + model +
                            ": is the same file as the input)\n");
}

TEST_F(WindowsFiles, WildcardsAreExpandedAsAShellWould) {
  WriteFile(dir_.File("b.mdl"), kModel);
  WriteFile(dir_.File("c.mdl_old"), kModel);  // "*.mdl" may find it by a short name
  fs::create_directory(dir_.path() / "out");
  // One that matches nothing names no file, which stops the batch before anything is written.
  ProgramResult result =
      Cli({"-s", "2", "-t", dir_.File("out"), dir_.File("*.mdl"), dir_.File("none*.mdl")});
  EXPECT_EQ(result.exitCode, 2) << "none*.mdl matches nothing, and names no file";
  EXPECT_NE(result.err.find("none*.mdl' names no file: no file matches it"), std::string::npos)
      << result.err;
  EXPECT_EQ(ListFolder(dir_.path() / "out"), std::vector<std::string>{});
  result = Cli({"-s", "2", "-t", dir_.File("out"), dir_.File("*.mdl")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ListFolder(dir_.path() / "out"), (std::vector<std::string>{"b.mdl", "in.mdl"}));
  EXPECT_EQ(ReadFile(dir_.File("out\\b.mdl")), kScaled);
}

TEST_F(WindowsFiles, SuffixNamingAnotherFolderOrAStreamIsRefused) {
  for (const char* suffix : {"\\..\\x", "/x", ":s"}) {
    const ProgramResult result = Cli({"-s", "2", std::string("--suffix=") + suffix, input_});
    EXPECT_EQ(result.exitCode, 2) << suffix;
    EXPECT_NE(result.err.find(std::string("has a '") + suffix[0] + "' in it"), std::string::npos)
        << result.err;
  }
  EXPECT_EQ(ListFolder(dir_.path()), std::vector<std::string>{"in.mdl"});
}

TEST_F(WindowsFiles, StreamOfAFileIsNotAnOutput) {
  WriteFile(output_, "previous");
  for (const std::string& stream : {output_ + ":s", dir_.File("new.mdl:s")}) {
    const JobResult result = Scale(input_, stream);
    EXPECT_EQ(result.status, JobStatus::OutputNotOpened) << stream;
    EXPECT_EQ(result.reason, platform::ErrorText(platform::kNamesStream)) << stream;
  }
  EXPECT_EQ(Scale(input_, "NUL:").status, JobStatus::Done) << "a device's old spelling";
  // Read from, a stream is a model like any other; replaced in place, it is refused.
  const ProgramResult result = Cli({"-i", "-s", "2", input_ + ":s"});
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_EQ(ReadFile(output_), "previous");
  EXPECT_EQ(ReadFile(input_), kModel);
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"in.mdl", "out.mdl"}));
}

// cmd's "tessary-scale.exe in.mdl - 2 >> in.mdl": the redirection holds the input open, which
// must not make it look in use by another program.
TEST_F(WindowsFiles, StandardOutputRedirectedToTheInputIsTheSameFile) {
  testing::ProgramSetup setup;
  setup.outputPath = input_;
  const ProgramResult result = testing::RunProgram(TESSARY_SCALE_PATH, {input_, "-", "2"}, setup);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err,
            "tessary-scale: Unable to open output file. (standard output: is the same file as "
            "the input)\n");
  EXPECT_EQ(ReadFile(input_), kModel);
}

// Another program acts on the model while it is replaced, through a handle that, unlike
// Tessary's own, lets it in: it saves the model (a new file renamed over its name), and its save
// stays; or it holds the model open, and the model is in use. Either way the model is left as
// that program left it, and nothing is left beside it.
struct OtherProgram {
  const char* name;
  HANDLE (*act)(const std::string& model);  ///< a handle it keeps open until the commit is over
  bool changedMeanwhile;                    ///< else: in use
  const char* model;                        ///< afterwards
  std::vector<std::string> files;
};

HANDLE SaveInTwoSteps(const std::string& model) {
  // Wine renames nothing over a file held open: the old file aside, the new one under the name.
  ::MoveFileW(PathOf(model).c_str(), PathOf(model.substr(0, model.size() - 4) + ".old").c_str());
  WriteFile(model, "another program's save");
  return INVALID_HANDLE_VALUE;
}

HANDLE HoldOpen(const std::string& model) {
  return ::CreateFileW(PathOf(model).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       0, nullptr);
}

TEST_F(WindowsFiles, ModelSavedByAnotherProgramMeanwhileIsLeftAlone) {
  const OtherProgram cases[] = {
      {"SavedInTwoSteps", SaveInTwoSteps, true, "another program's save", {"in.mdl", "in.old"}},
      {"HeldOpen", HoldOpen, false, kModel, {"in.mdl"}},
  };
  for (const OtherProgram& row : cases) {
    SCOPED_TRACE(row.name);
    ::DeleteFileW(PathOf(dir_.File("in.old")).c_str());
    WriteFile(input_, kModel);
    // Held as another program lets it be renamed over, which Tessary's own open never allows.
    const HANDLE held = ::CreateFileW(PathOf(input_).c_str(), GENERIC_READ | READ_CONTROL,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    platform::File original = platform::File::Own(reinterpret_cast<platform::File::Handle>(held));
    const platform::FileStatus read = original.Status();
    platform::Replacement replacement;
    ASSERT_EQ(replacement.Create(input_, &original), 0);
    std::size_t written = 0;
    ASSERT_EQ(replacement.file().Write("new", 3, written), 0);
    const HANDLE others = row.act(input_);
    const platform::Error error = replacement.Commit(original, &read);
    if (others != INVALID_HANDLE_VALUE) ::CloseHandle(others);
    EXPECT_NE(error, 0);
    EXPECT_EQ(replacement.changed_meanwhile(), row.changedMeanwhile);
    if (!row.changedMeanwhile) {
      EXPECT_TRUE(platform::IsKind(error, platform::ErrorKind::InUse))
          << platform::ErrorText(error);
    }
    EXPECT_EQ(ReadFile(input_), row.model);
    EXPECT_EQ(ListFolder(dir_.path()), row.files);
  }
}

// What other programs try during the pass (from its progress report, once it has read the
// model), or at the commit (just before the new file takes the name) and, refused then, again
// once the run is over, as a program that retries its save does: the model and an existing
// output are held with no sharing from their opening until the new file has the name, so that
// no change of theirs is lost; an output that did not exist is theirs once they make it, and so
// is a name their save takes in the instant it is free, while the old file is kept beside it.
// A file made read-only meanwhile is not replaced.
struct Meanwhile {
  const char* name;
  bool inPlace;
  bool outputExists;
  bool (*act)(const std::string& file);  ///< whether the other program could do it
  bool done;                             ///< whether the run puts its output in place
  bool atCommit = false;
  std::string after = {};        ///< the file afterwards, when not the run's or the other's
  const char* kept = nullptr;    ///< the old file, kept beside it under a hidden name
  const char* reason = nullptr;  ///< why the run failed
};

bool AppendTo(const std::string& file) {
  const HANDLE handle =
      ::CreateFileW(PathOf(file).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  ::WriteFile(handle, "1 2 3\n", 6, &written, nullptr);
  ::CloseHandle(handle);
  return true;
}

bool SaveInPlace(const std::string& file) {
  const HANDLE handle = ::CreateFileW(PathOf(file).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      TRUNCATE_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  ::WriteFile(handle, "another program's save", 22, &written, nullptr);
  ::CloseHandle(handle);
  return true;
}

bool SaveOver(const std::string& file) {
  WriteFile(file + ".save", "another program's save");
  const bool saved = ::MoveFileExW(PathOf(file + ".save").c_str(), PathOf(file).c_str(),
                                   MOVEFILE_REPLACE_EXISTING);
  ::DeleteFileW(PathOf(file + ".save").c_str());
  return saved;
}

bool Create(const std::string& file) {
  WriteFile(file, "another program's file");
  return true;
}

bool MakeReadOnly(const std::string& file) {
  return ::SetFileAttributesW(PathOf(file).c_str(), FILE_ATTRIBUTE_READONLY);
}

// What the other program does at the commit, once.
std::function<void()> beforeLink;

platform::Error LinkAfterAnotherProgram(HANDLE file, const std::wstring& path, bool replace) {
  if (beforeLink) std::exchange(beforeLink, nullptr)();
  return platform::LinkFile(file, path, replace);
}

TEST_F(WindowsFiles, NoOtherProgramsChangeIsLost) {
  const std::string scaledAndAppended = std::string(kScaled) + "1 2 3\n";
  const char* const save = "another program's save";
  const char* const readOnly = "is read-only, so it cannot be replaced";
  const Meanwhile cases[] = {
      {"AppendToTheModel", true, false, AppendTo, true},
      {"SaveOverTheModel", true, false, SaveOver, true},
      {"AppendToTheOutput", false, true, AppendTo, true},
      {"SaveOverTheOutput", false, true, SaveOver, true},
      {"CreateTheOutput", false, false, Create, false},
      {"AppendToTheModelAtTheCommit", true, false, AppendTo, true, true, scaledAndAppended},
      {"SaveTheModelInPlaceAtTheCommit", true, false, SaveInPlace, true, true, save},
      {"SaveOverTheModelAtTheCommit", true, false, SaveOver, false, true, save, kModel},
      {"AppendToTheOutputAtTheCommit", false, true, AppendTo, true, true, scaledAndAppended},
      {"SaveTheOutputInPlaceAtTheCommit", false, true, SaveInPlace, true, true, save},
      {"SaveOverTheOutputAtTheCommit", false, true, SaveOver, false, true, save, "previous"},
      {"MakeTheModelReadOnly", true, false, MakeReadOnly, false, false, kModel, nullptr, readOnly},
      {"MakeTheOutputReadOnly", false, true, MakeReadOnly, false, false, "previous", nullptr,
       readOnly},
  };
  const StandIns standIns({LinkAfterAnotherProgram, ::ReplaceFileW});
  for (const Meanwhile& row : cases) {
    SCOPED_TRACE(row.name);
    for (const std::string& name : ListFolder(dir_.path())) {
      ::SetFileAttributesW(PathOf(dir_.File(name)).c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(PathOf(dir_.File(name)).c_str());
    }
    WriteFile(input_, kModel);
    if (row.outputExists) WriteFile(output_, "previous");
    const std::string& replaced = row.inPlace ? input_ : output_;
    bool acted = false;
    bool could = false;
    const auto act = [&] {
      if (!std::exchange(acted, true)) could = row.act(replaced);
    };
    ScaleJob job{JobFile::Path(input_), JobFile::Path(output_), {2, 2, 2}, {}};
    job.inPlace = row.inPlace;
    if (row.atCommit) {
      beforeLink = act;
    } else {
      job.control.progress = [&](std::uint64_t, std::uint64_t) { act(); };
    }
    const JobResult result = RunScaleJob(job);
    beforeLink = nullptr;
    ASSERT_TRUE(acted);
    EXPECT_EQ(could, !row.done) << "held with no sharing, the file takes no other change";
    if (row.atCommit && !could) {
      EXPECT_TRUE(row.act(replaced)) << "retried once the run is over, it gets in";
    }
    EXPECT_EQ(result.status, row.done ? JobStatus::Done : JobStatus::Failed) << result.reason;
    if (row.reason != nullptr) {
      EXPECT_EQ(result.reason, row.reason);
    }
    EXPECT_EQ(ReadFile(replaced), !row.after.empty() ? row.after
                                  : row.done         ? kScaled
                                                     : "another program's file");
    std::vector<std::string> expected = {"in.mdl"};
    if (!row.inPlace) expected.push_back("out.mdl");
    std::vector<std::string> kept;
    for (const std::string& name : ListFolder(dir_.path())) {
      if (name[0] == '.') kept.push_back(ReadFile(dir_.File(name)));
    }
    EXPECT_EQ(kept, row.kept != nullptr ? std::vector<std::string>{row.kept}
                                        : std::vector<std::string>{});
    std::vector<std::string> named = ListFolder(dir_.path());
    std::erase_if(named, [](const std::string& name) { return name[0] == '.'; });
    EXPECT_EQ(named, expected);
  }
  for (const std::string& name : ListFolder(dir_.path())) {
    ::SetFileAttributesW(PathOf(dir_.File(name)).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// How ReplaceFileW may fail, as its documentation says, on a volume whose files cannot have two
// names (FAT), where it puts the new file in place: what the stand-in does before it fails.
enum class HalfWay { Succeeds, Nothing, OldRemoved, OldUnderBackupName, BothHeld };
struct ReplaceFailure {
  const char* name;
  DWORD error;
  HalfWay done;
  bool newInPlace;  ///< whether the output is the new file afterwards (else the old one)
};
ReplaceFailure failure;
HANDLE held[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};

platform::Error NoLinks(HANDLE, const std::wstring&, bool) {
  return ERROR_INVALID_FUNCTION;
}

BOOL WINAPI FailingReplaceFile(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags,
                               LPVOID exclude, LPVOID reserved) {
  const auto hold = [](LPCWSTR path) {
    return ::CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  };
  switch (failure.done) {
    case HalfWay::Succeeds:
      return ::ReplaceFileW(replaced, replacement, backup, flags, exclude, reserved);
    case HalfWay::Nothing:
      break;
    case HalfWay::OldRemoved:
      ::DeleteFileW(replaced);
      break;
    case HalfWay::OldUnderBackupName:
      ::MoveFileW(replaced, backup);
      break;
    case HalfWay::BothHeld:  // and neither can be moved back, as while a scanner reads them
      ::MoveFileW(replaced, backup);
      held[0] = hold(backup);
      held[1] = hold(replacement);
      break;
  }
  ::SetLastError(failure.error);
  return FALSE;
}

TEST_F(WindowsFiles, ReplaceFileFailuresLeaveTheOldOutputOrTheNewOne) {
  const ReplaceFailure cases[] = {
      {"succeeding", 0, HalfWay::Succeeds, true},
      {"ERROR_UNABLE_TO_REMOVE_REPLACED", ERROR_UNABLE_TO_REMOVE_REPLACED, HalfWay::Nothing, false},
      {"ERROR_UNABLE_TO_MOVE_REPLACEMENT", ERROR_UNABLE_TO_MOVE_REPLACEMENT, HalfWay::Nothing,
       false},
      {"ERROR_UNABLE_TO_MOVE_REPLACEMENT with the old file gone", ERROR_UNABLE_TO_MOVE_REPLACEMENT,
       HalfWay::OldRemoved, true},
      {"ERROR_UNABLE_TO_MOVE_REPLACEMENT_2", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2,
       HalfWay::OldUnderBackupName, false},
      {"ERROR_ACCESS_DENIED", ERROR_ACCESS_DENIED, HalfWay::Nothing, false},
  };
  const StandIns standIns({NoLinks, FailingReplaceFile});
  for (const ReplaceFailure& row : cases) {
    for (const bool inPlace : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (inPlace ? ", in place" : ""));
      failure = row;
      WriteFile(input_, kModel);
      WriteFile(output_, "previous");
      const JobResult result = inPlace ? Scale(input_, {}, true) : Scale(input_, output_);
      EXPECT_EQ(result.status, row.newInPlace ? JobStatus::Done : JobStatus::Failed);
      EXPECT_EQ(ReadFile(inPlace ? input_ : output_),
                row.newInPlace ? kScaled : (inPlace ? kModel : "previous"));
      EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"in.mdl", "out.mdl"}));
    }
  }

  // Neither file can have the name again: both stay beside it, and the run says so.
  failure = {"held", ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, HalfWay::BothHeld, false};
  WriteFile(output_, "previous");
  const JobResult result = Scale(input_, output_);
  for (HANDLE& handle : held)
    ::CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE));
  EXPECT_EQ(result.status, JobStatus::Failed);
  EXPECT_EQ(result.systemError, platform::kNeitherInPlace);
  std::vector<std::string> kept;
  for (const std::string& name : ListFolder(dir_.path())) {
    if (name != "in.mdl") kept.push_back(ReadFile(dir_.File(name)));
  }
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, (std::vector<std::string>{kScaled, "previous"}));
}

// A new file that is not put in place is removed by the system as its handle closes, and
// nothing by its name: once the file has left it, the name may be another program's. Here the
// file leaves it through its handle, as closing would, and another program makes a file under
// it before the link fails.
std::string nameTakenIn;  // the folder

platform::Error LinkFailsOnceTheNameIsTaken(HANDLE file, const std::wstring&, bool) {
  for (const std::string& name : ListFolder(PathOf(nameTakenIn))) {
    if (name.rfind(".out.mdl.tessary-", 0) != 0) continue;
    const std::string path = platform::JoinPath(nameTakenIn, name);
    if (platform::RenameFile(file, PathOf(path + "-moved").wstring()) == 0) {
      WriteFile(path, "another program's file");
    }
  }
  return ERROR_DISK_FULL;
}

TEST_F(WindowsFiles, NewFileNotPutInPlaceGoesWithItsHandleAlone) {
  nameTakenIn = testing::Utf8(dir_.path());
  const StandIns standIns({LinkFailsOnceTheNameIsTaken, ::ReplaceFileW});
  const JobResult result = Scale(input_, output_);
  EXPECT_EQ(result.status, JobStatus::Failed) << result.reason;
  std::vector<std::string> others;
  for (const std::string& name : ListFolder(dir_.path())) {
    if (name != "in.mdl") others.push_back(name.substr(0, 17) + ": " + ReadFile(dir_.File(name)));
  }
  EXPECT_EQ(others, std::vector<std::string>{".out.mdl.tessary-: another program's file"});
}

// Run in a child of this test program (see below): ends the program as a kill would, just
// before the old file is set aside, just before the new file takes the output's name (the old
// one aside), or just after.
TEST(WindowsEnded, DISABLED_AtTheReplacement) {
  const char* where = std::getenv("TESSARY_END");
  const char* folder = std::getenv("TESSARY_FOLDER");
  if (where == nullptr || folder == nullptr) GTEST_SKIP() << "run by RunEndedAtTheReplacement";
  static const std::string at = where;
  platform::CallsForReplacement().rename = [](HANDLE file, const std::wstring& path) {
    if (at == "before") ::TerminateProcess(::GetCurrentProcess(), 3);
    return platform::RenameFile(file, path);
  };
  platform::CallsForReplacement().link = [](HANDLE file, const std::wstring& path, bool replace) {
    if (at == "between") ::TerminateProcess(::GetCurrentProcess(), 3);
    const platform::Error error = platform::LinkFile(file, path, replace);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return error;
  };
  const std::string input = std::string(folder) + "\\in.mdl";
  if (std::getenv("TESSARY_IN_PLACE") != nullptr) {
    Scale(input, {}, true);
  } else {
    Scale(input, std::string(folder) + "\\out.mdl");
  }
}

// Ended at any moment, a run leaves the old file or the new one under the name, with no new
// file beside it: the new file is removed by the system with its handle, which is kept until it
// has the name. Windows replaces no name whose file is open, so the old file, held until then,
// is set aside first: ended after that, the run leaves it beside the name under its hidden name
// (and, ended in the instant before the link, alone), the user's old file, which a later run
// leaves as it is.
TEST_F(WindowsFiles, RunEndedAtTheReplacementLeavesTheOldOrTheNewFileAlone) {
  wchar_t self[MAX_PATH];
  ASSERT_NE(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  for (const std::string where : {"before", "between", "after"}) {
    for (const bool inPlace : {false, true}) {
      SCOPED_TRACE(where + (inPlace ? ", in place" : ""));
      for (const std::string& name : ListFolder(dir_.path()))
        ::DeleteFileW(PathOf(dir_.File(name)).c_str());
      WriteFile(input_, kModel);
      WriteFile(output_, "previous");
      testing::ProgramSetup setup;
      setup.environment = {"TESSARY_END=" + where, "TESSARY_FOLDER=" + testing::Utf8(dir_.path()),
                           inPlace ? "TESSARY_IN_PLACE=1" : "TESSARY_IN_PLACE"};
      const ProgramResult result = testing::RunProgram(
          testing::Utf8(fs::path(self)),
          {"--gtest_also_run_disabled_tests", "--gtest_filter=WindowsEnded.*"}, setup);
      EXPECT_EQ(result.exitCode, 3) << result.out;
      const std::string& replaced = inPlace ? input_ : output_;
      const char* const old = inPlace ? kModel : "previous";
      std::vector<std::string> expected = {"in.mdl", "out.mdl"};
      if (where == "between") std::erase(expected, inPlace ? "in.mdl" : "out.mdl");
      if (where != "between") {
        EXPECT_EQ(ReadFile(replaced), where == "after" ? kScaled : old);
      }
      if (!inPlace) {
        EXPECT_EQ(ReadFile(input_), kModel);
      }
      std::vector<std::string> kept;
      std::vector<std::string> named;
      for (const std::string& name : ListFolder(dir_.path())) {
        if (name[0] != '.') {
          named.push_back(name);
        } else if (platform::IsAsideNameOf(name, inPlace ? "in.mdl" : "out.mdl")) {
          kept.push_back(ReadFile(dir_.File(name)));
        } else {
          ADD_FAILURE() << name << " is left";
        }
      }
      EXPECT_EQ(named, expected);
      EXPECT_EQ(kept,
                where == "before" ? std::vector<std::string>{} : std::vector<std::string>{old});
      // The same command again leaves the old file kept aside as it is.
      inPlace ? Scale(input_, {}, true) : Scale(input_, output_);
      std::vector<std::string> keptAfter;
      for (const std::string& name : ListFolder(dir_.path())) {
        if (name[0] == '.') keptAfter.push_back(ReadFile(dir_.File(name)));
      }
      EXPECT_EQ(keptAfter, kept);
    }
  }
}

// A named pipe whose server offers a single instance: the one open is the read's.
TEST_F(WindowsFiles, NamedPipeWithOneInstanceIsReadAsAModel) {
  const std::string name = "\\\\.\\pipe\\tessary-test-" + std::to_string(::GetCurrentProcessId());
  const HANDLE pipe = ::CreateNamedPipeW(PathOf(name).c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE,
                                         1, 4096, 4096, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  std::thread server([pipe] {
    DWORD written = 0;
    if (::ConnectNamedPipe(pipe, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED) {
      ::WriteFile(pipe, kModel, static_cast<DWORD>(std::strlen(kModel)), &written, nullptr);
      ::FlushFileBuffers(pipe);
    }
    ::CloseHandle(pipe);
  });
  const JobResult result = Scale(name, output_);
  // Should the pass not have opened it, the server still waits: end that wait.
  const HANDLE client =
      ::CreateFileW(PathOf(name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (client != INVALID_HANDLE_VALUE) ::CloseHandle(client);
  server.join();
  EXPECT_EQ(result.status, JobStatus::Done) << result.reason;
  EXPECT_EQ(ReadFile(output_), kScaled);
}

// Ctrl+C on the console: the run stops, the program ends as programs stopped by Ctrl+C do,
// and the output is as it was.
TEST_F(WindowsFiles, CtrlCStopsARunAndKeepsTheOutput) {
  DWORD mode = 0;
  if (!::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode)) {
    GTEST_SKIP() << "Ctrl+C needs a console: run the tests in one (scripts/windows-test does)";
  }
  {
    std::string line = "position 1 2 3\n";
    std::string big;
    while (big.size() < (64u << 20))
      big += line;
    WriteFile(input_, big);
  }
  WriteFile(output_, "previous");
  testing::RunningProgram cli(TESSARY_SCALE_PATH, {"--threads", "1", input_, output_, "2"});
  // Under way: its new file has appeared beside the output.
  for (int i = 0; i < 60'000 && ListFolder(dir_.path()).size() < 3; ++i)
    ::Sleep(1);
  ASSERT_EQ(ListFolder(dir_.path()).size(), 3u);
  cli.Interrupt();
  const ProgramResult result = cli.Wait();
  EXPECT_EQ(static_cast<unsigned>(result.exitCode), 0xC000013Au);
  EXPECT_EQ(ReadFile(output_), "previous");
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"in.mdl", "out.mdl"}));
}

// Ctrl+C during an -i batch: the models replaced before it (one at a time here) are listed,
// and what the run lists is what it replaced.
TEST_F(WindowsFiles, CtrlCDuringABatchListsTheModelsReplaced) {
  DWORD mode = 0;
  if (!::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode)) {
    GTEST_SKIP() << "Ctrl+C needs a console: run the tests in one (scripts/windows-test does)";
  }
  const std::string first = dir_.File("a.mdl");
  WriteFile(first, kModel);
  {
    std::ofstream big(PathOf(input_), std::ios::binary);
    std::string lines;
    while (lines.size() < (1u << 20))
      lines += "position 1 2 3\n";
    for (int i = 0; i < 64; ++i)
      big << lines;
  }
  // An earlier Interrupt made this program ignore Ctrl+C, which a program it starts would
  // inherit (and keep, as it keeps an ignored signal): let the next one have it.
  ::SetConsoleCtrlHandler(nullptr, FALSE);
  testing::RunningProgram cli(TESSARY_SCALE_PATH,
                              {"-j", "1", "--threads", "1", "-i", "-s", "2", first, input_});
  // Under way on the second model: its new file has appeared beside it.
  const auto secondUnderWay = [&] {
    for (const std::string& name : ListFolder(dir_.path())) {
      if (name.rfind(".in.mdl.", 0) == 0) return true;
    }
    return false;
  };
  for (int i = 0; i < 60'000 && !secondUnderWay(); ++i)
    ::Sleep(1);
  ASSERT_TRUE(secondUnderWay());
  cli.Interrupt();
  const ProgramResult result = cli.Wait();
  EXPECT_EQ(static_cast<unsigned>(result.exitCode), 0xC000013Au);
  EXPECT_EQ(ReadFile(first), kScaled);
  const bool secondReplaced = ReadFile(input_).rfind("position 2.", 0) == 0;
  std::string expected = "tessary-scale: replaced " + first + "\n";
  if (secondReplaced) expected += "tessary-scale: replaced " + input_ + "\n";
  expected += secondReplaced ? "tessary-scale: interrupted: 2 of 2 models were replaced (listed "
                               "above)\n"
                             : "tessary-scale: interrupted: 1 of 2 models was replaced (listed "
                               "above); the others are as they were\n";
  EXPECT_EQ(result.err, expected);
  EXPECT_EQ(ListFolder(dir_.path()), (std::vector<std::string>{"a.mdl", "in.mdl"}));
}

}  // namespace
}  // namespace tessary
