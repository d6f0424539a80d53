// The module scan: the report of one file, its menus and its dialogs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "report/log_line.h"
#include "rules/check_label.h"
#include "scan/resource_services.h"
#include "text/codepage.h"

namespace quillet {

class Scanner;

// The plain dialog into which each scanned dialog template is instantiated.
class CTemplateHostDialog {
 public:
  // Its nominal template in the desktop program's resources (IDD_TEMPLATE_HOST); it is never
  // created from it.
  static constexpr int kTemplateId = 131;

  // Creates a dialog from `templ` with `module` as the instance its references resolve in.
  bool CreateFromTemplate(ResourceServices& services, const DialogTemplate& templ, Module& module);
  DialogWindow* window() const { return window_.get(); }
  void DestroyWindow() { window_.reset(); }

 private:
  std::unique_ptr<DialogWindow> window_;
};

// Owns the scan state (the module being scanned and the file's error count) and writes the
// report to a log view. A front end derives from it or owns one.
class Scanner : public LogOwner {
 public:
  Scanner(LogView& view, ResourceServices& services, CodePage codePage = CodePage())
      : view_(view), services_(services), codePage_(codePage) {}

  // The whole report of one file. `path` is written in the report (code-page bytes); `openPath`
  // is what the services open, when it differs (a native path on POSIX).
  void ScanFile(const std::string& path, const std::string& openPath);
  void ScanFile(const std::string& path) { ScanFile(path, path); }

  void WalkMenu(const MenuLevel* menu);
  bool WalkDialogTemplate(const DialogTemplate& templ);
  void WalkDialogControls(const DialogWindow& dialog);
  void CheckLabel(const std::string& text, KeyRegistry& registry);

  LogView& Log() override { return view_; }
  int32_t& ErrorCount() override { return errorCount_; }
  uint32_t WindowTextColor() override { return windowTextColor_ ? windowTextColor_() : 0; }

  void SetWindowTextColorSource(std::function<uint32_t()> source) {
    windowTextColor_ = std::move(source);
  }
  // Called after each failure line with what failed and why, for a diagnostic channel.
  void SetFailureListener(std::function<void(const std::string& what)> listener) {
    onFailure_ = std::move(listener);
  }

  ResourceServices& services() { return services_; }
  Module* moduleHandle() { return moduleHandle_.get(); }
  const CodePage& codePage() const { return codePage_; }

  // Writes a failure line and tells the failure listener about it.
  void LogFailure(const char* templ, const std::string& what);

 private:
  LogView& view_;
  ResourceServices& services_;
  CodePage codePage_;
  std::unique_ptr<Module> moduleHandle_;
  int32_t errorCount_ = 0;
  std::function<uint32_t()> windowTextColor_;
  std::function<void(const std::string&)> onFailure_;
};

// The enumeration callback: one resource name of `type`. Always continues.
bool OnResourceName(Module& module, uint16_t type, const ResourceId& name, Scanner& context);

}  // namespace quillet
