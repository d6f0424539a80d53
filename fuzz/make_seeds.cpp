// Writes the fuzz targets' seed corpora from the test fixtures: modules built by the tests' PE
// writer (tests/pe/pe_writer.h) and any modules named on the command line, the bare menu and
// dialog templates inside all of them, and labels from label files (one per line, UTF-8).
//
// Usage: make_seeds OUT_DIR [--labels FILE]... [MODULE]...
// Writes OUT_DIR/pe (modules, for the pe and scan targets), OUT_DIR/menu, OUT_DIR/dialog and
// OUT_DIR/label (emptied first), each file named after a hash of its bytes: no duplicates.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "scan/pe/dialog_template.h"
#include "scan/pe/menu_template.h"
#include "scan/pe/pe_image.h"
#include "tests/pe/pe_writer.h"
#include "text/codepage.h"

namespace {

namespace fs = std::filesystem;
namespace w = quillet::pe::writer;
using quillet::pe::DialogFont;
using quillet::pe::DialogItem;
using quillet::pe::DialogTemplate;
using quillet::pe::NameOrOrdinal;
using quillet::pe::ResourceName;
using Bytes = std::vector<uint8_t>;

fs::path outDir;
std::set<fs::path> written;

void Save(const char* corpus, const Bytes& bytes) {
  uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a
  for (uint8_t b : bytes) hash = (hash ^ b) * 0x100000001b3u;
  char name[17];
  std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
  const fs::path dir = outDir / corpus;
  fs::create_directories(dir);
  if (!w::WriteFile((dir / name).string(), bytes)) {
    std::fprintf(stderr, "make_seeds: cannot write %s\n", (dir / name).c_str());
    std::exit(1);
  }
  written.insert(dir / name);
}

// The bare templates inside a module, for the parser targets.
void SaveTemplates(const Bytes& module) {
  using namespace quillet::pe;
  Result<PeImage> image = PeImage::Parse(module);
  if (!image) return;
  for (uint16_t type : {kRtMenu, kRtDialog}) {
    auto listed = image->ListResources(ResourceName::Id(type));
    if (!listed) continue;
    for (const auto& entry : *listed) {
      if (!entry.data) continue;
      Bytes bytes(entry.data->bytes.begin(), entry.data->bytes.end());
      Save(type == kRtMenu ? "menu" : "dialog", bytes);
    }
  }
}

void SaveModule(const Bytes& module) {
  Save("pe", module);
  SaveTemplates(module);
}

// --- Menus, as the menu template tests build them.

w::MenuNode WithFlags(w::MenuNode node, uint16_t classicFlags, uint32_t extendedType) {
  node.flags = classicFlags;
  node.type = extendedType;
  return node;
}

std::vector<w::MenuNode> Nested(std::size_t depth) {
  std::vector<w::MenuNode> level = {w::Item(u"leaf")};
  for (std::size_t i = 1; i < depth; ++i) level = {w::Popup(u"p", std::move(level))};
  return level;
}

std::vector<std::vector<w::MenuNode>> Menus() {
  using quillet::pe::kMaxMenuDepth;
  return {
      {w::Item(u"&Open", 1)},
      {w::Popup(u"&File",
                {w::Item(u"&New", 1), w::Item(u"&Open", 2), w::Separator(), w::Item(u"E&xit", 3)}),
       w::Popup(u"&Help", {w::Item(u"&About", 4)})},
      {w::Item(u"A"),
       w::Popup(u"B", {w::Item(u"C"), w::Popup(u"D", {w::Item(u"E")}), w::Item(u"F")}),
       w::Item(u"G")},
      Nested(4),
      Nested(kMaxMenuDepth),  // the deepest menu read
      {w::Popup(u"A", {w::Popup(u"B", {w::Item(u"C")})}), w::Item(u"D")},
      {WithFlags(w::Item(u"bitmap"), quillet::pe::kMfBitmap, quillet::pe::kMftBitmap),
       WithFlags(w::Item(u"drawn"), quillet::pe::kMfOwnerDraw, quillet::pe::kMftOwnerDraw),
       w::Item(u"shown")},
      {w::Popup(u"ファイル(&F)", {w::Item(u"開く(&O)..."), w::Separator(), w::Item(u"終了(&O)")}),
       w::Popup(u"表示(V)", {w::Item(u"ツールバー(&T)"), w::Item(u"ステータス バー(&S)")}),
       w::Item(u"ツール（&T）"), w::Item(u"&ヘルプ"), w::Item(u"表示&")},
  };
}

// --- Dialogs, as the dialog template tests build them.

constexpr uint32_t kStyle = 0x80C80000;  // WS_POPUP | WS_CAPTION | WS_SYSMENU

DialogItem Placed(DialogItem item, int16_t x, int16_t y, uint32_t id) {
  item.x = x;
  item.y = y;
  item.cx = 50;
  item.cy = 14;
  item.id = id;
  return item;
}

std::vector<DialogTemplate> Dialogs() {
  std::vector<DialogTemplate> dialogs;
  for (bool extended : {false, true}) {
    DialogTemplate d;
    d.extended = extended;
    d.helpId = extended ? 77 : 0;
    d.exStyle = 0x00010000;
    d.style = kStyle | quillet::pe::kDsSetFont;
    d.cx = 200;
    d.cy = 100;
    d.menu = NameOrOrdinal::Ordinal(101);
    d.caption = u"設定";
    d.font = extended ? DialogFont{9, 700, 1, 128, u"MS UI Gothic"}
                      : DialogFont{9, 0, 0, 0, u"MS UI Gothic"};
    DialogItem edit = w::Control(0x81, u"");
    edit.creationDataSize = 3;
    DialogItem icon = w::Control(0x82, u"");
    icon.title = NameOrOrdinal::Ordinal(102);
    d.items = {Placed(w::Control(0x82, u"名前(&N):"), 5, 5, 0xFFFF),
               Placed(edit, 5, 20, 1000),
               Placed(w::Control(u"SysListView32", u"List"), 5, 40, 1001),
               Placed(icon, 5, 60, 1002),
               Placed(w::Control(0x80, u"参照(&N)..."), 5, 80, 1),
               Placed(w::Control(0x85, u"(&A)"), 5, 90, 2),
               Placed(w::Control(u"{8856F961-340A-11D0-A96B-00C04FD705A2}", u"ole"), 5, 95, 3)};
    dialogs.push_back(d);

    DialogTemplate plain = d;  // no font, string menu and class
    plain.style = kStyle;
    plain.font.reset();
    plain.menu = NameOrOrdinal::String(u"MAINMENU");
    plain.windowClass = NameOrOrdinal::String(u"#32770");
    plain.caption = u"";
    dialogs.push_back(plain);

    DialogTemplate empty = d;  // no items, the class atom
    empty.windowClass = NameOrOrdinal::Ordinal(0x8002);
    empty.items.clear();
    dialogs.push_back(empty);

    DialogTemplate unknown = d;  // a control class nobody registers, with and without
    unknown.items = {w::Control(u"QuilletUnregisteredClass", u""), w::Control(0x90, u"x")};
    dialogs.push_back(unknown);
    unknown.style |= quillet::pe::kDsNoFailCreate;
    dialogs.push_back(unknown);

    DialogTemplate own = d;  // the dialog's own class is not registered
    own.windowClass = NameOrOrdinal::String(u"MyDialogClass");
    dialogs.push_back(own);
  }
  return dialogs;
}

// --- Modules, as the PE reader and scan tests build them.

w::Resource Menu(ResourceName name, Bytes data, uint16_t lang = 0x0411) {
  return {ResourceName::Id(quillet::pe::kRtMenu), std::move(name), lang, std::move(data)};
}
w::Resource Dlg(ResourceName name, Bytes data, uint16_t lang = 0x0411) {
  return {ResourceName::Id(quillet::pe::kRtDialog), std::move(name), lang, std::move(data)};
}

void SaveModules() {
  const auto menus = Menus();
  const auto dialogs = Dialogs();
  for (bool pe32Plus : {false, true}) {
    for (bool extended : {false, true}) {
      // The worked example of the README.
      DialogTemplate custom;
      custom.extended = extended;
      custom.style = kStyle;
      custom.caption = u"Custom";
      custom.items = {w::Control(u"NoSuchClass", u"")};
      DialogTemplate settings = custom;
      settings.caption = u"設定";
      settings.items = {w::Control(0x82, u"名前(&N):"), w::Control(0x81, u""),
                        w::Control(0x80, u"参照(&N)..."), w::Control(0x80, u"OK"),
                        w::Control(0x80, u"キャンセル")};
      const auto& menu = menus.back();
      SaveModule(w::BuildImage({Menu(ResourceName::Id(128),
                                     extended ? w::ExtendedMenu(menu) : w::ClassicMenu(menu)),
                                Dlg(ResourceName::String(u"CUSTOMDLG"), w::DialogBytes(custom)),
                                Dlg(ResourceName::Id(100), w::DialogBytes(settings))},
                               {.pe32Plus = pe32Plus})
                     .bytes);
    }
    // Every fixture menu and dialog in one module, with string names and languages mixed.
    std::vector<w::Resource> all;
    for (std::size_t i = 0; i < menus.size(); ++i) {
      const auto id = static_cast<uint16_t>(i + 1);
      all.push_back(Menu(ResourceName::Id(id), w::ClassicMenu(menus[i])));
      all.push_back(Menu(ResourceName::String(u"EX" + std::u16string(1, char16_t(u'A' + i))),
                         w::ExtendedMenu(menus[i]), i % 2 == 0 ? 0x0409 : 0x0000));
    }
    for (std::size_t i = 0; i < dialogs.size(); ++i) {
      all.push_back(Dlg(ResourceName::Id(static_cast<uint16_t>(100 + i)),
                        w::DialogBytes(dialogs[i]), i % 3 == 0 ? 0x0411 : 0x0409));
    }
    all.push_back({ResourceName::String(u"CUSTOM"), ResourceName::String(u"Data"), 0, {7}});
    SaveModule(w::BuildImage(all, {.pe32Plus = pe32Plus}).bytes);
  }
  // One name in several languages; templates off their 8-byte boundary; no code section.
  SaveModule(w::BuildImage({Menu(ResourceName::Id(1), w::ClassicMenu({w::Item(u"(E)")}), 0x0409),
                            Menu(ResourceName::Id(1), w::ClassicMenu({w::Item(u"(J)")}), 0x0011),
                            Menu(ResourceName::Id(1), w::ClassicMenu({w::Item(u"(N)")}), 0x0000)})
                 .bytes);
  for (std::size_t shift : {1, 2, 3}) {
    SaveModule(w::BuildImage({Dlg(ResourceName::Id(1), w::DialogBytes(dialogs[0])),
                              Menu(ResourceName::Id(1), w::ExtendedMenu(menus[1]))},
                             {.codeSection = shift != 2, .dataShift = shift})
                   .bytes);
  }
  // Modules without menus or dialogs.
  SaveModule(w::BuildImage({}).bytes);
  SaveModule(w::BuildImage({}, {.pe32Plus = true, .emptyResourceDirectory = true}).bytes);
  SaveModule(w::BuildImage({{ResourceName::Id(3), ResourceName::Id(1), 0, {1, 2, 3}}}).bytes);

  for (const auto& menu : menus) {
    Save("menu", w::ClassicMenu(menu));
    Save("menu", w::ExtendedMenu(menu));
  }
  for (const DialogTemplate& dialog : dialogs) Save("dialog", w::DialogBytes(dialog));
}

// --- Labels: the first byte chooses the code page (0: 932, 1: 936, 2: 949, 3: 950, 4: 1252).

void SaveLabels(const std::vector<std::string>& utf8Lines) {
  const unsigned codePages[] = {932, 936, 949, 950};
  for (uint8_t selector = 0; selector < std::size(codePages); ++selector) {
    const quillet::CodePage codePage(codePages[selector]);
    Bytes all{selector};
    for (const std::string& line : utf8Lines) {
      const auto text = codePage.FromUtf8(line);
      if (!text) continue;
      all.insert(all.end(), text->begin(), text->end());
      all.push_back('\n');
      if (selector == 0 && !text->empty()) {
        Bytes one{selector};
        one.insert(one.end(), text->begin(), text->end());
        Save("label", one);
      }
    }
    Save("label", all);
  }
}

const std::vector<std::string> kTestLabels = {
    "ファイル(F)",
    "Step (1)",
    ")(F)",
    "Copyright (C) X",
    "(C) All rights reserved",
    "Open (recent) (F)",
    "ファイル(Ｆ)",
    "&",
    "Save&",
    "&ファイル",
    "（&Ｆ）",
    "ファイル（&F）",
    "（&F)",
    "X（&F)",
    "&F）",
    "&x",
    "A&B&",
    "クリア(&C)",
    "&Open\tCtrl+O",
    "Save && Exit",
    "Load && Run",
    "A & B",
    "&ｱ",
    "100%&s",
    "&S%d",
};

bool ReadLines(const char* path, std::vector<std::string>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_seeds OUT_DIR [--labels FILE]... [MODULE]...\n");
    return 2;
  }
  outDir = argv[1];
  for (const char* corpus : {"pe", "menu", "dialog", "label"}) fs::remove_all(outDir / corpus);
  SaveModules();
  SaveLabels(kTestLabels);
  // Raw code page 932 bytes: a trail byte that looks like ')', a lead byte at the end, and
  // ａ (0x82 0x81) then 'i' forming （'s bytes.
  Save("label", Bytes{0, '(', 0x83, ')', '\n', '&', 0x81, '\n', 0x82, 0x81, 0x69, '&', 'x'});
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--labels" && i + 1 < argc) {
      std::vector<std::string> lines;
      if (!ReadLines(argv[++i], lines)) {
        std::fprintf(stderr, "make_seeds: cannot read %s\n", argv[i]);
        return 1;
      }
      SaveLabels(lines);
      continue;
    }
    std::ifstream in(arg, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "make_seeds: cannot read %s\n", arg.c_str());
      return 1;
    }
    SaveModule(Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  }
  std::printf("make_seeds: %zu seed files in %s\n", written.size(), outDir.c_str());
  return 0;
}
