// LogLine: the only way a line reaches the report.
#pragma once

#include <cstdint>

#include "report/log_view.h"

namespace quillet {

enum class LineSeverity { kInfo, kError };

// What LogLine needs from whoever owns the report: its view, its error counter and the
// system's window-text colour (GetSysColor(COLOR_WINDOWTEXT)).
class LogOwner {
 public:
  virtual ~LogOwner() = default;
  virtual LogView& Log() = 0;
  virtual int32_t& ErrorCount() = 0;
  virtual uint32_t WindowTextColor() = 0;
};

// Expands a printf-style template (%s and %d) and appends it, with CR LF, at the end of the
// owner's log in the severity's colour. Texts from outside the program are only ever passed
// as arguments.
void LogLine(LogOwner& owner, LineSeverity severity, const char* templ, ...)
    __attribute__((format(printf, 3, 4)));

}  // namespace quillet
