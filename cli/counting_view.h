// CountingView: the part of a log view that the command line's views share. They show no
// selection and no scrolling; they keep only what the report reads back (the text's length and
// line count, saturating) and the format of the next insertion.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "report/log_view.h"

namespace quillet::cli {

class CountingView : public LogView {
 public:
  int32_t GetTextLength() override { return length_; }
  void ExSetSel(int32_t, int32_t) override {}
  void SetSelectionCharFormat(const CharFormat& format) override { format_ = format; }
  int32_t GetLineCount() override { return lines_; }
  void LineScroll(int32_t, int32_t) override {}
  void RedrawNow() override {}
  void SetRedraw(bool) override {}

 protected:
  // Counts an insertion of `text`; derived views call it from ReplaceSel.
  void Count(std::string_view text) {
    length_ = SaturatingAdd(length_, text.size());
    lines_ =
        SaturatingAdd(lines_, static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
  }
  // As an emptied control: no text, one line.
  void ResetCounts() {
    length_ = 0;
    lines_ = 1;
  }
  const CharFormat& format() const { return format_; }

 private:
  static int32_t SaturatingAdd(int32_t a, std::size_t b) {
    const auto room = static_cast<std::size_t>(std::numeric_limits<int32_t>::max() - a);
    return b >= room ? std::numeric_limits<int32_t>::max() : a + static_cast<int32_t>(b);
  }

  CharFormat format_;
  int32_t length_ = 0;
  int32_t lines_ = 1;  // an empty rich edit control has one line
};

}  // namespace quillet::cli
