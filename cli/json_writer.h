// Writes JSON text: objects, arrays, strings and numbers, with the commas put in for the
// caller. A number that is not finite has no JSON form and is written as null.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessary::cli {

class JsonWriter {
 public:
  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  /// The key of the next value in the current object.
  void Key(std::string_view key);
  void String(std::string_view text);
  /// The shortest form that reads back as the same double; null when not finite.
  void Number(double value);
  void Number(std::uint64_t value);
  void Null();

  const std::string& text() const { return text_; }

 private:
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);
  void Quoted(std::string_view text);

  std::string text_;
  std::vector<bool> first_;  // per open object or array: nothing written in it yet
  bool afterKey_ = false;
};

}  // namespace tessary::cli
