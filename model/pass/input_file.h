// Reads model text line by line, in bounded memory, as a text-mode stream of the original
// system would.
//
// Lines end at a line feed, which is not part of the line; every other byte, carriage returns,
// NUL and 0x80-0xFF included, is an ordinary character (the pass decides what to do with
// carriage returns). A last line without a line feed is still a line. A byte 0x1A (Ctrl-Z)
// ends the input as if the file ended there.
//
// Memory stays bounded whatever the input: a line longer than the buffer's capacity comes in
// parts (see ReadLine and ReadLinePart).
#pragma once

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "model/numbers/byte_vectors.h"
#include "model/numbers/eight_digits.h"
#include "model/pass/byte_buffer.h"
#include "model/pass/line_feeds.h"
#include "model/pass/pass_control.h"
#include "platform/file.h"

namespace tessary {

class InputFile {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;

  /// `control` (optional, kept by reference) gets progress after each read and can cancel a
  /// wait for data. `capacity` is the longest line returned whole.
  explicit InputFile(const PassControl* control = nullptr, std::size_t capacity = kDefaultCapacity);
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  /// Opens `path` for reading, alone (see platform::File::OpenToRead); a FIFO is opened
  /// without waiting for its writer (reading waits instead, where the wait can be cancelled).
  /// Returns 0 or the system's error: InUse when another program holds the file, IsFolder
  /// for a folder.
  platform::Error Open(const std::string& path);
  /// Reads from `file`, such as standard input, from where it stands; `name` is what
  /// messages call it.
  void Read(platform::File file, std::string name);

  /// Reads the next line into `line`, a view that stays valid until the next call. Returns
  /// false at the end of the input. When the line is longer than the capacity, `line` holds
  /// its first `capacity` bytes and line_complete() is false until ReadLinePart has given the
  /// rest. Throws FileError when reading fails, PassCancelled when cancelled while waiting.
  bool ReadLine(std::string_view& line) {
    return (lineComplete_ && TakeShortLine(line)) || ReadLineFromBuffer(line);
  }
  bool line_complete() const { return lineComplete_; }
  /// Gives the next part of an incomplete line (possibly empty when it is the last); returns
  /// false when the line has no more parts.
  bool ReadLinePart(std::string_view& part);

  /// Reads lines from `text`, which must outlive the reading, instead of from a file: all of it
  /// is the input (a Ctrl-Z in it is text) and every line comes whole.
  void UseText(std::string_view text);

  /// For readers that split the input into lines themselves: reads up to `size` bytes of model
  /// text (the input ends at a Ctrl-Z) into `into`; returns 0 at the end. Progress, waits and
  /// errors are as for ReadLine.
  std::size_t Read(char* into, std::size_t size);
  /// Puts `text` back in front of what is still to be read, so that ReadLine reads it next;
  /// at most the capacity, between whole lines.
  void PushBack(std::string_view text);
  /// The next bytes of model text, up to `size` (at most the capacity), without taking them:
  /// fewer only where the input ends. Valid until the next call. Waits and errors are as for
  /// ReadLine.
  std::string_view Peek(std::size_t size);

  /// Starts reading again from where the input started, for a second read of the same bytes.
  /// Only a regular file can be read twice: returns false for anything else. Progress goes on
  /// counting from what the first read reported. Throws FileError when seeking fails.
  bool Rewind();

  /// Closes the file; throws FileError on failure.
  void Close();
  /// Frees the buffer and forgets the control given: nothing more is read. The file stays
  /// open, and locked, until it is closed or reset.
  void StopReading() noexcept;

  /// The full path, or the name given to Read.
  const std::string& path() const { return name_; }
  /// What the file was when it was opened.
  const platform::FileStatus& status() const { return status_; }
  /// Whether it is a regular file, which can be read again and has a size.
  bool is_regular() const { return status_.kind == platform::FileKind::Regular; }
  /// The file read from.
  platform::File& file() { return file_; }
  /// The size when the file was opened, or 0 when it has none (a pipe, a terminal).
  std::uint64_t size() const;
  /// Bytes of model text taken from the file so far (up to a Ctrl-Z).
  std::uint64_t bytes_read() const { return taken_; }

 private:
  void Attach(platform::File file, std::string name);
  /// Takes the buffered text up to the next line feed, which is consumed; false if there is
  /// none in the buffer.
  bool TakeUpToLineFeed(std::string_view& text);
  /// The same for a line feed among the next kShortLine buffered bytes, looked for eight at a
  /// time in place: most lines are short, and a call to memchr costs more than finding it.
  bool TakeShortLine(std::string_view& text) {
    if (end_ - begin_ < kShortLine) return false;
    const char* const start = data() + begin_;
#ifdef __wasm_simd128__
    // The four blocks of 16 bytes at once, their line feeds in one mask.
    static_assert(kShortLine == 4 * simd::kWidth);
    std::uint64_t feeds = 0;
    for (int block = 0; block < 4; ++block) {
      feeds |= std::uint64_t{simd::MaskOfByte(simd::Load(start + block * simd::kWidth), '\n')}
               << (block * simd::kWidth);
    }
    if (feeds == 0) return false;
    const auto length = static_cast<std::size_t>(std::countr_zero(feeds));
    text = std::string_view(start, length);
    begin_ += length + 1;
    return true;
#else
    for (std::size_t at = 0; at < kShortLine; at += 8) {
      const std::uint64_t feeds = LineFeedMarks(LoadEightBytes(start + at));
      if (feeds != 0) {  // the lowest mark is the first line feed
        const std::size_t length = at + static_cast<std::size_t>(std::countr_zero(feeds)) / 8;
        text = std::string_view(start, length);
        begin_ += length + 1;
        return true;
      }
    }
    return false;
#endif
  }
  bool ReadLineFromBuffer(std::string_view& line);
  static constexpr std::size_t kShortLine = 64;
  const char* data() const {
    return memory_ != nullptr ? memory_ : buffer_.data();
  }
  /// Reads what comes next into the buffer after what it holds, at most `most` bytes.
  void Fill(std::size_t most = std::numeric_limits<std::size_t>::max());
  std::size_t ReadSome(char* into, std::size_t size);
  /// Takes `count` bytes just read to `data`: cut at a Ctrl-Z, counted, reported; returns how
  /// many are model text.
  std::size_t Accept(const char* data, std::size_t count);
  void WaitUntilReadable();
  void CheckNotShrunk();

  const PassControl* control_;
  std::size_t capacity_;
  ByteBuffer buffer_;
  const char* memory_ = nullptr;  // the text given to UseText, read instead of buffer_
  std::size_t begin_ = 0;         // first unread byte in buffer_
  std::size_t end_ = 0;           // one past the last byte read into buffer_
  bool atEnd_ = false;            // nothing more will be read from the file
  bool lineComplete_ = true;
  platform::File file_;
  std::string name_;
  platform::FileStatus status_;
  std::uint64_t startOffset_ = 0;  // where a borrowed regular file stood when it was given
  std::uint64_t rawRead_ = 0;      // bytes read from the descriptor, a Ctrl-Z and after included
  std::uint64_t readBefore_ = 0;   // by the reads before a Rewind, for progress
  std::uint64_t taken_ = 0;
};

}  // namespace tessary
