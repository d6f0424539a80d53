// Test doubles for the log view: one that records every operation, and an owner around it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report/log_line.h"

namespace quillet::testing {

// Records each call as a readable entry and keeps the text as a rich edit control would
// (appended at the end; the tests never move the selection elsewhere).
class RecordingView : public LogView {
 public:
  std::vector<std::string> calls;
  std::string text;
  std::vector<CharFormat> formats;
  std::vector<std::string> inserted;
  bool redraw = true;

  int32_t GetTextLength() override {
    calls.push_back("GetTextLength");
    return static_cast<int32_t>(text.size());
  }
  void ExSetSel(int32_t min, int32_t max) override {
    calls.push_back("ExSetSel " + std::to_string(min) + " " + std::to_string(max));
  }
  void SetSelectionCharFormat(const CharFormat& f) override {
    calls.push_back("SetCharFormat");
    formats.push_back(f);
  }
  void ReplaceSel(std::string_view s) override {
    calls.push_back("ReplaceSel");
    inserted.emplace_back(s);
    text += s;
  }
  int32_t GetLineCount() override {
    calls.push_back("GetLineCount");
    int32_t n = 1;
    for (char c : text) n += c == '\n';
    return n;
  }
  void LineScroll(int32_t chars, int32_t lines) override {
    calls.push_back("LineScroll " + std::to_string(chars) + " " + std::to_string(lines));
  }
  void RedrawNow() override { calls.push_back("RedrawNow"); }
  void SetRedraw(bool on) override {
    calls.push_back(on ? "SetRedraw on" : "SetRedraw off");
    redraw = on;
  }

  // The inserted lines without their CR LF.
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    for (const std::string& s : inserted) {
      out.push_back(s.size() >= 2 && s.ends_with("\r\n") ? s.substr(0, s.size() - 2) : s);
    }
    return out;
  }
};

class RecordingOwner : public LogOwner {
 public:
  RecordingView view;
  int32_t errorCount = 0;
  uint32_t windowText = 0x00123456;
  int colorReads = 0;
  LogView& Log() override { return view; }
  int32_t& ErrorCount() override { return errorCount; }
  uint32_t WindowTextColor() override {
    ++colorReads;
    return windowText;
  }
};

}  // namespace quillet::testing
