// main() for tests that drive real widgets: Qt's offscreen platform, no display needed, and a
// home of their own, so that nothing a test does (file chooser history, font caches) lands in
// the user's home.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>

#include "tests/support/files.h"

int main(int argc, char** argv) {
  // Declared first, so that it goes after the application and everything it wrote.
  const tessary::testing::TempDir home;
  for (const auto& [variable, folder] : {std::pair{"HOME", "home"},
                                         {"XDG_CONFIG_HOME", "config"},
                                         {"XDG_CACHE_HOME", "cache"},
                                         {"XDG_DATA_HOME", "data"}}) {
    std::filesystem::create_directory(home.path() / folder);
    qputenv(variable, QByteArray::fromStdString(home.File(folder)));
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
