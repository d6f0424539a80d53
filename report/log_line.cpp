// LogLine: expand, colour, count, append, scroll and repaint, one line at a time.
#include "report/log_line.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace quillet {
namespace {

std::string Expand(const char* templ, va_list args) {
  std::string out(128, '\0');
  for (;;) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(out.data(), out.size() + 1, templ, copy);
    va_end(copy);
    if (n < 0) return std::string(templ);  // encoding error: keep the template as is
    if (static_cast<std::size_t>(n) <= out.size()) {
      out.resize(static_cast<std::size_t>(n));
      return out;
    }
    out.resize(static_cast<std::size_t>(n));
  }
}

}  // namespace

void LogLine(LogOwner& owner, LineSeverity severity, const char* templ, ...) {
  va_list args;
  va_start(args, templ);
  std::string line = Expand(templ, args);
  va_end(args);
  line += "\r\n";

  LogView& view = owner.Log();
  const int32_t end = view.GetTextLength();
  view.ExSetSel(end, end);

  CharFormat format;
  if (severity == LineSeverity::kError) {
    format.crTextColor = CharFormat::kRed;
    // Wraps instead of overflowing on an absurdly long scan.
    int32_t& count = owner.ErrorCount();
    count = static_cast<int32_t>(static_cast<uint32_t>(count) + 1u);
  } else {
    format.crTextColor = owner.WindowTextColor();
  }
  view.SetSelectionCharFormat(format);
  view.ReplaceSel(line);

  const int32_t lines = view.GetLineCount();
  view.LineScroll(0, lines);
  view.RedrawNow();
}

}  // namespace quillet
