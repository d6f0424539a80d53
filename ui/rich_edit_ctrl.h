// The rich edit control object: the log view of the report, one rich edit message per call.
#pragma once

#include <windows.h>

#include <string_view>

#include "report/log_view.h"
#include "ui/dialog.h"

namespace quillet::ui {

class RichEditCtrl : public Control, public LogView {
 public:
  int32_t GetTextLength() override;
  void ExSetSel(int32_t min, int32_t max) override;
  void SetSelectionCharFormat(const CharFormat& format) override;
  void ReplaceSel(std::string_view text) override;
  int32_t GetLineCount() override;
  void LineScroll(int32_t chars, int32_t lines) override;
  void RedrawNow() override;
  void SetRedraw(bool on) override;

  void SetText(const char* text) { ::SetWindowTextA(hwnd(), text); }
};

}  // namespace quillet::ui
