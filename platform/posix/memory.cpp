#include "platform/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace tessary::platform {

void PrepareToWrite(void* data, std::size_t size) noexcept {
#ifdef MADV_POPULATE_WRITE
  if (size == 0) return;
  // Whole pages, from the one the range starts in: preparing a page changes none of its bytes,
  // so the part of it before `data` is unharmed. Kernels before 5.14 refuse the advice; pages
  // are then prepared as they are touched.
  static const auto kPage = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = start & ~(kPage - 1);
  ::madvise(reinterpret_cast<void*>(first), start + size - first, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace tessary::platform
