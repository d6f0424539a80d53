// A dialog built from one of the program's templates: modal runs with their own message loop,
// message dispatch and control binding. (Scanned templates are created by the resource
// services, hidden, and need none of this.)
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

namespace quillet::ui {

// A control of a dialog, bound to its window by the dialog's data exchange.
class Control {
 public:
  HWND hwnd() const { return hwnd_; }
  void Attach(HWND window) { hwnd_ = window; }

 private:
  HWND hwnd_ = nullptr;
};

class Dialog {
 public:
  // `templateId` names a dialog template in the program's own resources; without a parent the
  // application's main window owns a modal run.
  explicit Dialog(int templateId, HWND parent = nullptr);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally: the owner is disabled, the dialog created and shown, and messages
  // are pumped until EndDialog; then the owner is enabled again and the window destroyed.
  // Returns EndDialog's result, or -1 when the dialog could not be created.
  INT_PTR DoModal();
  void DestroyWindow();
  void EndDialog(INT_PTR result);

  HWND hwnd() const { return hwnd_; }
  int TemplateId() const { return templateId_; }

 protected:
  // Runs data exchange; true lets the platform focus the first control with a tab stop.
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange() {}
  // A derived dialog's message handlers: returns true when it handled `message`, with
  // `result` as the dialog procedure's result. Unhandled messages get the default handling.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
  void OnOK();
  void OnCancel();
  void BindControl(Control& control, int id) { control.Attach(GetDlgItem(hwnd_, id)); }

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(WORD id);
  void CenterUnplaced(HWND owner);

  int templateId_;
  HWND parent_;
  HWND hwnd_ = nullptr;
  std::span<const uint8_t> template_;  // of the modal run, in the program's resources
  bool modal_ = false;
  HWND owner_ = nullptr;  // of the modal run
  bool running_ = false;
  INT_PTR result_ = 0;
};

}  // namespace quillet::ui
