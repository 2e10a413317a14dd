// Errors that the Windows implementation finds itself and that the system has no number for.
// Internal to the Windows implementation.
#pragma once

#include <string>

#include "platform/error.h"

namespace tessary::platform {

// Windows leaves the numbers with bit 29 set to programs: FormatMessage knows none of them, and
// ErrorText gives each its own words.
/// The name's last part holds a colon: it names a stream of a file ("a.mdl:s"), which cannot be
/// replaced as a whole file can.
inline constexpr Error kNamesStream = 0x20000001;
/// The file that was read is no longer the one the name gives, or it changed since.
inline constexpr Error kChangedMeanwhile = 0x20000002;
/// Putting the new file in place failed half-way, and neither file could be given the name
/// again: both are kept, under hidden names beside it.
inline constexpr Error kNeitherInPlace = 0x20000003;
/// The file became read-only during the run (another program made it so): it is left as it is.
inline constexpr Error kReadOnly = 0x20000004;
/// The new file could not take the name once the old one was set aside, nor the old one be put
/// back under it: the old one is kept beside it under its hidden name (AsideName).
inline constexpr Error kOldKeptAside = 0x20000005;

/// Whether `path` names a stream of a file: a colon in its last part, other than a drive's
/// ("C:name" is "name" in drive C's current folder).
bool NamesStream(const std::string& path);

}  // namespace tessary::platform
