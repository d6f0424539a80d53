// The About box: the program's icon, name, version and copyright, and an OK button.
#pragma once

#include "res/resource.h"
#include "ui/dialog.h"

namespace quillet {

// All its behaviour is the dialog base's; it has no controls to exchange.
class CAboutDialog : public ui::Dialog {
 public:
  CAboutDialog() : ui::Dialog(IDD_ABOUT) {}
  ~CAboutDialog() override = default;

 protected:
  void DoDataExchange() override {}
};

}  // namespace quillet
