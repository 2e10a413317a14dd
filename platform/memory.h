// Memory the program writes into.
#pragma once

#include <cstddef>

namespace tessary::platform {

/// Makes the `size` bytes at `data` (memory the caller owns) ready to be written in one step,
/// rather than page by page as each is first touched: on some machines, virtual ones above
/// all, a first touch costs many times what preparing the page ahead does. Leaves the bytes as
/// they are. May do nothing; never fails.
void PrepareToWrite(void* data, std::size_t size) noexcept;

}  // namespace tessary::platform
