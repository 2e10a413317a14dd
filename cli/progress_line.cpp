#include "cli/progress_line.h"

#include <algorithm>
#include <cmath>

#include "cli/format.h"
#include "platform/file.h"

namespace tessary::cli {
namespace {

constexpr double kRedrawSeconds = 0.1;
// Auto mode: the line shows once the work has lasted this long and looks like lasting more
// than a second in all, and in any case once it has lasted a second.
constexpr double kFirstLookSeconds = 0.25;
constexpr double kLongWorkSeconds = 1.0;

// Bytes in the unit that suits `scale`, with that unit's name.
struct Unit {
  double divisor;
  const char* name;
};
Unit UnitFor(std::uint64_t scale) {
  if (scale >= (std::uint64_t{1} << 30)) return {1024.0 * 1024.0 * 1024.0, "GiB"};
  if (scale >= (std::uint64_t{1} << 20)) return {1024.0 * 1024.0, "MiB"};
  if (scale >= (std::uint64_t{1} << 10)) return {1024.0, "KiB"};
  return {1.0, "B"};
}

std::string Duration(double seconds) {
  const auto whole = static_cast<long long>(std::ceil(seconds));
  if (whole < 60) return Format("%lld s", whole);
  if (whole < 3600) return Format("%lld:%02lld", whole / 60, whole % 60);
  return Format("%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
}

}  // namespace

std::string ProgressText(const ProgressSnapshot& snapshot) {
  std::string text = Format("%zu/%zu files", snapshot.filesDone, snapshot.files);
  const Unit unit = UnitFor(std::max(snapshot.bytes, snapshot.bytesDone));
  if (snapshot.bytes > 0) {
    text += Format(", %.1f of %.1f %s", snapshot.bytesDone / unit.divisor,
                   snapshot.bytes / unit.divisor, unit.name);
  } else {
    text += Format(", %.1f %s", snapshot.bytesDone / unit.divisor, unit.name);
  }
  if (snapshot.seconds > 0 && snapshot.bytesDone > 0) {
    const double rate = snapshot.bytesDone / snapshot.seconds;
    const Unit rateUnit = UnitFor(static_cast<std::uint64_t>(rate));
    text += Format(", %.1f %s/s", rate / rateUnit.divisor, rateUnit.name);
    if (snapshot.bytes >= snapshot.bytesDone && snapshot.bytes > 0) {
      text += ", " + Duration((snapshot.bytes - snapshot.bytesDone) / rate) + " left";
    }
  }
  return text;
}

ProgressLine::ProgressLine(ProgressMode mode, platform::Stream stream)
    : mode_(mode), stream_(stream), terminal_(platform::IsTerminal(stream)) {}

bool ProgressLine::Due(const ProgressSnapshot& snapshot) const {
  switch (mode_) {
    case ProgressMode::Never:
      return false;
    case ProgressMode::Always:
      return true;
    case ProgressMode::Auto:
      break;
  }
  if (!terminal_) return false;
  if (everShown_ || snapshot.seconds >= kLongWorkSeconds) return true;
  if (snapshot.seconds < kFirstLookSeconds || snapshot.bytes == 0 || snapshot.bytesDone == 0) {
    return false;
  }
  const double expected = snapshot.seconds * snapshot.bytes / snapshot.bytesDone;
  return expected > kLongWorkSeconds;
}

void ProgressLine::Show(const ProgressSnapshot& snapshot) {
  last_ = snapshot;
  if (shownWidth_ > 0 && snapshot.seconds - lastDrawn_ < kRedrawSeconds) return;
  if (!Due(snapshot)) return;
  lastDrawn_ = snapshot.seconds;
  Draw(ProgressText(snapshot));
}

void ProgressLine::Draw(const std::string& text) {
  // Blanks over what is left of a longer line before.
  const std::size_t width = text.size();
  std::string line;
  line.reserve(1 + std::max(width, shownWidth_));
  line += '\r';
  line += text;
  line.append(shownWidth_ > width ? shownWidth_ - width : 0, ' ');
  platform::WriteText(stream_, line);
  shownWidth_ = std::max<std::size_t>(width, 1);
  everShown_ = true;
}

void ProgressLine::Clear() {
  if (shownWidth_ == 0) return;
  std::string blank(shownWidth_ + 2, ' ');
  blank.front() = blank.back() = '\r';
  platform::WriteText(stream_, blank);
  shownWidth_ = 0;
}

void ProgressLine::Finish() {
  if (!everShown_) return;
  Draw(ProgressText(last_));
  platform::WriteText(stream_, "\n");
  shownWidth_ = 0;
}

}  // namespace tessary::cli
