// Shared by the fuzz targets: a check that stops the run, and a log view that keeps counts only.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "report/log_line.h"

// A property of the code under test that must hold for any input. A failure aborts, which
// libFuzzer records as a crash (and the replay test as a failed run).
#define FUZZ_CHECK(condition)                                                                 \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                           \
    }                                                                                         \
  } while (0)

namespace quillet::fuzz {

// A log view that discards the text but keeps what the checks need: how many lines, how many
// of them red, the last line, and whether painting is on.
class CountingView : public LogView {
 public:
  int32_t lines = 0;
  int32_t redLines = 0;
  std::string lastLine;
  bool redraw = true;

  int32_t GetTextLength() override { return length_; }
  void ExSetSel(int32_t, int32_t) override {}
  void SetSelectionCharFormat(const CharFormat& format) override {
    red_ = format.crTextColor == CharFormat::kRed;
  }
  void ReplaceSel(std::string_view text) override {
    ++lines;
    if (red_) ++redLines;
    lastLine.assign(text);
    // Saturates instead of overflowing on a huge report.
    const std::size_t room = static_cast<std::size_t>(INT32_MAX - length_);
    length_ += static_cast<int32_t>(text.size() < room ? text.size() : room);
  }
  int32_t GetLineCount() override { return lines + 1; }
  void LineScroll(int32_t, int32_t) override {}
  void RedrawNow() override {}
  void SetRedraw(bool on) override { redraw = on; }

 private:
  int32_t length_ = 0;
  bool red_ = false;
};

class CountingOwner : public LogOwner {
 public:
  CountingView view;
  int32_t errorCount = 0;
  LogView& Log() override { return view; }
  int32_t& ErrorCount() override { return errorCount; }
  uint32_t WindowTextColor() override { return 0; }
};

}  // namespace quillet::fuzz
