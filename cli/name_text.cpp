#include "cli/name_text.h"

#include <cstdint>

namespace tessary::cli {
namespace {

// Whether `code` is a character that a terminal shows as nothing or that changes how the
// text around it is shown: line and paragraph separators, the marks and controls of
// bidirectional text (which can make a name read as another), invisible format characters
// and the tag characters.
bool IsInvisible(std::uint32_t code) {
  return code == 0x00AD || code == 0x061C || code == 0x180E || (code >= 0x200B && code <= 0x200F) ||
         (code >= 0x2028 && code <= 0x202E) || (code >= 0x2060 && code <= 0x206F) ||
         code == 0xFEFF || (code >= 0xFFF9 && code <= 0xFFFB) ||
         (code >= 0xE0000 && code <= 0xE007F);
}

// The length of the character that starts `text` when it is printable UTF-8, or 0 for a
// byte that has to be escaped: a control character (C0, DEL, or C1 encoded as U+0080 to
// U+009F), an invisible one (see IsInvisible) or a byte that does not start a well-formed
// UTF-8 sequence.
std::size_t PrintableLength(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x20 || lead == 0x7F) return 0;
  if (lead < 0x80) return 1;
  // The sequence's length, the lead byte's bits of the code point, and the smallest code
  // point that needs this many bytes (anything less is an overlong form).
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  std::uint32_t code = lead & (0x7Fu >> length);
  const std::uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (lead < 0xC2 || lead > 0xF4) return 0;
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return 0;
    code = (code << 6) | (byte(i) & 0x3Fu);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  if (code <= 0x9F || IsInvisible(code)) return 0;  // a C1 control character, or unseen
  return length;
}

// One byte as it is written between $' and ': \n for a line feed, \033 for ESC.
void AppendEscape(std::string& out, unsigned char c) {
  static constexpr char kLetters[] = "abtnvfr";  // for 7 to 13
  out += '\\';
  if (c >= 7 && c <= 13) {
    out += kLetters[c - 7];
    return;
  }
  out += static_cast<char>('0' + ((c >> 6) & 7));
  out += static_cast<char>('0' + ((c >> 3) & 7));
  out += static_cast<char>('0' + (c & 7));
}

bool NeedsQuoting(std::string_view name) {
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t length = PrintableLength(name.substr(at));
    if (length == 0) return true;
    at += length;
  }
  return false;
}

std::string ShellQuoted(std::string_view name) {
  std::string out;
  bool quoted = false;   // inside '...'
  bool escaped = false;  // inside $'...'
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t length = PrintableLength(name.substr(at));
    if (length == 0) {
      if (quoted) out += '\'';
      if (!escaped) out += "$'";
      quoted = false;
      escaped = true;
      AppendEscape(out, static_cast<unsigned char>(name[at]));
      ++at;
      continue;
    }
    if (escaped) out += '\'';
    if (!quoted) out += '\'';
    escaped = false;
    quoted = true;
    if (name[at] == '\'') {
      out += "'\\''";
    } else {
      out.append(name.substr(at, length));
    }
    at += length;
  }
  if (quoted || escaped) out += '\'';
  return out.empty() ? "''" : out;
}

}  // namespace

std::string NameText(std::string_view name) {
  return NeedsQuoting(name) ? ShellQuoted(name) : std::string(name);
}

std::string QuotedNameText(std::string_view name) {
  return ShellQuoted(name);
}

std::string ControlsEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool escaped = false;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = PrintableLength(text.substr(at));
    if (length == 0) {
      if (!escaped) out += "$'";
      escaped = true;
      AppendEscape(out, static_cast<unsigned char>(text[at]));
      ++at;
      continue;
    }
    if (escaped) out += '\'';
    escaped = false;
    out.append(text.substr(at, length));
    at += length;
  }
  if (escaped) out += '\'';
  return out;
}

}  // namespace tessary::cli
