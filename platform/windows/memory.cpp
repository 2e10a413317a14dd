#include "platform/memory.h"

namespace tessary::platform {

// Windows has no call that commits private pages ahead of their first touch without writing
// to them; they are prepared as they are touched.
void PrepareToWrite(void*, std::size_t) noexcept {}

}  // namespace tessary::platform
