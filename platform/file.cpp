// What a file is on every system: a handle, owned or borrowed, that moves.
#include "platform/file.h"

#include <utility>

namespace tessary::platform {

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, kNone)), owned_(std::exchange(other.owned_, false)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Reset();
    handle_ = std::exchange(other.handle_, kNone);
    owned_ = std::exchange(other.owned_, false);
  }
  return *this;
}

File::~File() {
  Reset();
}

File File::Own(Handle handle) noexcept {
  File file;
  file.handle_ = handle;
  file.owned_ = true;
  return file;
}

}  // namespace tessary::platform
