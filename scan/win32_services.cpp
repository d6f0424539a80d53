// Resource services through the Win32 calls the desktop tool makes: LoadLibraryExA,
// EnumResourceNamesA, LoadMenuA, GetMenuStringA, FindResourceA, CreateDialogIndirectParamA.
#include "scan/win32_services.h"

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <cstring>
#include <map>
#include <vector>

#include "scan/pe/dialog_template.h"

#ifndef LOAD_LIBRARY_AS_IMAGE_RESOURCE
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#endif

namespace quillet {
namespace {

LPCSTR NameParam(const ResourceId& name) {
  return name.isString ? name.text.c_str() : MAKEINTRESOURCEA(name.id);
}

std::string LastErrorText() {
  const DWORD code = GetLastError();
  return code == 0 ? std::string() : "Windows error " + std::to_string(code);
}

// A window's text through the "A" calls; the length may overstate the bytes, so the copy's
// own count decides.
std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(window, text.data(), length + 1);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

class Win32Module : public Module {
 public:
  explicit Win32Module(HMODULE module) : handle(module) {}
  ~Win32Module() override { FreeLibrary(handle); }
  Win32Module(const Win32Module&) = delete;
  Win32Module& operator=(const Win32Module&) = delete;

  HMODULE handle;
  std::map<uint16_t, std::vector<ResourceId>> names;  // by type, filled on first use
};

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR context) {
  auto& list = *reinterpret_cast<std::vector<ResourceId>*>(context);
  ResourceId id;
  if (IS_INTRESOURCE(name)) {
    id.id = static_cast<uint16_t>(reinterpret_cast<ULONG_PTR>(name));
  } else {
    id.isString = true;
    id.text = name;
  }
  id.slot = list.size();
  list.push_back(std::move(id));
  return TRUE;
}

class Win32MenuLevel : public MenuLevel {
 public:
  explicit Win32MenuLevel(HMENU menu) : menu_(menu) {}
  int ItemCount() const override { return GetMenuItemCount(menu_); }
  const MenuLevel* SubMenu(int pos) const override {
    HMENU sub = GetSubMenu(menu_, pos);
    if (!sub) return nullptr;
    auto& level = subs_[pos];
    if (!level || level->menu_ != sub) level = std::make_unique<Win32MenuLevel>(sub);
    return level.get();
  }
  // Length first, then the text into a buffer of twice that plus two bytes: the length is
  // counted in characters, a double-byte character takes two bytes.
  std::string ItemText(int pos) const override {
    const int length = GetMenuStringA(menu_, static_cast<UINT>(pos), nullptr, 0, MF_BYPOSITION);
    if (length <= 0) return {};
    std::string text(2 * static_cast<std::size_t>(length) + 2, '\0');
    GetMenuStringA(menu_, static_cast<UINT>(pos), text.data(), 2 * length + 2, MF_BYPOSITION);
    text.resize(std::strlen(text.c_str()));
    return text;
  }

 protected:
  HMENU menu_;

 private:
  mutable std::map<int, std::unique_ptr<Win32MenuLevel>> subs_;
};

class Win32LoadedMenu : public Win32MenuLevel {
 public:
  using Win32MenuLevel::Win32MenuLevel;
  ~Win32LoadedMenu() override { DestroyMenu(menu_); }
};

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

class Win32DialogWindow : public DialogWindow {
 public:
  explicit Win32DialogWindow(HWND dialog) : dialog_(dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      children_.push_back(child);
    }
  }
  ~Win32DialogWindow() override { DestroyWindow(dialog_); }
  std::string Caption() const override { return WindowText(dialog_); }
  std::size_t ChildCount() const override { return children_.size(); }
  std::string ChildText(std::size_t index) const override {
    return index < children_.size() ? WindowText(children_[index]) : std::string();
  }

 private:
  HWND dialog_;
  std::vector<HWND> children_;
};

class Win32ResourceServices : public ResourceServices {
 public:
  explicit Win32ResourceServices(std::function<void*()> parentWindow)
      : parentWindow_(std::move(parentWindow)) {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                  ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES |
                                      ICC_COOL_CLASSES | ICC_INTERNET_CLASSES |
                                      ICC_PAGESCROLLER_CLASS | ICC_NATIVEFNTCTL_CLASS |
                                      ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    // RICHEDIT (1.0), RichEdit20A/W (2.0 and 3.0), RICHEDIT50W (4.1).
    for (const char* library : {"RICHED32.DLL", "RICHED20.DLL", "MSFTEDIT.DLL"}) {
      if (HMODULE loaded = LoadLibraryA(library)) richEdit_.push_back(loaded);
    }
    if (!parentWindow_) {
      // Dialogs with WS_CHILD need a parent: a hidden window stands in for the main window.
      ownParent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    }
  }
  ~Win32ResourceServices() override {
    if (ownParent_) DestroyWindow(ownParent_);
    for (HMODULE library : richEdit_) FreeLibrary(library);
  }
  Win32ResourceServices(const Win32ResourceServices&) = delete;
  Win32ResourceServices& operator=(const Win32ResourceServices&) = delete;

  std::unique_ptr<Module> LoadModule(const std::string& path) override {
    lastError_.clear();
    SetLastError(0);
    // As data: no start-up code runs and no dependency is resolved; as an image resource:
    // mapped the way the loader would, so resources resolve as in a loaded module.
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
      lastError_ = "LoadLibraryEx failed: " + LastErrorText();
      return nullptr;
    }
    return std::make_unique<Win32Module>(module);
  }

  LoadedMenu LoadMenuResource(Module& module, const ResourceId& name) override {
    lastError_.clear();
    SetLastError(0);
    HMENU menu = LoadMenuA(Handle(module), NameParam(name));
    if (!menu) {
      lastError_ = "LoadMenu failed: " + LastErrorText();
      return nullptr;
    }
    return std::make_unique<Win32LoadedMenu>(menu);
  }

  std::optional<DialogTemplate> FindDialog(Module& module, const ResourceId& name) override {
    lastError_.clear();
    HRSRC found = FindResourceA(Handle(module), NameParam(name), MAKEINTRESOURCEA(kRtDialog));
    HGLOBAL loaded = found ? LoadResource(Handle(module), found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
      lastError_ = "FindResource or LoadResource failed: " + LastErrorText();
      return std::nullopt;
    }
    const DWORD size = SizeofResource(Handle(module), found);
    return DialogTemplate{{static_cast<const uint8_t*>(bytes), size}};
  }

  std::unique_ptr<DialogWindow> InstantiateDialog(Module& module,
                                                  const DialogTemplate& templ) override {
    lastError_.clear();
    SetLastError(0);
    pe::Result<std::vector<uint8_t>> copy = pe::PrepareTemplateForCreation(templ.bytes);
    if (!copy) {
      lastError_ = copy.error();
      return nullptr;
    }
    HWND parent = parentWindow_ ? static_cast<HWND>(parentWindow_()) : ownParent_;
    HWND dialog =
        CreateDialogIndirectParamA(Handle(module), reinterpret_cast<LPCDLGTEMPLATEA>(copy->data()),
                                   parent, QuietDialogProc, 0);
    if (!dialog) {
      lastError_ = "CreateDialogIndirectParam failed: " + LastErrorText();
      return nullptr;
    }
    return std::make_unique<Win32DialogWindow>(dialog);
  }

  std::string LastError() const override { return lastError_; }

 protected:
  std::size_t NameCount(Module& module, uint16_t type) override {
    return Names(module, type).size();
  }
  ResourceId NameAt(Module& module, uint16_t type, std::size_t index) override {
    return Names(module, type)[index];
  }

 private:
  static HMODULE Handle(Module& module) { return static_cast<Win32Module&>(module).handle; }

  static std::vector<ResourceId>& Names(Module& module, uint16_t type) {
    auto& win = static_cast<Win32Module&>(module);
    auto [it, fresh] = win.names.try_emplace(type);
    if (fresh) {
      EnumResourceNamesA(win.handle, MAKEINTRESOURCEA(type), CollectName,
                         reinterpret_cast<LONG_PTR>(&it->second));
    }
    return it->second;
  }

  std::function<void*()> parentWindow_;
  std::vector<HMODULE> richEdit_;
  HWND ownParent_ = nullptr;
  std::string lastError_;
};

}  // namespace

std::unique_ptr<ResourceServices> MakeWin32ResourceServices(std::function<void*()> parentWindow) {
  return std::make_unique<Win32ResourceServices>(std::move(parentWindow));
}

}  // namespace quillet
