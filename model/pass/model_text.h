// Telling model text from a picture, an archive or a program by the bytes a file starts with,
// before anything is written: tessary-scale refuses such an input, and the browser's page
// refuses the same files.
//
// Model text may hold a control byte here and there, and a small file a few of them, so the
// rule never decides on a few bytes: a file is not model text when, among its first 64 KiB,
// the control characters number at least 32 and more than 8 in 100 of the bytes other than
// NUL. Tabs, line feeds, vertical tabs, form feeds and carriage returns are whitespace to the
// pass, and Ctrl-Z ends the model, so none of them counts; nor does NUL, either way: some
// models hold NULs, and a model whose end was filled with zeros (space set aside for it, or a
// crash before its last bytes came) is still one. Compressed data, pictures and machine code
// have about 10 in 100 besides their NULs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/pass/pass_control.h"

namespace tessary {

class InputFile;

/// How much of a file's start is looked at.
inline constexpr std::size_t kModelTextSample = std::size_t{64} << 10;

/// Why `start`, the first kModelTextSample bytes of a file (or all of a shorter one), shows it
/// is not model text, such as "is not model text: 6650 of its first 65536 bytes are control
/// characters other than NUL, as in a picture, an archive or a program"; empty when it may be
/// model text.
std::string NotModelTextReason(std::string_view start);

/// The same for the regular file `input` has just opened, read from where its reading starts,
/// to which it goes back. Throws FileError when reading or seeking fails, PassCancelled when
/// `control` cancels.
std::string NotModelTextReason(InputFile& input, const PassControl& control);

}  // namespace tessary
