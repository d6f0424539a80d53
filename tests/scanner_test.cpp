// The module scan and its walks against in-memory resource services: line order, registries
// per menu level and per dialog, failure lines and counts. Compiled with -fexec-charset=CP932.
#include "scan/scanner.h"

#include <gtest/gtest.h>

#include <map>
#include <variant>

#include "recording_view.h"
#include "report/templates.h"

namespace quillet {
namespace {

using testing::RecordingView;

// A menu item: its text and, for a popup, the items of its submenu.
struct FakeItem {
  std::string text;
  std::vector<FakeItem> popup;
  bool isPopup = false;
};
FakeItem Item(std::string text) {
  return {std::move(text), {}, false};
}
FakeItem Popup(std::string text, std::vector<FakeItem> items) {
  return {std::move(text), std::move(items), true};
}

class FakeMenuLevel : public MenuLevel {
 public:
  explicit FakeMenuLevel(const std::vector<FakeItem>& items) : items_(items) {
    for (const FakeItem& item : items) {
      subs_.push_back(item.isPopup ? std::make_unique<FakeMenuLevel>(item.popup) : nullptr);
    }
  }
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  const MenuLevel* SubMenu(int pos) const override { return subs_[pos].get(); }
  std::string ItemText(int pos) const override { return items_[pos].text; }

 private:
  std::vector<FakeItem> items_;
  std::vector<std::unique_ptr<FakeMenuLevel>> subs_;
};

struct FakeDialog {
  bool found = true;
  bool creates = true;
  std::string caption;
  std::vector<std::string> children;
};

class FakeDialogWindow : public DialogWindow {
 public:
  explicit FakeDialogWindow(const FakeDialog& d) : d_(d) {}
  std::string Caption() const override { return d_.caption; }
  std::size_t ChildCount() const override { return d_.children.size(); }
  std::string ChildText(std::size_t i) const override { return d_.children[i]; }

 private:
  const FakeDialog& d_;
};

struct FakeModuleData {
  // nullopt: the menu fails to load.
  std::vector<std::pair<ResourceId, std::optional<std::vector<FakeItem>>>> menus;
  std::vector<std::pair<ResourceId, FakeDialog>> dialogs;
};

ResourceId Id(uint16_t id) {
  return {false, id, {}, {}};
}
ResourceId Name(std::string s) {
  return {true, 0, s, {}};
}

class FakeServices : public ResourceServices {
 public:
  std::map<std::string, FakeModuleData> modules;
  int liveModules = 0;
  int liveDialogs = 0;
  RecordingView* view = nullptr;  // to see the redraw state during creation
  std::vector<bool> redrawAtCreate;

  struct FakeModule : Module {
    FakeServices* owner;
    const FakeModuleData* data;
    FakeModule(FakeServices* o, const FakeModuleData* d) : owner(o), data(d) {
      ++owner->liveModules;
    }
    ~FakeModule() override { --owner->liveModules; }
  };
  struct CountedWindow : FakeDialogWindow {
    FakeServices* owner;
    CountedWindow(FakeServices* o, const FakeDialog& d) : FakeDialogWindow(d), owner(o) {
      ++owner->liveDialogs;
    }
    ~CountedWindow() override { --owner->liveDialogs; }
  };

  std::unique_ptr<Module> LoadModule(const std::string& path) override {
    auto it = modules.find(path);
    if (it == modules.end()) return nullptr;
    return std::make_unique<FakeModule>(this, &it->second);
  }
  LoadedMenu LoadMenuResource(Module& m, const ResourceId& name) override {
    for (auto& [id, items] : Data(m).menus) {
      if (Same(id, name)) return items ? std::make_unique<FakeMenuLevel>(*items) : nullptr;
    }
    return nullptr;
  }
  std::optional<DialogTemplate> FindDialog(Module& m, const ResourceId& name) override {
    const auto& dialogs = Data(m).dialogs;
    for (std::size_t i = 0; i < dialogs.size(); ++i) {
      // The template's bytes point at the entry, so CreateDialog can find it again.
      if (Same(dialogs[i].first, name) && dialogs[i].second.found) {
        return DialogTemplate{{reinterpret_cast<const uint8_t*>(&dialogs[i].second), 1}};
      }
    }
    return std::nullopt;
  }
  std::unique_ptr<DialogWindow> InstantiateDialog(Module&, const DialogTemplate& t) override {
    if (view) redrawAtCreate.push_back(view->redraw);
    const auto& d = *reinterpret_cast<const FakeDialog*>(t.bytes.data());
    if (!d.creates) return nullptr;
    return std::make_unique<CountedWindow>(this, d);
  }

 protected:
  std::size_t NameCount(Module& m, uint16_t type) override {
    return type == kRtMenu ? Data(m).menus.size() : Data(m).dialogs.size();
  }
  ResourceId NameAt(Module& m, uint16_t type, std::size_t i) override {
    return type == kRtMenu ? Data(m).menus[i].first : Data(m).dialogs[i].first;
  }

 private:
  static const FakeModuleData& Data(Module& m) { return *static_cast<FakeModule&>(m).data; }
  static bool Same(const ResourceId& a, const ResourceId& b) {
    return a.isString == b.isString && a.id == b.id && a.text == b.text;
  }
};

struct Fixture {
  RecordingView view;
  FakeServices services;
  Scanner scanner{view, services};
  Fixture() {
    services.view = &view;
    scanner.SetWindowTextColorSource([] { return 0x00222222u; });
  }
  // Each line with "R " in front when it is red.
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    const auto lines = view.Lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const bool red = view.formats[i].crTextColor == CharFormat::kRed;
      out.push_back((red ? "R " : "  ") + lines[i]);
    }
    return out;
  }
};

const std::string kSep(58, '-');
const std::string kEnd = "終了しました。  エラー数 : ";

TEST(Scanner, WorkedExampleGivesTwelveLines) {
  Fixture f;
  f.services.modules["C:\\tools\\sample.exe"] = FakeModuleData{
      {{Id(128),
        std::vector<FakeItem>{
            Popup("ファイル(&F)", {Item("開く(&O)..."), Item(""), Item("終了(&O)")}),
            Popup("表示(V)", {Item("ツールバー(&T)"), Item("ステータス バー(&S)")}),
        }}},
      {{Name("CUSTOMDLG"), FakeDialog{true, false, "", {}}},
       {Id(100),
        FakeDialog{true, true, "設定", {"名前(&N):", "", "参照(&N)...", "OK", "キャンセル"}}}},
  };
  f.scanner.ScanFile("C:\\tools\\sample.exe");
  const std::vector<std::string> want = {
      "  " + kSep,
      "  File : C:\\tools\\sample.exe",
      "  MenuID : 128",
      "R   アクセスキーの重複 : 終了(&O), 開く(&O)...",
      "R   &の付け忘れ : 表示(V)",
      "  DialogName : CUSTOMDLG",
      "R ダイアログの読み込みに失敗しました。",
      "  DialogID : 100",
      "  Title : 設定",
      "R   アクセスキーの重複 : 参照(&N)..., 名前(&N):",
      "   ",
      "  " + kEnd + "4",
  };
  EXPECT_EQ(f.Lines(), want);
  EXPECT_EQ(f.scanner.ErrorCount(), 4);
  EXPECT_EQ(f.services.liveModules, 0);
  EXPECT_EQ(f.services.liveDialogs, 0);
  EXPECT_TRUE(f.view.redraw);
  EXPECT_EQ(f.services.redrawAtCreate, (std::vector<bool>{false, false}));
}

TEST(Scanner, MenuLevelsHaveTheirOwnRegistriesAndSubmenusComeFirst) {
  struct Case {
    const char* why;
    std::vector<FakeItem> menu;
    std::vector<std::string> want;
  } cases[] = {
      {"popup levels and the top level",
       {Popup("&File", {Item("&Open"), Item("&Other")}), Popup("&Format", {Item("&Font")})},
       {"R   アクセスキーの重複 : &Other, &Open", "R   アクセスキーの重複 : &Format, &File"}},
      {"same key in a popup and its parent", {Popup("&File", {Item("&Find")})}, {}},
      {"innermost first",
       {Popup("(A)", {Popup("(B)", {Item("(C)")})})},
       {"R   &の付け忘れ : (C)", "R   &の付け忘れ : (B)", "R   &の付け忘れ : (A)"}},
      {"an empty popup title still walks its submenu",
       {Popup("", {Item("&a"), Item("&A")})},
       {"R   アクセスキーの重複 : &A, &a"}},
      {"separators and an empty menu", {Item(""), Item("")}, {}},
      {"no items", {}, {}},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.services.modules["m"] = FakeModuleData{{{Id(1), c.menu}}, {}};
    f.scanner.ScanFile("m");
    auto lines = f.Lines();
    // Drop the separator, File, MenuID header and the two closing lines.
    std::vector<std::string> body(lines.begin() + 3, lines.end() - 2);
    EXPECT_EQ(body, c.want) << c.why;
    EXPECT_EQ(lines.back(), "  " + kEnd + std::to_string(c.want.size())) << c.why;
  }
}

TEST(Scanner, DialogsHaveOneRegistryEachAndTheCaptionIsNotChecked) {
  Fixture f;
  f.services.modules["m"] = FakeModuleData{
      {},
      {{Id(1), FakeDialog{true, true, "(X)", {"&Name", "&name", ""}}},
       {Id(2), FakeDialog{true, true, "", {"&Name"}}},
       {Name("NOTFOUND"), FakeDialog{false, true, "", {}}}},
  };
  f.scanner.ScanFile("m");
  const std::vector<std::string> want = {
      "  " + kSep,
      "  File : m",
      "  DialogID : 1",
      "  Title : (X)",
      "R   アクセスキーの重複 : &name, &Name",
      "  DialogID : 2",
      "  Title : ",
      "  DialogName : NOTFOUND",
      "R ダイアログの読み込みに失敗しました。",
      "   ",
      "  " + kEnd + "2",
  };
  EXPECT_EQ(f.Lines(), want);
}

TEST(Scanner, FileAndMenuFailures) {
  Fixture f;
  f.services.modules["empty"] = {};
  f.services.modules["badmenu"] = FakeModuleData{
      {{Name("MAIN"), std::nullopt}, {Id(2), std::vector<FakeItem>{Item("(Z)")}}}, {}};
  f.scanner.ScanFile("missing");
  EXPECT_EQ(f.scanner.ErrorCount(), 1);
  f.scanner.ScanFile("empty");
  f.scanner.ScanFile("badmenu");
  const std::vector<std::string> want = {
      "  " + kSep,
      "  File : missing",
      "R ファイルの読み込みに失敗しました。",
      "  " + kSep,
      "  File : empty",
      "   ",
      "  " + kEnd + "0",
      "  " + kSep,
      "  File : badmenu",
      "  MenuName : MAIN",
      "R メニューの読み込みに失敗しました。",
      "  MenuID : 2",
      "R   &の付け忘れ : (Z)",
      "   ",
      "  " + kEnd + "2",
  };
  EXPECT_EQ(f.Lines(), want);
}

TEST(Scanner, FailureListenerHearsWhatFailed) {
  Fixture f;
  std::vector<std::string> heard;
  f.scanner.SetFailureListener([&](const std::string& what) { heard.push_back(what); });
  f.services.modules["m"] =
      FakeModuleData{{{Id(7), std::nullopt}}, {{Name("D"), FakeDialog{true, false, "", {}}}}};
  f.scanner.ScanFile("m");
  f.scanner.ScanFile("none");
  EXPECT_EQ(heard, (std::vector<std::string>{"menu 7", "dialog D", "cannot load as a module"}));
}

}  // namespace
}  // namespace quillet
