// Rich edit 1.0 messages behind the log view; their results are not examined.
#include "ui/rich_edit_ctrl.h"

#include <richedit.h>

#include <string>

namespace quillet::ui {

static_assert(sizeof(CHARFORMATA) == CharFormat::kSize);

int32_t RichEditCtrl::GetTextLength() {
  return static_cast<int32_t>(SendMessageA(hwnd(), WM_GETTEXTLENGTH, 0, 0));
}

void RichEditCtrl::ExSetSel(int32_t min, int32_t max) {
  CHARRANGE range{min, max};
  SendMessageA(hwnd(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void RichEditCtrl::SetSelectionCharFormat(const CharFormat& format) {
  CHARFORMATA record{};
  record.cbSize = format.cbSize;
  record.dwMask = format.dwMask;
  record.dwEffects = format.dwEffects;
  record.crTextColor = format.crTextColor;
  SendMessageA(hwnd(), EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&record));
}

void RichEditCtrl::ReplaceSel(std::string_view text) {
  const std::string terminated(text);  // the message takes a NUL-terminated string
  SendMessageA(hwnd(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(terminated.c_str()));
}

int32_t RichEditCtrl::GetLineCount() {
  return static_cast<int32_t>(SendMessageA(hwnd(), EM_GETLINECOUNT, 0, 0));
}

void RichEditCtrl::LineScroll(int32_t chars, int32_t lines) {
  SendMessageA(hwnd(), EM_LINESCROLL, static_cast<WPARAM>(chars), lines);
}

void RichEditCtrl::RedrawNow() {
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);  // 0x105
}

void RichEditCtrl::SetRedraw(bool on) {
  SendMessageA(hwnd(), WM_SETREDRAW, on ? TRUE : FALSE, 0);
}

}  // namespace quillet::ui
