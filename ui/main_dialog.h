// The main window: the drop target, the log view and its Clear button, and the About entry of
// the system menu. It owns the scan of every dropped file.
#pragma once

#include <windows.h>

#include <memory>

#include "scan/resource_services.h"
#include "scan/scanner.h"
#include "ui/dialog.h"
#include "ui/rich_edit_ctrl.h"

namespace quillet {

// Built before the scanner, which writes to the log view and reads through the services.
struct CMainDialogParts {
  ui::RichEditCtrl log;
  std::unique_ptr<ResourceServices> services;
};

class CMainDialog : public ui::Dialog, private CMainDialogParts, public Scanner {
 public:
  explicit CMainDialog(HWND parent = nullptr);
  ~CMainDialog() override;

  ui::RichEditCtrl& LogCtrl() { return log; }
  HICON WindowIcon() const { return icon_; }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  bool OnSysCommand(UINT command);
  bool OnPaint();
  void OnDropFiles(HDROP drop);
  void OnClear();

  HICON icon_;
};

}  // namespace quillet
