// The application object: one per process, found by the entry point, whose start-up runs the
// program; plus the start-up services it asks for.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace quillet::ui {

class Dialog;

// The framework's Help command, raised by F1.
inline constexpr UINT kHelpCommand = 0xE146;
// Help topics of dialogs are numbered from here, plus the dialog's template number.
inline constexpr ULONG_PTR kHelpTopicBase = 0x20000;

class Application {
 public:
  Application();
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The one application object, constructed before the entry point runs.
  static Application* Instance();

  // Start-up. Returning false ends the program at once, without a message loop.
  virtual bool InitInstance() = 0;

  // Commands that no dialog handled end here; returns whether one was handled.
  virtual bool OnCommand(UINT id, Dialog& from);

  // The standard help handler: the platform help viewer on the topic of `dialog`, in a help
  // file named after the program file with the extension ".HLP".
  void OnHelp(Dialog& dialog);
  std::string HelpFilePath() const;

  using HelpViewer = std::function<BOOL(HWND, const char* file, UINT command, ULONG_PTR data)>;
  // WinHelpA unless replaced (tests watch the calls this way).
  void SetHelpViewer(HelpViewer viewer) { helpViewer_ = std::move(viewer); }

  Dialog* MainWindow() const { return mainWindow_; }
  void SetMainWindow(Dialog* dialog) { mainWindow_ = dialog; }

 private:
  Dialog* mainWindow_ = nullptr;
  HelpViewer helpViewer_;
};

// Loads the rich edit 1.0 library ("RICHED32.DLL", class RICHEDIT) at most once per process and
// keeps it loaded; the main window's template names that class.
bool InitRichEdit();

// Stand-ins for platform features that no longer exist or that this program never uses:
// three-dimensional control drawing (before Windows 4.0 only) and hosting OLE controls in
// dialogs (no OLE control is ever created here). Both succeed and do nothing.
inline bool Enable3dControlsStatic() {
  return true;
}
inline void EnableControlContainer() {}

}  // namespace quillet::ui
