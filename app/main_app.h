// CMainApp: the program's application object. Its start-up runs the main window modally.
#pragma once

#include "app/application.h"

namespace quillet {

class CMainApp : public ui::Application {
 public:
  CMainApp() = default;
  ~CMainApp() override = default;

  // Prepares the platform services and runs the main window; always false, so the program
  // ends when the main window does.
  bool InitInstance() override;
  // The one routed command: Help (F1) goes to the standard help handler.
  bool OnCommand(UINT id, ui::Dialog& from) override;
};

}  // namespace quillet
