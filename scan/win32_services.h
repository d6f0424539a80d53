// Resource services through the Win32 module, menu and dialog calls (Windows builds only).
#pragma once

#include <memory>

#include "scan/resource_services.h"

namespace quillet {

// Loads modules with LoadLibraryA and instantiates dialogs with CreateDialogIndirectParamA, as
// the desktop tool does. Loading a DLL runs its start-up code. Registers the common controls
// and loads the rich edit library first, so that their classes exist as in the desktop tool.
std::unique_ptr<ResourceServices> MakeWin32ResourceServices();

}  // namespace quillet
