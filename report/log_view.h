// The log view: the operations the report uses on a rich edit control, one method per message.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillet {

// The ANSI rich edit CHARFORMAT record as the report fills it. Fields outside dwMask stay zero.
struct CharFormat {
  static constexpr uint32_t kSize = 60;                   // sizeof(CHARFORMATA)
  static constexpr uint32_t kMaskColorBold = 0x40000001;  // CFM_COLOR | CFM_BOLD
  static constexpr uint32_t kRed = 0x000000FF;            // COLORREF: red 255, green 0, blue 0

  uint32_t cbSize = kSize;
  uint32_t dwMask = kMaskColorBold;
  uint32_t dwEffects = 0;  // not bold, CFE_AUTOCOLOR clear
  uint32_t crTextColor = 0;

  friend bool operator==(const CharFormat&, const CharFormat&) = default;
};

// A multi-line rich edit control. The report only appends; implementations must accept any
// call order and any byte string (the text is in the report's code page).
class LogView {
 public:
  virtual ~LogView() = default;

  virtual int32_t GetTextLength() = 0;                         // WM_GETTEXTLENGTH
  virtual void ExSetSel(int32_t min, int32_t max) = 0;         // EM_EXSETSEL
  virtual void SetSelectionCharFormat(const CharFormat&) = 0;  // EM_SETCHARFORMAT, SCF_SELECTION
  virtual void ReplaceSel(std::string_view text) = 0;          // EM_REPLACESEL, wParam 0 (no undo)
  virtual int32_t GetLineCount() = 0;                          // EM_GETLINECOUNT
  virtual void LineScroll(int32_t chars, int32_t lines) = 0;   // EM_LINESCROLL
  virtual void RedrawNow() = 0;  // RedrawWindow(view, no rect, no region, 0x105)
  // WM_SETREDRAW: the dialog walk switches painting off while it instantiates a dialog.
  virtual void SetRedraw(bool on) = 0;
};

}  // namespace quillet
