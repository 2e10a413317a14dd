#include "model/standard_descriptors.h"

#include <fcntl.h>
#include <unistd.h>

namespace tessary {

void KeepStandardDescriptorsOpen() noexcept {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    // The lowest free number is `fd` itself, as the ones below it are open.
    const int opened = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    if (opened != fd && opened >= 0) ::close(opened);
  }
}

}  // namespace tessary
