// The application object's registration, its command routing and the standard help handler.
#include "app/application.h"

#include "ui/dialog.h"

namespace quillet::ui {
namespace {

Application* theInstance = nullptr;

}  // namespace

Application::Application() {
  theInstance = this;
}

Application::~Application() {
  if (theInstance == this) theInstance = nullptr;
}

Application* Application::Instance() {
  return theInstance;
}

bool Application::OnCommand(UINT, Dialog&) {
  return false;
}

std::string Application::HelpFilePath() const {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD got = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got == 0) return "QUILLET.HLP";
    if (got < path.size()) {
      path.resize(got);
      break;
    }
    path.resize(path.size() * 2);
  }
  // Replace the extension of the file name (not of a folder) by ".HLP".
  const std::size_t slash = path.find_last_of("\\/");
  const std::size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
  return path + ".HLP";
}

void Application::OnHelp(Dialog& dialog) {
  const std::string file = HelpFilePath();
  const ULONG_PTR topic = kHelpTopicBase + static_cast<ULONG_PTR>(dialog.TemplateId());
  if (helpViewer_) {
    helpViewer_(dialog.hwnd(), file.c_str(), HELP_CONTEXT, topic);
  } else {
    WinHelpA(dialog.hwnd(), file.c_str(), HELP_CONTEXT, topic);
  }
}

bool InitRichEdit() {
  static const HMODULE library = LoadLibraryA("RICHED32.DLL");
  return library != nullptr;
}

}  // namespace quillet::ui
