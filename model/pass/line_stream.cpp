#include "model/pass/line_stream.h"

#include <algorithm>
#include <cassert>
#include <string>

#include "model/pass/input_file.h"
#include "model/pass/output_file.h"

namespace tessary {

bool LineStream::HasPart() {
  while (part_.empty()) {
    if (!input_.ReadLinePart(part_)) return false;
  }
  return true;
}

bool LineStream::Peek(char& c) {
  if (carriageReturns_ == 0) {
    if (!HasPart()) return false;
    if (part_.front() != '\r') {
      c = part_.front();
      return true;
    }
    // A run of carriage returns belongs to the line only if something else follows it.
    do {
      const std::size_t run = std::min(part_.find_first_not_of('\r'), part_.size());
      carriageReturns_ += run;
      part_.remove_prefix(run);
    } while (part_.empty() && HasPart());
    if (part_.empty()) {
      carriageReturns_ = 0;
      return false;
    }
  }
  c = '\r';
  return true;
}

void LineStream::Advance() {
  char c = '\r';
  if (carriageReturns_ > 0) {
    --carriageReturns_;
  } else {
    c = part_.front();
    part_.remove_prefix(1);
  }
  if (echo_ != nullptr) echo_->Write(std::string_view(&c, 1));
}

void LineStream::DropCarriageReturns() {
  char c;
  if (Peek(c) && c == '\r') carriageReturns_ = 0;
}

void LineStream::CopyRest() {
  assert(echo_ != nullptr);
  char c;
  while (Peek(c)) {
    if (carriageReturns_ > 0) {
      static const std::string kReturns(4096, '\r');
      const auto run = static_cast<std::size_t>(std::min<std::uint64_t>(carriageReturns_, 4096));
      echo_->Write(std::string_view(kReturns).substr(0, run));
      carriageReturns_ -= run;
      continue;
    }
    // Up to the part's last character that is not a carriage return; Peek decides on the run
    // after it.
    const std::size_t length = part_.find_last_not_of('\r') + 1;
    echo_->Write(part_.substr(0, length));
    part_.remove_prefix(length);
  }
}

}  // namespace tessary
