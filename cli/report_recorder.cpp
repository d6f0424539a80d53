// ReportRecorder: a file's report kept for later, and its replay into the console's view.
#include "cli/report_recorder.h"

namespace quillet::cli {

void ReportRecorder::ReplaceSel(std::string_view text) {
  Count(text);
  entries_.push_back({format(), std::string(text), false});
}

void ReportRecorder::AddDiagnostic(std::string message) {
  entries_.push_back({CharFormat(), std::move(message), true});
}

std::vector<RecordedEntry> ReportRecorder::Take() {
  std::vector<RecordedEntry> taken;
  taken.swap(entries_);
  ResetCounts();
  return taken;
}

void Replay(const std::vector<RecordedEntry>& entries, LogView& view, std::FILE* diagnostics) {
  for (const RecordedEntry& entry : entries) {
    if (entry.diagnostic) {
      std::fflush(nullptr);  // the report's earlier lines first, where both streams meet
      std::fwrite(entry.text.data(), 1, entry.text.size(), diagnostics);
      continue;
    }
    const int32_t end = view.GetTextLength();
    view.ExSetSel(end, end);
    view.SetSelectionCharFormat(entry.format);
    view.ReplaceSel(entry.text);
    view.LineScroll(0, view.GetLineCount());
    view.RedrawNow();
  }
}

bool HasDiagnostics(const std::vector<RecordedEntry>& entries) {
  return std::any_of(entries.begin(), entries.end(),
                     [](const RecordedEntry& e) { return e.diagnostic; });
}

}  // namespace quillet::cli
