// A log view that keeps one file's report, to be written out later in the order of the files.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/counting_view.h"
#include "report/log_view.h"

namespace quillet::cli {

// A report line with the format it was inserted in, or a message for standard error told
// between two lines.
struct RecordedEntry {
  CharFormat format;
  std::string text;
  bool diagnostic = false;
};

// Records what LogLine inserts, each piece with its format, plus the diagnostics told in
// between, so that a worker thread can scan a file while the main thread alone writes to the
// console.
class ReportRecorder : public CountingView {
 public:
  void ReplaceSel(std::string_view text) override;

  void AddDiagnostic(std::string message);
  // What was recorded since the last call; the recorder starts over empty.
  std::vector<RecordedEntry> Take();

 private:
  std::vector<RecordedEntry> entries_;
};

// Inserts each recorded line into `view` with the calls LogLine makes, and writes each
// diagnostic to `diagnostics`, in recorded order.
void Replay(const std::vector<RecordedEntry>& entries, LogView& view, std::FILE* diagnostics);

bool HasDiagnostics(const std::vector<RecordedEntry>& entries);

}  // namespace quillet::cli
