#include "model/pass/parallel_pass.h"

#include <algorithm>
#include <cassert>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "model/numbers/eight_digits.h"
#include "model/pass/byte_buffer.h"
#include "model/pass/input_file.h"
#include "model/pass/line_feeds.h"
#include "model/pass/output_file.h"
#include "model/pass/pass_core.h"

namespace tessary {
namespace {

// A chunk's output and its marks are capped (by a multiple of the largest chunk, and by a
// number of lines); a chunk that goes past either is scaled again in order, and the chunks
// read after it are made smaller, so that memory stays bounded for any kind of line.
constexpr std::size_t kMaxLinesPerChunk = std::size_t{1} << 15;

bool StartsANumber(char c) {
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
}

// Where a line's output begins in its chunk's output, how many points came before it, and
// whether a block was open before it.
struct LineMark {
  std::uint32_t outputOffset : 31;
  std::uint32_t outsideBlocks : 1;
  std::uint32_t pointsBefore;
};

// A buffer that keeps its size between uses, and the bytes it holds.
struct TextBuffer {
  ByteBuffer memory;
  std::size_t size = 0;

  std::string_view view() const { return {memory.data(), size}; }
  char* data() { return memory.data(); }
  /// Room for `total` bytes in all, keeping the first `size`.
  char* Room(std::size_t total) {
    memory.Grow(total, size);
    return memory.data();
  }
};

// The output a chunk may make before it is scaled again in order (see ChunkSink), and the room
// that leaves for its last line.
std::size_t OutputCap(const ParallelOptions& options) {
  return std::max<std::size_t>(options.maxChunk / 2 * 3, 1 << 16);
}
std::size_t OutputRoom(const ParallelOptions& options) {
  return OutputCap(options) + std::max(options.maxChunk + 2, pass::kMaxRewrittenLine);
}

struct Chunk {
  enum class State { Waiting, Working, Ready };

  TextBuffer text;  // whole lines
  State state = State::Waiting;
  // What a worker made of it, assuming no block open at its start:
  TextBuffer output;
  std::vector<LineMark> marks;
  std::uint64_t lines = 0;
  std::uint64_t points = 0;
  const KeywordRule* openRule = nullptr;
  int owed = 0;
  bool tooLarge = false;  // the output outgrew its cap: the chunk is scaled again in order
  std::exception_ptr error;
};

// Collects a chunk's output in memory, marking where each line begins.
class ChunkSink {
 public:
  struct TooLarge {};

  // The chunk's output has room for `cap` bytes and one more line of the chunk.
  ChunkSink(Chunk& chunk, const ScaleFactors& factors, std::size_t cap)
      : chunk_(chunk), factors_(factors), cap_(cap), out_(chunk.output.data()) {}
  ~ChunkSink() { chunk_.output.size = static_cast<std::size_t>(out_ - chunk_.output.data()); }
  ChunkSink(const ChunkSink&) = delete;
  ChunkSink& operator=(const ChunkSink&) = delete;

  void LineStart(int owed) {
    const auto size = static_cast<std::size_t>(out_ - chunk_.output.data());
    if (size > cap_ || chunk_.marks.size() == kMaxLinesPerChunk) throw TooLarge{};
    chunk_.marks.push_back({static_cast<std::uint32_t>(size), owed == 0 ? 1u : 0u,
                            static_cast<std::uint32_t>(chunk_.points)});
  }
  void Copy(std::string_view text) {
    std::memcpy(out_, text.data(), text.size());
    std::memcpy(out_ + text.size(), "\r\n", 2);
    out_ += text.size() + 2;
  }
  void Header(const KeywordRule&) {}
  void Rewrite(const KeywordRule& rule, double* values) {
    out_ = pass::WriteRewrittenLine(out_, rule, values, factors_);
    ++chunk_.points;
  }
  OutputFile* Echo() { return nullptr; }  // a chunk's lines always come whole

 private:
  Chunk& chunk_;
  const ScaleFactors& factors_;
  std::size_t cap_;
  char* out_;
};

class ParallelPass {
 public:
  ParallelPass(InputFile& input, OutputFile& output, const ScaleFactors& factors,
               const PassControl& control, const ParallelOptions& options)
      : input_(input),
        output_(output),
        factors_(factors),
        control_(control),
        options_(options),
        inFlight_(static_cast<std::size_t>(options.threads) + 2),
        outputCap_(OutputCap(options)),
        chunkTarget_(std::min<std::size_t>(options.chunkSize, 1 << 18)) {}

  ParallelPass(const ParallelPass&) = delete;
  ParallelPass& operator=(const ParallelPass&) = delete;

  ~ParallelPass() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    workToDo_.notify_all();
    for (std::thread& worker : workers_)
      worker.join();
  }

  PassStats Run();

 private:
  bool ReadChunk(Chunk& chunk);
  void Work();
  void ScaleUntilFirstReady();
  bool ThreadsPay();
  void Scale(Chunk& chunk);
  void AdjustChunkTarget(const Chunk& chunk);
  void PutRightAndWrite(Chunk& chunk);
  std::unique_ptr<Chunk> FreeChunk();

  InputFile& input_;
  OutputFile& output_;
  const ScaleFactors& factors_;
  const PassControl& control_;
  const ParallelOptions& options_;
  const std::size_t inFlight_;
  const std::size_t outputCap_;
  std::size_t chunkTarget_;  // the size chunks are read at: smaller after one outgrew its caps

  std::mutex mutex_;
  std::condition_variable workToDo_;
  std::condition_variable chunkReady_;
  std::deque<std::unique_ptr<Chunk>> queue_;  // in input order
  bool stopping_ = false;
  std::vector<std::thread> workers_;

  std::vector<std::unique_ptr<Chunk>> spare_;  // chunks to reuse, with their buffers
  TextBuffer carry_;                           // read after the last chunk's end
  bool inputEnded_ = false;
  bool lineTooLong_ = false;
  // The block left open by the chunks written so far.
  const KeywordRule* openRule_ = nullptr;
  int owed_ = 0;
  PassStats stats_;
};

PassStats ParallelPass::Run() {
  if (!ThreadsPay()) return RunScalingPass(input_, output_, factors_, control_);
  try {
    carry_.Room(options_.maxChunk);
  } catch (const std::bad_alloc&) {  // nothing taken yet: the sequential pass needs no more
    return RunScalingPass(input_, output_, factors_, control_);
  }
  try {
    for (int i = 0; i < options_.threads; ++i)
      workers_.emplace_back([this] { Work(); });
  } catch (const std::system_error&) {
    // Out of threads or of memory for their stacks: go on with the workers there are, or
    // with the sequential pass when there are none (nothing has been read yet).
    if (workers_.empty()) return RunScalingPass(input_, output_, factors_, control_);
  }
  for (;;) {
    while (queue_.size() < inFlight_ && (!inputEnded_ || carry_.size > 0) && !lineTooLong_) {
      std::unique_ptr<Chunk> chunk;
      try {
        chunk = FreeChunk();
      } catch (const std::bad_alloc&) {
        // No memory for one more chunk: go on with those there are, or with the sequential
        // pass when there are none (then nothing has been read).
        if (!queue_.empty()) break;
        return RunScalingPass(input_, output_, factors_, control_);
      }
      if (!ReadChunk(*chunk)) {
        if (lineTooLong_) std::swap(carry_, chunk->text);
        break;
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(chunk));
      }
      workToDo_.notify_one();
    }
    if (queue_.empty()) break;
    ScaleUntilFirstReady();
    PutRightAndWrite(*queue_.front());
    std::lock_guard<std::mutex> lock(mutex_);
    spare_.push_back(std::move(queue_.front()));
    queue_.pop_front();
  }
  if (lineTooLong_) {  // the rest goes through the sequential pass, which streams long lines
    input_.PushBack(carry_.view());
    pass::WritingSink sink(output_, factors_);
    pass::PassCore<pass::WritingSink> core(input_, sink, control_);
    stats_.lines += core.Run(openRule_, owed_);
    stats_.pointsScaled += sink.pointsScaled();
  }
  stats_.bytesRead = input_.bytes_read();
  stats_.bytesWritten = output_.bytes_written();
  return stats_;
}

// The share of `text`'s bytes in lines that start with a number.
double NumberShare(std::string_view text) {
  std::size_t numberBytes = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    std::size_t first = start;
    while (first < end && (text[first] == ' ' || text[first] == '\t'))
      ++first;
    if (first < end && StartsANumber(text[first])) numberBytes += end - start;
    start = end;
  }
  return text.empty() ? 1.0 : static_cast<double>(numberBytes) / static_cast<double>(text.size());
}

// Judges by the input's first chunk, looked at where the input holds it, whether the workers
// would pay; nothing is taken from the input, whichever pass then reads it.
bool ParallelPass::ThreadsPay() {
  if (options_.minNumberShare <= 0) return true;
  return NumberShare(input_.Peek(std::min(chunkTarget_, options_.maxChunk))) >=
         options_.minNumberShare;
}

// The buffers of a chunk are all taken here, on the calling thread, at the largest size they
// can need: the workers never allocate, and memory that is never written is never touched.
std::unique_ptr<Chunk> ParallelPass::FreeChunk() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!spare_.empty()) {
      std::unique_ptr<Chunk> chunk = std::move(spare_.back());
      spare_.pop_back();
      return chunk;
    }
  }
  auto chunk = std::make_unique<Chunk>();
  chunk->text.Room(options_.maxChunk);
  chunk->output.Room(OutputRoom(options_));
  chunk->marks.reserve(kMaxLinesPerChunk);
  return chunk;
}

// While the first chunk in line is being scaled by a worker, this thread scales the next ones
// that no worker has taken, then waits for the first.
void ParallelPass::ScaleUntilFirstReady() {
  for (;;) {
    Chunk* chunk = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (queue_.front()->state == Chunk::State::Ready) return;
      for (const auto& queued : queue_) {
        if (queued->state == Chunk::State::Waiting) {
          chunk = queued.get();
          chunk->state = Chunk::State::Working;
          break;
        }
      }
      if (chunk == nullptr) {
        chunkReady_.wait(lock, [this] { return queue_.front()->state == Chunk::State::Ready; });
        return;
      }
    }
    Scale(*chunk);
    std::lock_guard<std::mutex> lock(mutex_);
    chunk->state = Chunk::State::Ready;
  }
}

// The last line feed in [begin, end), or null: eight bytes at a time while none of them is one.
const char* LastLineFeed(const char* begin, const char* end) {
  while (end - begin >= 8 && LineFeedMarks(LoadEightBytes(end - 8)) == 0)
    end -= 8;
  while (end > begin) {
    if (*--end == '\n') return end;
  }
  return nullptr;
}

// A chunk whose first line is a block's line has to be put right in order, which the workers
// cannot share. Block lines are numbers, so a chunk is better cut just before a line that
// starts with anything else (a keyword, a comment), if there is one in the last quarter of the
// text: `end` (the last line feed) moves back to the line feed before it. The result is the
// same wherever chunks end.
std::size_t BetterEnd(std::string_view text, std::size_t end) {
  if (end == std::string_view::npos) return end;
  const char* const floor = text.data() + (end - end / 4);
  const char* feed = text.data() + end;
  while ((feed = LastLineFeed(floor, feed)) != nullptr) {
    const char* first = feed + 1;
    while (*first == ' ' || *first == '\t')
      ++first;
    if (*first != '\n' && *first != '\r' && !StartsANumber(*first)) {
      return static_cast<std::size_t>(feed - text.data());
    }
  }
  return end;
}

// Fills the chunk with whole lines; false when nothing is left or when a line is longer than
// the largest chunk (lineTooLong_, and the chunk holds what was read of it).
bool ParallelPass::ReadChunk(Chunk& chunk) {
  if (control_.cancelled()) throw PassCancelled();
  TextBuffer& text = chunk.text;
  std::swap(text, carry_);
  carry_.size = 0;
  const auto readUpTo = [&](std::size_t size) {
    text.Room(size);
    text.memory.Prepare(size);
    while (!inputEnded_ && text.size < size) {
      const std::size_t count = input_.Read(text.data() + text.size, size - text.size);
      text.size += count;
      inputEnded_ = count == 0;
    }
  };
  readUpTo(chunkTarget_);
  if (text.size == 0) return false;
  std::size_t end = BetterEnd(text.view(), text.view().rfind('\n'));
  for (std::size_t searched = 0; end == std::string::npos && !inputEnded_;) {
    if (text.size >= options_.maxChunk) {
      lineTooLong_ = true;
      return false;
    }
    searched = text.size;
    readUpTo(std::min(options_.maxChunk, text.size + chunkTarget_));
    end = text.view().find('\n', searched);
  }
  if (end != std::string::npos) {
    const std::size_t rest = text.size - (end + 1);
    std::memcpy(carry_.Room(std::max(rest, options_.maxChunk)), text.data() + end + 1, rest);
    carry_.size = rest;
    text.size = end + 1;
  }
  chunk.state = Chunk::State::Waiting;
  return true;
}

void ParallelPass::Work() {
  for (;;) {
    Chunk* chunk = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      workToDo_.wait(lock, [&] {
        if (stopping_) return true;
        for (const auto& queued : queue_) {
          if (queued->state == Chunk::State::Waiting) {
            chunk = queued.get();
            return true;
          }
        }
        return false;
      });
      if (chunk == nullptr) return;
      chunk->state = Chunk::State::Working;
    }
    Scale(*chunk);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      chunk->state = Chunk::State::Ready;
    }
    chunkReady_.notify_one();
  }
}

// A worker's guess: the chunk scaled as if no block were open at its start.
void ParallelPass::Scale(Chunk& chunk) {
  // Most chunks' output is shorter than twice their text.
  chunk.output.memory.Prepare(2 * chunk.text.size);
  chunk.output.size = 0;
  chunk.marks.clear();
  chunk.lines = chunk.points = 0;
  chunk.tooLarge = false;
  chunk.error = nullptr;
  try {
    InputFile lines(&control_, 0);
    lines.UseText(chunk.text.view());
    ChunkSink sink(chunk, factors_, outputCap_);
    pass::PassCore<ChunkSink> core(lines, sink, control_);
    chunk.lines = core.Run();
    chunk.openRule = core.open_rule();
    chunk.owed = core.owed();
  } catch (const ChunkSink::TooLarge&) {
    chunk.tooLarge = true;
  } catch (...) {
    chunk.error = std::current_exception();
  }
}

// Sizes the chunks still to be read so that their output and their lines fill about half
// of the caps, judging by the last chunk (a quarter of the size after one that outgrew them).
void ParallelPass::AdjustChunkTarget(const Chunk& chunk) {
  if (chunk.tooLarge) {
    chunkTarget_ = std::max<std::size_t>(chunkTarget_ / 4, 1);
    return;
  }
  const double size = static_cast<double>(chunk.text.size);
  const double byOutput =
      size * static_cast<double>(outputCap_) / (2.0 * static_cast<double>(chunk.output.size + 1));
  const double byLines = size * static_cast<double>(kMaxLinesPerChunk) /
                         (2.0 * static_cast<double>(chunk.marks.size() + 1));
  const double target = std::min({byOutput, byLines, static_cast<double>(options_.chunkSize)});
  chunkTarget_ = std::max<std::size_t>(static_cast<std::size_t>(target), 1);
}

// Writes the chunk's output as the sequential pass would have written it.
void ParallelPass::PutRightAndWrite(Chunk& chunk) {
  if (chunk.error) std::rethrow_exception(chunk.error);
  AdjustChunkTarget(chunk);
  const auto owedLines = static_cast<std::size_t>(owed_);
  const bool guessHolds =
      !chunk.tooLarge && (openRule_ == nullptr ||
                          (owedLines < chunk.marks.size() && chunk.marks[owedLines].outsideBlocks));
  if (guessHolds && openRule_ == nullptr) {
    output_.WriteThrough(chunk.output.view());
    stats_.lines += chunk.lines;
    stats_.pointsScaled += chunk.points;
    openRule_ = chunk.openRule;
    owed_ = chunk.owed;
    return;
  }
  InputFile lines(&control_, 0);
  lines.UseText(chunk.text.view());
  pass::WritingSink sink(output_, factors_);
  pass::PassCore<pass::WritingSink> core(lines, sink, control_);
  if (!guessHolds) {  // scale it all again, from the open block on
    stats_.lines += core.Run(openRule_, owed_);
    stats_.pointsScaled += sink.pointsScaled();
    openRule_ = core.open_rule();
    owed_ = core.owed();
    return;
  }
  // The open block's last lines, then the guess from there on.
  core.RunBlock(*openRule_, owed_);
  const std::size_t from = chunk.marks[owedLines].outputOffset;
  const std::uint64_t pointsBefore = chunk.marks[owedLines].pointsBefore;
  output_.WriteThrough(chunk.output.view().substr(from));
  stats_.lines += chunk.lines;
  stats_.pointsScaled += sink.pointsScaled() + chunk.points - pointsBefore;
  openRule_ = chunk.openRule;
  owed_ = chunk.owed;
}

}  // namespace

std::size_t ParallelPassMemory(const ParallelOptions& options) {
  const std::size_t chunks = static_cast<std::size_t>(options.threads) + 2;
  const std::size_t perChunk =
      sizeof(Chunk) + options.maxChunk + OutputRoom(options) + kMaxLinesPerChunk * sizeof(LineMark);
  return chunks * perChunk + options.maxChunk;  // and what was read after the last chunk
}

PassStats RunParallelScalingPass(InputFile& input, OutputFile& output, const ScaleFactors& factors,
                                 const PassControl& control, const ParallelOptions& options) {
  assert(options.threads > 0 && options.chunkSize > 0 && options.maxChunk >= options.chunkSize);
  return ParallelPass(input, output, factors, control, options).Run();
}

}  // namespace tessary
