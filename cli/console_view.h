// A log view that writes each inserted line to a stream, for the command line.
#pragma once

#include <cstdio>
#include <string>

#include "cli/counting_view.h"
#include "report/log_line.h"
#include "text/codepage.h"

namespace quillet::cli {

enum class OutputEncoding { kUtf8, kCodePage };

struct ConsoleOptions {
  OutputEncoding encoding = OutputEncoding::kUtf8;
  bool color = false;
  // On a terminal, control characters from a scanned file (an escape sequence in a menu text)
  // are shown in caret notation (^[) instead of being obeyed.
  bool escapeControls = false;
  // A terminal shows each line as it comes; files and pipes get the stream's own buffering.
  bool flushEachLine = false;
};

// Keeps only the counts the report asks for (text length, line count); the text itself goes
// straight to the stream. UTF-8 output ends lines with LF; code-page output keeps the exact
// bytes the view receives, CR LF included.
class ConsoleView : public CountingView {
 public:
  ConsoleView(std::FILE* out, const CodePage& codePage, ConsoleOptions options)
      : out_(out), codePage_(codePage), options_(options) {}

  void ReplaceSel(std::string_view text) override;
  void RedrawNow() override;

  // False once a write to the stream failed.
  bool ok() const { return ok_; }

 private:
  std::FILE* out_;
  CodePage codePage_;
  ConsoleOptions options_;
  bool ok_ = true;
};

// A report owner for the command line: the view, the error counter and a fixed window-text
// colour (black), as a default Windows colour scheme has it.
class ConsoleOwner : public LogOwner {
 public:
  explicit ConsoleOwner(LogView& view) : view_(view) {}
  LogView& Log() override { return view_; }
  int32_t& ErrorCount() override { return errorCount_; }
  uint32_t WindowTextColor() override { return 0x00000000; }

 private:
  LogView& view_;
  int32_t errorCount_ = 0;
};

}  // namespace quillet::cli
