// One line that is longer than the input's buffer, read a character at a time across its
// parts, in bounded memory: the slow path of the pass, for lines of any length.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/pass/token_reader.h"

namespace tessary {

class InputFile;
class OutputFile;

/// Shows the rest of an incomplete line as the pass sees a whole one: carriage returns at its
/// end are not part of it. A run of carriage returns is only counted, so memory stays bounded
/// even when the line is nothing else.
class LineStream {
 public:
  /// `first` is what InputFile::ReadLine returned; the rest comes from `input`. Whatever the
  /// stream leaves unread, the input's next ReadLine skips.
  LineStream(InputFile& input, std::string_view first) : input_(input), part_(first) {}
  LineStream(const LineStream&) = delete;
  LineStream& operator=(const LineStream&) = delete;

  /// While set, every character consumed is also written to `echo`.
  void SetEcho(OutputFile* echo) { echo_ = echo; }

  /// The next character, or false at the end of the line.
  bool Peek(char& c);
  /// Consumes the character Peek returned.
  void Advance();
  /// Consumes a run of carriage returns at the current position.
  void DropCarriageReturns();
  /// Consumes (and echoes) everything up to the end of the line.
  void CopyRest();

  /// Reads the next word as ReadToken does (breaks, an optional quote, NUL ending the line's
  /// words), passing each of its characters to `sink`. With `stopEarly`, reading stops as soon
  /// as `sink` returns false, leaving the rest of the word unread.
  template <typename Sink>
  void ReadWord(Sink&& sink, bool stopEarly);

 private:
  bool HasPart();

  InputFile& input_;
  std::string_view part_;
  std::uint64_t carriageReturns_ = 0;  // consumed from the input, not yet given out
  OutputFile* echo_ = nullptr;
  bool wordsEnded_ = false;  // a NUL was met: the line has no more words
};

template <typename Sink>
void LineStream::ReadWord(Sink&& sink, bool stopEarly) {
  char c = '\0';
  while (!wordsEnded_ && Peek(c) && IsTokenBreak(c, kModelBreaks))
    Advance();
  if (wordsEnded_ || !Peek(c) || c == '\0') {
    wordsEnded_ = true;
    return;
  }
  const bool quoted = kModelQuotes.Contains(c);
  const char quote = c;
  if (quoted) Advance();
  while (Peek(c)) {
    if (c == '\0') {
      wordsEnded_ = true;
      return;
    }
    if (quoted ? c == quote : IsTokenBreak(c, kModelBreaks)) {
      Advance();  // the character that ends the word is consumed, never passed on
      return;
    }
    const bool more = sink(c);
    if (!more && stopEarly) return;
    Advance();
  }
}

}  // namespace tessary
