// The entry point of the desktop program, and its one application object.
#include <windows.h>

#include "app/main_app.h"

namespace {

quillet::CMainApp theApp;  // constructed before the entry point runs

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  quillet::ui::Application* app = quillet::ui::Application::Instance();
  if (!app || !app->InitInstance()) return 0;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
