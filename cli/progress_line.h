// A count of the files scanned so far, on one line of a terminal rewritten in place.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>

namespace quillet::cli {

// Shows "scanned DONE/TOTAL files" on `out` once a scan is long: more than kManyFiles files,
// or running for more than a second. Redrawn at most ten times a second, erased at the end.
// Whoever writes other text to the same terminal calls Clear() first.
class ProgressLine {
 public:
  static constexpr std::size_t kManyFiles = 50;

  // `enabled`: only when `out` is a terminal and the user did not ask for quiet.
  ProgressLine(std::FILE* out, bool enabled, std::size_t total);
  ~ProgressLine() { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  bool shown() const { return width_ > 0; }
  void Update(std::size_t done);
  void Clear();

 private:
  using Clock = std::chrono::steady_clock;
  std::FILE* out_;
  bool enabled_;
  std::size_t total_;
  Clock::time_point start_;
  Clock::time_point lastDraw_;
  int width_ = 0;  // columns of the line on screen; 0 when none is
};

}  // namespace quillet::cli
