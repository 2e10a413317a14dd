// The Debian package that `make package` builds: what it holds, what it depends on, and that
// the unpacked programs run. Labelled "package": `make package` runs these after CPack.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/files.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;
using testing::ProgramResult;
using testing::ReadFile;
using testing::RunProgram;
using testing::TempDir;

// Every file and symbolic link under `root`, as paths relative to it.
std::set<std::string> FilesUnder(const fs::path& root) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_directory() || entry.is_symlink())
      files.insert(fs::relative(entry.path(), root).string());
  }
  return files;
}

class Package : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::vector<fs::path> found;
    if (fs::is_directory(TESSARY_PACKAGE_DIR)) {
      for (const auto& entry : fs::directory_iterator(TESSARY_PACKAGE_DIR)) {
        if (entry.path().extension() == ".deb") found.push_back(entry.path());
      }
    }
    ASSERT_EQ(found.size(), 1u) << "expected one package in " << TESSARY_PACKAGE_DIR
                                << ": run make package";
    deb_ = new std::string(found[0].string());
    unpacked_ = new TempDir;
    const ProgramResult result = RunProgram("/usr/bin/dpkg-deb", {"-x", *deb_, Root()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
  }
  static void TearDownTestSuite() {
    delete unpacked_;
    delete deb_;
  }

  static std::string Root() { return unpacked_->path().string(); }
  static std::string Field(const std::string& name) {
    return RunProgram("/usr/bin/dpkg-deb", {"-f", *deb_, name}).out;
  }

  static std::string* deb_;
  static TempDir* unpacked_;
};

std::string* Package::deb_ = nullptr;
testing::TempDir* Package::unpacked_ = nullptr;

TEST_F(Package, HoldsWhatTheInstallRulesInstall) {
  // The same project installed by CMake into a folder: the package must hold exactly that.
  TempDir staged;
  const ProgramResult install =
      RunProgram(CMAKE_COMMAND, {"--install", TESSARY_BUILD_DIR, "--prefix", staged.File("usr")});
  ASSERT_EQ(install.exitCode, 0) << install.err;
  EXPECT_EQ(FilesUnder(unpacked_->path()), FilesUnder(staged.path()));
}

TEST_F(Package, HoldsTheProgramsAndWhatComesWithThem) {
  const std::set<std::string> files = FilesUnder(unpacked_->path());
  std::vector<std::string> expected = {
      "usr/bin/tessary-scale",
      "usr/share/man/man1/tessary-scale.1.gz",
      "usr/share/bash-completion/completions/tessary-scale",
      "usr/share/zsh/vendor-completions/_tessary-scale",
      "usr/share/fish/vendor_completions.d/tessary-scale.fish",
      "usr/share/doc/tessary/copyright",
      "usr/share/doc/tessary/changelog.Debian.gz",
      "usr/share/doc/tessary/changelog.gz",
  };
#if TESSARY_WITH_GUI
  expected.insert(expected.end(),
                  {
                      "usr/bin/tessary",
                      "usr/share/man/man1/tessary.1.gz",
                      "usr/share/applications/org.example.Tessary.desktop",
                      "usr/share/metainfo/org.example.Tessary.metainfo.xml",
                      "usr/share/icons/hicolor/scalable/apps/org.example.Tessary.svg",
                      "usr/share/icons/hicolor/32x32/apps/org.example.Tessary.png",
                      "usr/share/bash-completion/completions/tessary",
                  });
#endif
  for (const std::string& file : expected)
    EXPECT_EQ(files.count(file), 1u) << file;
  for (const std::string& file : files)
    EXPECT_EQ(file.rfind("usr/", 0), 0u) << file << " is outside /usr";
}

TEST_F(Package, DependsOnTheLibrariesOfItsPrograms) {
  const std::string depends = Field("Depends");
  EXPECT_NE(depends.find("libc6 (>="), std::string::npos) << depends;
#if TESSARY_WITH_GUI
  EXPECT_NE(depends.find("libstdc++6 (>="), std::string::npos) << depends;
  EXPECT_NE(depends.find("libqt6widgets6 (>="), std::string::npos) << depends;
#endif
  EXPECT_EQ(Field("Package"), "tessary\n");
  EXPECT_EQ(Field("Version"), TESSARY_PACKAGE_VERSION "\n");
}

TEST_F(Package, UnpackedToolRuns) {
  ProgramResult result = RunProgram(Root() + "/usr/bin/tessary-scale", {"--version"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out.rfind("tessary-scale (Tessary) ", 0), 0u) << result.out;
  EXPECT_NE(result.out.find("License MIT"), std::string::npos) << result.out;

  TempDir dir;
  result = RunProgram(Root() + "/usr/bin/tessary-scale",
                      {testing::SourcePath("examples/crate.mdl"), dir.File("out.mdl"), "2"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ReadFile(dir.File("out.mdl")), ReadFile(testing::SourcePath("examples/crate-x2.mdl")));
}

#if TESSARY_WITH_GUI
TEST_F(Package, MetadataListsTheScreenshotsOfTheReadme) {
  const std::string metainfo =
      ReadFile(Root() + "/usr/share/metainfo/org.example.Tessary.metainfo.xml");
  const std::string readme = ReadFile(testing::SourcePath("README.md"));
  // Each "](docs/NAME.png)" of the README that shows the Linux program.
  int pictures = 0;
  for (std::size_t at = readme.find("](docs/"); at != std::string::npos;
       at = readme.find("](docs/", at + 1)) {
    const std::size_t end = readme.find(')', at);
    if (end == std::string::npos) {
      break;
    }
    const std::string path = readme.substr(at + 2, end - at - 2);
    if (!path.ends_with(".png") || path.starts_with("docs/windows-") ||
        path.starts_with("docs/web-")) {
      continue;  // the Windows program's and the web page's pictures are not this package's
    }
    ++pictures;
    EXPECT_NE(metainfo.find("/" + path + "</image>"), std::string::npos) << path;
  }
  EXPECT_GE(pictures, 1);
}
#endif

}  // namespace
}  // namespace tessary
