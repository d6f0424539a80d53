// Resource services over the module's own bytes: the PE reader, the menu and dialog template
// parsers, and the dialog instantiation model.
#include "scan/pe_services.h"

#include <algorithm>
#include <vector>

#include "scan/mapped_file.h"
#include "scan/pe/dialog_template.h"
#include "scan/pe/menu_template.h"
#include "scan/pe/pe_image.h"

namespace quillet {
namespace {

std::u16string UpToNul(const std::u16string& text) {
  return text.substr(0, text.find(u'\0'));
}

// One name of a type with its data in the chosen language, or why it cannot be read.
struct NamedData {
  ResourceId id;
  pe::Result<pe::ResourceData> data;
};

class PeModule : public Module {
 public:
  // Mapped, not read: the parse touches only the pages of the headers and resources, and every
  // span below points into it.
  MappedFile file;
  std::vector<NamedData> menus, dialogs;
  std::size_t templateBytesLeft = kMaxTemplateBytesPerModule;
};

class PeMenuLevel;

struct PeMenuData {
  pe::Menu menu;
  CodePage codePage;
  std::vector<std::unique_ptr<PeMenuLevel>> levels;
};

class PeMenuLevel : public MenuLevel {
 public:
  PeMenuLevel(const PeMenuData& data, std::size_t level) : data_(data), level_(level) {}
  int ItemCount() const override { return static_cast<int>(items().size()); }
  const MenuLevel* SubMenu(int pos) const override {
    if (pos < 0 || static_cast<std::size_t>(pos) >= items().size()) return nullptr;
    const int sub = items()[static_cast<std::size_t>(pos)].submenu;
    if (sub < 0 || static_cast<std::size_t>(sub) >= data_.levels.size()) return nullptr;
    return data_.levels[static_cast<std::size_t>(sub)].get();
  }
  std::string ItemText(int pos) const override {
    if (pos < 0 || static_cast<std::size_t>(pos) >= items().size()) return {};
    return data_.codePage.FromUtf16(items()[static_cast<std::size_t>(pos)].text);
  }

 private:
  const std::vector<pe::MenuItem>& items() const { return data_.menu.levels[level_].items; }
  const PeMenuData& data_;
  std::size_t level_;
};

// The loaded menu owns every level; it answers as the top level.
class PeLoadedMenu : public MenuLevel {
 public:
  explicit PeLoadedMenu(std::unique_ptr<PeMenuData> data) : data_(std::move(data)) {}
  int ItemCount() const override { return top().ItemCount(); }
  const MenuLevel* SubMenu(int pos) const override { return top().SubMenu(pos); }
  std::string ItemText(int pos) const override { return top().ItemText(pos); }

 private:
  const PeMenuLevel& top() const { return *data_->levels.front(); }
  std::unique_ptr<PeMenuData> data_;
};

class PeDialogWindow : public DialogWindow {
 public:
  PeDialogWindow(const pe::DialogInstance& instance, const CodePage& codePage)
      : caption_(codePage.FromUtf16(instance.caption)) {
    for (const std::u16string& text : instance.childTexts) {
      children_.push_back(codePage.FromUtf16(text));
    }
  }
  std::string Caption() const override { return caption_; }
  std::size_t ChildCount() const override { return children_.size(); }
  std::string ChildText(std::size_t index) const override {
    return index < children_.size() ? children_[index] : std::string();
  }

 private:
  std::string caption_;
  std::vector<std::string> children_;
};

class PeResourceServices : public ResourceServices {
 public:
  PeResourceServices(CodePage codePage, uint16_t language)
      : codePage_(codePage), language_(language) {}

  std::unique_ptr<Module> LoadModule(const std::string& path) override {
    lastError_.clear();
    auto module = std::make_unique<PeModule>();
    std::string why;
    if (!module->file.Open(path, why)) return Fail(why);
    auto image = pe::PeImage::Parse(module->file.bytes());
    if (!image) return Fail(image.error());
    // Names and data are read in one pass now: a broken directory fails the file, while a
    // name whose data is broken fails only that menu or dialog. A lookup per name later
    // would cost a directory scan each, quadratic on a hostile file.
    const std::pair<uint16_t, std::vector<NamedData>*> kinds[] = {{kRtMenu, &module->menus},
                                                                  {kRtDialog, &module->dialogs}};
    for (auto [type, list] : kinds) {
      auto named = image->ListResources(pe::ResourceName::Id(type), language_);
      if (!named) return Fail(named.error());
      for (auto& entry : *named) {
        const pe::ResourceName& name = entry.name;
        ResourceId id{name.isString, name.id,
                      name.isString ? codePage_.FromUtf16(UpToNul(name.text)) : "", list->size()};
        list->push_back(NamedData{std::move(id), std::move(entry.data)});
      }
    }
    return module;
  }

  LoadedMenu LoadMenuResource(Module& module, const ResourceId& name) override {
    lastError_.clear();
    auto data = Find(module, kRtMenu, name);
    if (!data) return nullptr;
    auto menu = pe::ParseMenuTemplate(*data);
    if (!menu) return Fail(menu.error());
    if (menu->levels.empty()) return Fail("menu template without a top level");
    auto owned = std::make_unique<PeMenuData>();
    owned->menu = std::move(*menu);
    owned->codePage = codePage_;
    for (std::size_t i = 0; i < owned->menu.levels.size(); ++i) {
      owned->levels.push_back(std::make_unique<PeMenuLevel>(*owned, i));
    }
    return std::make_unique<PeLoadedMenu>(std::move(owned));
  }

  std::optional<DialogTemplate> FindDialog(Module& module, const ResourceId& name) override {
    lastError_.clear();
    auto data = Find(module, kRtDialog, name);
    if (!data) return std::nullopt;
    return DialogTemplate{*data};
  }

  std::unique_ptr<DialogWindow> InstantiateDialog(Module&, const DialogTemplate& templ) override {
    lastError_.clear();
    auto parsed = pe::ParseDialogTemplate(templ.bytes);
    if (!parsed) return Fail(parsed.error());
    auto instance = pe::InstantiateDialog(*parsed);
    if (!instance) return Fail(instance.error());
    return std::make_unique<PeDialogWindow>(*instance, codePage_);
  }

  std::string LastError() const override { return lastError_; }

 protected:
  std::size_t NameCount(Module& module, uint16_t type) override {
    return Names(module, type).size();
  }
  ResourceId NameAt(Module& module, uint16_t type, std::size_t index) override {
    return Names(module, type)[index].id;
  }

 private:
  static std::vector<NamedData>& Names(Module& module, uint16_t type) {
    auto& pe = static_cast<PeModule&>(module);
    return type == kRtMenu ? pe.menus : pe.dialogs;
  }

  std::optional<std::span<const uint8_t>> Find(Module& module, uint16_t type,
                                               const ResourceId& name) {
    const auto& names = Names(module, type);
    if (name.slot >= names.size()) {
      lastError_ = "no such resource";
      return std::nullopt;
    }
    const auto& data = names[name.slot].data;
    if (!data) {
      lastError_ = data.error();
      return std::nullopt;
    }
    const std::size_t cost =
        std::min(data->bytes.size(),
                 type == kRtMenu ? pe::kMaxMenuTemplateSize : pe::kMaxDialogTemplateSize);
    std::size_t& left = static_cast<PeModule&>(module).templateBytesLeft;
    if (cost > left) {
      lastError_ = "past the " + std::to_string(kMaxTemplateBytesPerModule) +
                   " bytes of templates read from one module";
      return std::nullopt;
    }
    left -= cost;
    return data->bytes;
  }

  // Records why; the null converts to any of the pointer results.
  std::nullptr_t Fail(std::string why) {
    lastError_ = std::move(why);
    return nullptr;
  }

  CodePage codePage_;
  uint16_t language_;
  std::string lastError_;
};

}  // namespace

std::unique_ptr<ResourceServices> MakePeResourceServices(CodePage codePage, uint16_t language) {
  return std::make_unique<PeResourceServices>(codePage, language);
}

}  // namespace quillet
