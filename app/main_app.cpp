// Start-up: the platform services the main window needs, then its modal run.
#include "app/main_app.h"

#include "ui/main_dialog.h"

namespace quillet {

bool CMainApp::InitInstance() {
  ui::EnableControlContainer();
  ui::InitRichEdit();  // before the main window: its template names the RICHEDIT class
  ui::Enable3dControlsStatic();
  CMainDialog dialog(nullptr);
  SetMainWindow(&dialog);
  dialog.DoModal();
  SetMainWindow(nullptr);
  return false;
}

bool CMainApp::OnCommand(UINT id, ui::Dialog& from) {
  if (id != ui::kHelpCommand) return false;
  OnHelp(from);
  return true;
}

}  // namespace quillet
