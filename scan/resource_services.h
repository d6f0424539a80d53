// The module and resource services the scan reads a file through, one method per platform call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace quillet {

inline constexpr uint16_t kRtMenu = 4;
inline constexpr uint16_t kRtDialog = 5;

// A resource name as the enumeration delivers it: an identifier, or a string in the report's
// code page. `slot` is the implementation's own handle on the name, so that a name the code
// page cannot spell is still found again.
struct ResourceId {
  bool isString = false;
  uint16_t id = 0;
  std::string text;
  std::size_t slot = 0;
};

// A loaded module (LoadLibraryA .. FreeLibrary): freed when destroyed.
class Module {
 public:
  virtual ~Module() = default;
};

// One level of a loaded menu, its items addressed by position.
class MenuLevel {
 public:
  virtual ~MenuLevel() = default;
  virtual int ItemCount() const = 0;                    // GetMenuItemCount
  virtual const MenuLevel* SubMenu(int pos) const = 0;  // GetSubMenu: null for a plain item
  // GetMenuStringA by position: the whole text up to its first NUL; empty for none.
  virtual std::string ItemText(int pos) const = 0;
};

// A menu loaded by LoadMenuA: its top level. Destroying it is DestroyMenu.
using LoadedMenu = std::unique_ptr<MenuLevel>;

// A dialog template found and loaded (FindResourceA, LoadResource): bytes inside the module.
struct DialogTemplate {
  std::span<const uint8_t> bytes;
};

// A dialog created from a template, alive until destroyed (DestroyWindow).
class DialogWindow {
 public:
  virtual ~DialogWindow() = default;
  virtual std::string Caption() const = 0;  // its window text
  // Its direct child windows in creation (template) order (GW_CHILD, then GW_HWNDNEXT).
  virtual std::size_t ChildCount() const = 0;
  virtual std::string ChildText(std::size_t index) const = 0;
};

class ResourceServices {
 public:
  virtual ~ResourceServices() = default;

  // LoadLibraryA: null when the file cannot be opened as a module.
  virtual std::unique_ptr<Module> LoadModule(const std::string& path) = 0;
  // EnumResourceNamesA: calls `onName` once per name of `type`, in the module's stored order,
  // until it returns false.
  template <typename F>
  void EnumResourceNames(Module& module, uint16_t type, F&& onName) {
    const std::size_t n = NameCount(module, type);
    for (std::size_t i = 0; i < n; ++i) {
      if (!onName(NameAt(module, type, i))) break;
    }
  }
  // LoadMenuA: null when the menu cannot be loaded.
  virtual LoadedMenu LoadMenuResource(Module& module, const ResourceId& name) = 0;
  // FindResourceA + LoadResource for RT_DIALOG: nullopt when either fails.
  virtual std::optional<DialogTemplate> FindDialog(Module& module, const ResourceId& name) = 0;
  // CreateDialogIndirectParamA with the module as instance: null when no dialog was created.
  virtual std::unique_ptr<DialogWindow> InstantiateDialog(Module& module,
                                                          const DialogTemplate& templ) = 0;

  // Why the last call above failed, in plain words; empty when it is not known.
  virtual std::string LastError() const { return {}; }

 protected:
  virtual std::size_t NameCount(Module& module, uint16_t type) = 0;
  virtual ResourceId NameAt(Module& module, uint16_t type, std::size_t index) = 0;
};

}  // namespace quillet
