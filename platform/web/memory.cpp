#include "platform/memory.h"

namespace tessary::platform {

// WebAssembly's memory is ready as soon as it is grown.
void PrepareToWrite(void*, std::size_t) noexcept {}

}  // namespace tessary::platform
