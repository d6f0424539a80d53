// Resource services through the Win32 module, menu and dialog calls (Windows builds only).
#pragma once

#include <functional>
#include <memory>

#include "scan/resource_services.h"

namespace quillet {

// Loads modules as data files and image resources (LoadLibraryExA), so none of their code runs
// and 32- and 64-bit modules load alike, and instantiates dialogs with
// CreateDialogIndirectParamA from a hidden copy of the template without OLE controls.
// Registers every control class the platform offers (common controls, each rich edit
// version) first. `parentWindow` gives the HWND that created dialogs are children of; without
// it a hidden window of its own stands in.
std::unique_ptr<ResourceServices> MakeWin32ResourceServices(
    std::function<void*()> parentWindow = {});

}  // namespace quillet
