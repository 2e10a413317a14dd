// A file for a test to read and write through the platform's files: in memory on Linux, a
// temporary file removed when closed on Windows. Either reads and writes as a regular file.
#pragma once

#include <string>
#include <string_view>

#include "platform/file.h"

namespace tessary::testing {

class ScratchFile {
 public:
  /// A file holding `contents`, positioned at its start.
  explicit ScratchFile(std::string_view contents = {});
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  ~ScratchFile();

  /// The file, borrowed: it stays open as long as this object.
  platform::File Borrow() const { return platform::File::Borrow(handle_); }
  platform::File::Handle handle() const { return handle_; }
  /// Everything the file holds, wherever it is positioned.
  std::string Contents() const;

 private:
  platform::File::Handle handle_;
};

}  // namespace tessary::testing
