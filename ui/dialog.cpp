// The dialog base: creation, the modal loop, dispatch to the derived dialog's handlers, and
// the placement of templates that give no position.
#include "ui/dialog.h"

#include <algorithm>

#include "app/application.h"
#include "scan/pe/dialog_template.h"

namespace quillet::ui {
namespace {

constexpr uint32_t kDsAbsAlign = 0x01, kDsCenter = 0x0800, kDsCenterMouse = 0x1000;

// The template's bytes in the program's own resources, or empty.
std::span<const uint8_t> OwnTemplate(int id) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
  HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return {static_cast<const uint8_t*>(bytes), SizeofResource(self, found)};
}

bool IsHelpKey(const MSG& msg) {
  auto down = [](int key) { return (GetKeyState(key) & 0x8000) != 0; };
  return msg.message == WM_KEYDOWN && msg.wParam == VK_F1 && !down(VK_SHIFT) && !down(VK_CONTROL) &&
         !down(VK_MENU);
}

}  // namespace

Dialog::Dialog(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() {
  DestroyWindow();
}

INT_PTR Dialog::DoModal() {
  template_ = OwnTemplate(templateId_);
  if (template_.empty()) return -1;
  HWND owner = parent_;
  if (!owner) {
    Application* app = Application::Instance();
    Dialog* main = app ? app->MainWindow() : nullptr;
    if (main && main != this) owner = main->hwnd();
  }
  const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);

  running_ = true;
  modal_ = true;
  owner_ = owner;
  result_ = -1;
  hwnd_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                     reinterpret_cast<LPCDLGTEMPLATEA>(template_.data()), owner,
                                     Procedure, reinterpret_cast<LPARAM>(this));
  if (hwnd_) {
    if (running_) ShowWindow(hwnd_, SW_SHOWNORMAL);
  } else {
    running_ = false;
  }
  MSG msg;
  while (running_) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
      break;
    }
    if (IsHelpKey(msg) && (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd))) {
      SendMessageA(hwnd_, WM_COMMAND, kHelpCommand, 0);
      continue;
    }
    if (!IsDialogMessageA(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  // The owner is enabled before the dialog goes, so that it gets the activation back.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  if (hwnd_)
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  DestroyWindow();
  modal_ = false;
  return result_;
}

void Dialog::DestroyWindow() {
  if (!hwnd_) return;
  HWND window = hwnd_;
  hwnd_ = nullptr;
  SetWindowLongPtrA(window, DWLP_USER, 0);  // no more dispatch to this object
  ::DestroyWindow(window);
}

void Dialog::EndDialog(INT_PTR result) {
  result_ = result;
  running_ = false;
}

BOOL Dialog::OnInitDialog() {
  DoDataExchange();
  return TRUE;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) {
  return false;
}

void Dialog::OnOK() {
  DoDataExchange();
  EndDialog(IDOK);
}

void Dialog::OnCancel() {
  EndDialog(IDCANCEL);
}

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    dialog->hwnd_ = window;
    return dialog->Dispatch(message, wParam, lParam);
  }
  auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
  return dialog ? dialog->Dispatch(message, wParam, lParam) : FALSE;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (message == WM_INITDIALOG) {
    const BOOL focusDefault = OnInitDialog();
    if (modal_) CenterUnplaced(owner_);
    return focusDefault;
  }
  if (OnMessage(message, wParam, lParam, result)) return result;
  if (message == WM_COMMAND) {
    OnCommand(LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

// OK and Cancel end the dialog; anything else goes on to the application.
void Dialog::OnCommand(WORD id) {
  if (id == IDOK) {
    OnOK();
  } else if (id == IDCANCEL) {
    OnCancel();
  } else if (Application* app = Application::Instance()) {
    app->OnCommand(id, *this);
  }
}

// A template placed at (0, 0) without DS_CENTER, DS_CENTERMOUSE or DS_ABSALIGN is centred over
// its owner, or in the work area without one; not while the owner is minimised.
void Dialog::CenterUnplaced(HWND owner) {
  pe::Result<pe::DialogTemplate> parsed = pe::ParseDialogTemplate(template_);
  if (!parsed || parsed->x != 0 || parsed->y != 0) return;
  if ((parsed->style & (kDsAbsAlign | kDsCenter | kDsCenterMouse)) != 0) return;
  if (owner && IsIconic(owner)) return;
  RECT area{};
  if (owner && IsWindowVisible(owner)) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT self{};
  GetWindowRect(hwnd_, &self);
  const LONG width = self.right - self.left, height = self.bottom - self.top;
  LONG x = area.left + (area.right - area.left - width) / 2;
  LONG y = area.top + (area.bottom - area.top - height) / 2;
  // Keep the whole window on the work area when centring over an owner near its edge.
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  x = std::max(work.left, std::min(x, work.right - width));
  y = std::max(work.top, std::min(y, work.bottom - height));
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace quillet::ui
