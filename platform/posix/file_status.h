// A file's status as the portable code sees it, from what stat() gives.
#pragma once

#include <sys/stat.h>

#include "platform/file.h"

namespace tessary::platform {

/// The kind, size, identity and times in `status`; times in nanoseconds.
FileStatus StatusFrom(const struct stat& status);

}  // namespace tessary::platform
