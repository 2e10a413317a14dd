// Text between the program's UTF-8 and Windows' UTF-16. Internal to the Windows implementation.
#pragma once

#include <string>
#include <string_view>

namespace tessary::platform {

/// UTF-8 `text` as UTF-16; bytes that are not UTF-8 become U+FFFD.
std::wstring Widen(std::string_view text);
/// UTF-16 `text` as UTF-8; unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view text);

}  // namespace tessary::platform
