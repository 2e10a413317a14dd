#include "cli/json_writer.h"

#include <cmath>
#include <cstdio>

#include "model/numbers/shortest_text.h"

namespace tessary::cli {

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) text_ += ',';
    first_.back() = false;
  }
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  text_ += bracket;
  first_.push_back(true);
}

void JsonWriter::Close(char bracket) {
  text_ += bracket;
  first_.pop_back();
}

void JsonWriter::Key(std::string_view key) {
  BeforeValue();
  Quoted(key);
  text_ += ':';
  afterKey_ = true;
}

void JsonWriter::String(std::string_view text) {
  BeforeValue();
  Quoted(text);
}

void JsonWriter::Number(double value) {
  BeforeValue();
  text_ += std::isfinite(value) ? ShortestText(value) : "null";
}

void JsonWriter::Number(std::uint64_t value) {
  BeforeValue();
  text_ += std::to_string(value);
}

void JsonWriter::Null() {
  BeforeValue();
  text_ += "null";
}

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t Utf8Length(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length;
  std::uint32_t code;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (overlong || surrogate || code > 0x10FFFF) return 0;
  return length;
}

}  // namespace

// JSON text is UTF-8: a byte that is not part of well-formed UTF-8 (a file name in another
// encoding) becomes U+FFFD, the replacement character.
void JsonWriter::Quoted(std::string_view text) {
  text_ += '"';
  while (!text.empty()) {
    const char c = text.front();
    const std::size_t length = Utf8Length(text);
    if (length == 0) {
      text_ += "\\ufffd";
      text.remove_prefix(1);
      continue;
    }
    if (length > 1) {
      text_.append(text.substr(0, length));
      text.remove_prefix(length);
      continue;
    }
    text.remove_prefix(1);
    switch (c) {
      case '"':
        text_ += "\\\"";
        break;
      case '\\':
        text_ += "\\\\";
        break;
      case '\n':
        text_ += "\\n";
        break;
      case '\r':
        text_ += "\\r";
        break;
      case '\t':
        text_ += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          text_ += escaped;
        } else {
          text_ += c;
        }
    }
  }
  text_ += '"';
}

}  // namespace tessary::cli
