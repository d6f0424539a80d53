// The module scan and the menu and dialog walks.
#include "scan/scanner.h"

#include "report/templates.h"

namespace quillet {

bool CTemplateHostDialog::CreateFromTemplate(ResourceServices& services,
                                             const DialogTemplate& templ, Module& module) {
  window_ = services.InstantiateDialog(module, templ);
  return window_ != nullptr;
}

void Scanner::LogFailure(const char* templ, const std::string& what) {
  LogLine(*this, LineSeverity::kError, templ);
  if (onFailure_) {
    const std::string why = services_.LastError();
    onFailure_(why.empty() ? what : what + ": " + why);
  }
}

void Scanner::ScanFile(const std::string& path, const std::string& openPath) {
  LogLine(*this, LineSeverity::kInfo, templates::kSeparator);
  LogLine(*this, LineSeverity::kInfo, templates::kFile, path.c_str());
  errorCount_ = 0;
  moduleHandle_ = services_.LoadModule(openPath);
  if (!moduleHandle_) {
    LogFailure(templates::kFileLoadFailed, "cannot load as a module");
    return;
  }
  Module& module = *moduleHandle_;
  services_.EnumResourceNames(module, kRtMenu, [&](const ResourceId& name) {
    return OnResourceName(module, kRtMenu, name, *this);
  });
  services_.EnumResourceNames(module, kRtDialog, [&](const ResourceId& name) {
    return OnResourceName(module, kRtDialog, name, *this);
  });
  moduleHandle_.reset();
  LogLine(*this, LineSeverity::kInfo, templates::kBlank);
  LogLine(*this, LineSeverity::kInfo, templates::kFinished, errorCount_);
}

namespace {

std::string Describe(const char* kind, const ResourceId& name) {
  return std::string(kind) + " " + (name.isString ? name.text : std::to_string(name.id));
}

}  // namespace

bool OnResourceName(Module&, uint16_t type, const ResourceId& name, Scanner& context) {
  Module* module = context.moduleHandle();
  if (!module) return true;
  if (type == kRtMenu) {
    if (name.isString) {
      LogLine(context, LineSeverity::kInfo, templates::kMenuName, name.text.c_str());
    } else {
      LogLine(context, LineSeverity::kInfo, templates::kMenuId, static_cast<int>(name.id));
    }
    LoadedMenu menu = context.services().LoadMenuResource(*module, name);
    if (!menu) {
      context.LogFailure(templates::kMenuLoadFailed, Describe("menu", name));
    } else {
      context.WalkMenu(menu.get());
    }
  } else if (type == kRtDialog) {
    if (name.isString) {
      LogLine(context, LineSeverity::kInfo, templates::kDialogName, name.text.c_str());
    } else {
      LogLine(context, LineSeverity::kInfo, templates::kDialogId, static_cast<int>(name.id));
    }
    auto templ = context.services().FindDialog(*module, name);
    if (!templ || !context.WalkDialogTemplate(*templ)) {
      context.LogFailure(templates::kDialogLoadFailed, Describe("dialog", name));
    }
  }
  return true;
}

// Each level has its own registry; a popup's submenu is walked before the popup's own label,
// which is checked among its siblings. The loader bounds the nesting depth.
void Scanner::WalkMenu(const MenuLevel* menu) {
  if (!menu) return;
  KeyRegistry registry;
  const int count = menu->ItemCount();
  for (int i = 0; i < count; ++i) {
    WalkMenu(menu->SubMenu(i));
    const std::string text = menu->ItemText(i);
    if (!text.empty()) CheckLabel(text, registry);
  }
}

bool Scanner::WalkDialogTemplate(const DialogTemplate& templ) {
  CTemplateHostDialog host;
  view_.SetRedraw(false);
  const bool created = moduleHandle_ && host.CreateFromTemplate(services_, templ, *moduleHandle_);
  if (created) {
    const std::string caption = host.window()->Caption();
    LogLine(*this, LineSeverity::kInfo, templates::kTitle, caption.c_str());
    WalkDialogControls(*host.window());
    host.DestroyWindow();
  }
  view_.SetRedraw(true);
  return created;
}

void Scanner::WalkDialogControls(const DialogWindow& dialog) {
  KeyRegistry registry;
  const std::size_t count = dialog.ChildCount();
  for (std::size_t i = 0; i < count; ++i) {
    const std::string text = dialog.ChildText(i);
    if (!text.empty()) CheckLabel(text, registry);
  }
}

void Scanner::CheckLabel(const std::string& text, KeyRegistry& registry) {
  quillet::CheckLabel(*this, text, registry, codePage_);
}

}  // namespace quillet
