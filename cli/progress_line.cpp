// ProgressLine: "\r" returns to the line's start; spaces erase it, which every terminal and
// the Windows console understand without escape sequences.
#include "cli/progress_line.h"

#include <algorithm>
#include <string>

namespace quillet::cli {

ProgressLine::ProgressLine(std::FILE* out, bool enabled, std::size_t total)
    : out_(out), enabled_(enabled), total_(total), start_(Clock::now()) {}

void ProgressLine::Update(std::size_t done) {
  if (!enabled_) return;
  const auto now = Clock::now();
  if (total_ <= kManyFiles && now - start_ < std::chrono::seconds(1)) return;
  if (shown() && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  char line[64];
  const int n = std::snprintf(line, sizeof line, "\rscanned %zu/%zu files", done, total_);
  if (n <= 1) return;
  const int width = std::min(n, static_cast<int>(sizeof line) - 1) - 1;
  // A shorter line than the one shown cannot happen: the count only grows.
  std::fputs(line, out_);
  std::fflush(out_);
  width_ = width;
  lastDraw_ = now;
}

void ProgressLine::Clear() {
  if (!shown()) return;
  std::string blank(static_cast<std::size_t>(width_) + 2, ' ');
  blank.front() = '\r';
  blank.back() = '\r';
  std::fputs(blank.c_str(), out_);
  std::fflush(out_);
  width_ = 0;
}

}  // namespace quillet::cli
