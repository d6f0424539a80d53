// ReportRecorder and Replay: a report recorded on one view and replayed on another reaches it
// with the very calls LogLine would have made, with the diagnostics in their place.
#include "cli/report_recorder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "recording_view.h"

namespace quillet::cli {
namespace {

using testing::RecordingOwner;

// Writes the same report through `owner`, telling a diagnostic after the error line.
template <typename Tell>
void WriteReport(LogOwner& owner, Tell tell) {
  LogLine(owner, LineSeverity::kInfo, "File : %s", "a.exe");
  LogLine(owner, LineSeverity::kError, "failed");
  tell("quillet: a.exe: menu 1\n");
  LogLine(owner, LineSeverity::kInfo, "%s", "");
}

std::string ReadAll(std::FILE* f) {
  std::rewind(f);
  std::string out;
  char buf[256];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  return out;
}

TEST(ReportRecorder, ReplayMakesTheCallsOfADirectReport) {
  RecordingOwner direct;
  direct.view.text = "earlier\r\n";
  WriteReport(direct, [](const char*) {});

  struct RecorderOwner : LogOwner {
    ReportRecorder recorder;
    int32_t errors = 0;
    LogView& Log() override { return recorder; }
    int32_t& ErrorCount() override { return errors; }
    uint32_t WindowTextColor() override { return 0x00123456; }
  } recording;
  WriteReport(recording, [&](const char* m) { recording.recorder.AddDiagnostic(m); });
  EXPECT_EQ(recording.errors, 1);

  const auto entries = recording.recorder.Take();
  EXPECT_TRUE(HasDiagnostics(entries));
  testing::RecordingView replayed;
  replayed.text = "earlier\r\n";
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> err(std::tmpfile(), &std::fclose);
  ASSERT_TRUE(err);
  Replay(entries, replayed, err.get());
  EXPECT_EQ(replayed.calls, direct.view.calls);
  EXPECT_EQ(replayed.inserted, direct.view.inserted);
  EXPECT_EQ(replayed.formats, direct.view.formats);
  EXPECT_EQ(ReadAll(err.get()), "quillet: a.exe: menu 1\n");

  EXPECT_TRUE(recording.recorder.Take().empty());  // starts over for the next file
  EXPECT_EQ(recording.recorder.GetTextLength(), 0);
}

// On a terminal, the diagnostic must come out between the lines it was told between.
TEST(ReportRecorder, ReplayKeepsDiagnosticsBetweenTheirLines) {
  ReportRecorder recorder;
  struct Owner : LogOwner {
    ReportRecorder& view;
    int32_t errors = 0;
    explicit Owner(ReportRecorder& v) : view(v) {}
    LogView& Log() override { return view; }
    int32_t& ErrorCount() override { return errors; }
    uint32_t WindowTextColor() override { return 0; }
  } owner(recorder);
  WriteReport(owner, [&](const char* m) { recorder.AddDiagnostic(m); });

  // A view writing to the same stream as the diagnostics.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> both(std::tmpfile(), &std::fclose);
  ASSERT_TRUE(both);
  struct StreamView : testing::RecordingView {
    std::FILE* out = nullptr;
    void ReplaceSel(std::string_view s) override { std::fwrite(s.data(), 1, s.size(), out); }
  } view;
  view.out = both.get();
  Replay(recorder.Take(), view, both.get());
  EXPECT_EQ(ReadAll(both.get()), "File : a.exe\r\nfailed\r\nquillet: a.exe: menu 1\n\r\n");
}

}  // namespace
}  // namespace quillet::cli
