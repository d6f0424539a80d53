// The scan over real module bytes: modules built by the PE writer, read by the PE services,
// reported through the scanner. Lines are compared as UTF-8.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "pe/pe_writer.h"
#include "recording_view.h"
#include "scan/pe/byte_reader.h"
#include "scan/pe/menu_template.h"
#include "scan/pe_services.h"
#include "scan/scanner.h"

namespace quillet {
namespace {

namespace w = pe::writer;
using pe::DialogTemplate;
using pe::NameOrOrdinal;
using pe::ResourceName;

constexpr uint32_t kStyle = 0x80C80000;  // WS_POPUP | WS_CAPTION | WS_SYSMENU

std::vector<uint8_t> Dialog(std::u16string caption, std::vector<pe::DialogItem> items,
                            bool extended = false, uint32_t style = kStyle) {
  DialogTemplate d;
  d.extended = extended;
  d.style = style;
  d.caption = std::move(caption);
  d.items = std::move(items);
  return w::DialogBytes(d);
}

w::Resource Menu(ResourceName name, std::vector<uint8_t> data, uint16_t lang = 0x0411) {
  return {ResourceName::Id(pe::kRtMenu), std::move(name), lang, std::move(data)};
}
w::Resource Dlg(ResourceName name, std::vector<uint8_t> data, uint16_t lang = 0x0411) {
  return {ResourceName::Id(pe::kRtDialog), std::move(name), lang, std::move(data)};
}

// Writes modules to a fresh folder and scans them.
class PeScan : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("quillet_pe_scan_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(w::WriteFile(path, bytes));
    return path;
  }

  // The report of `path` as UTF-8 lines, error lines marked with "R ". What the failure
  // listener hears goes to `failures`, when given.
  std::vector<std::string> Scan(const std::vector<std::string>& paths, uint16_t lang = 0x0411,
                                std::vector<std::string>* failures = nullptr) {
    const CodePage cp;
    testing::RecordingView view;
    auto services = MakePeResourceServices(cp, lang);
    Scanner scanner(view, *services, cp);
    if (failures) {
      scanner.SetFailureListener([failures](const std::string& why) { failures->push_back(why); });
    }
    for (const std::string& p : paths) scanner.ScanFile(p);
    EXPECT_TRUE(view.redraw);
    std::vector<std::string> out;
    const auto lines = view.Lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const bool red = view.formats[i].crTextColor == CharFormat::kRed;
      out.push_back((red ? "R " : "") + cp.ToUtf8(lines[i]));
    }
    return out;
  }

  std::filesystem::path dir_;
};

const std::string kSep(58, '-');

// The worked example, as a 32-bit and as a 64-bit module, classic and extended templates.
TEST_F(PeScan, WorkedExampleInEveryFormat) {
  for (bool pe32Plus : {false, true}) {
    for (bool extended : {false, true}) {
      SCOPED_TRACE(std::to_string(pe32Plus) + std::to_string(extended));
      const std::vector<w::MenuNode> menu = {
          w::Popup(u"ファイル(&F)",
                   {w::Item(u"開く(&O)..."), w::Separator(), w::Item(u"終了(&O)")}),
          w::Popup(u"表示(V)", {w::Item(u"ツールバー(&T)"), w::Item(u"ステータス バー(&S)")}),
      };
      const auto image = w::BuildImage(
          {Menu(ResourceName::Id(128), extended ? w::ExtendedMenu(menu) : w::ClassicMenu(menu)),
           Dlg(ResourceName::String(u"CUSTOMDLG"),
               Dialog(u"Custom", {w::Control(u"NoSuchClass", u"")}, extended)),
           Dlg(ResourceName::Id(100),
               Dialog(u"設定",
                      {w::Control(0x82, u"名前(&N):"), w::Control(0x81, u""),
                       w::Control(0x80, u"参照(&N)..."), w::Control(0x80, u"OK"),
                       w::Control(0x80, u"キャンセル")},
                      extended))},
          w::ImageOptions{.pe32Plus = pe32Plus});
      const std::string path = Write("sample.exe", image.bytes);
      const std::vector<std::string> want = {
          kSep,
          "File : " + path,
          "MenuID : 128",
          "R   アクセスキーの重複 : 終了(&O), 開く(&O)...",
          "R   &の付け忘れ : 表示(V)",
          "DialogName : CUSTOMDLG",
          "R ダイアログの読み込みに失敗しました。",
          "DialogID : 100",
          "Title : 設定",
          "R   アクセスキーの重複 : 参照(&N)..., 名前(&N):",
          " ",
          "終了しました。  エラー数 : 4",
      };
      EXPECT_EQ(Scan({path}), want);
    }
  }
}

TEST_F(PeScan, FilesThatAreNotModulesAndModulesWithoutMenusOrDialogs) {
  const std::string text = Write("notes.txt", {'h', 'i'});
  const std::string bare = Write("bare.dll", w::BuildImage({}).bytes);
  const std::string other = Write(
      "icons.dll", w::BuildImage({{ResourceName::Id(3), ResourceName::Id(1), 0, {1, 2, 3}}}).bytes);
  const std::vector<std::string> want = {
      kSep,
      "File : " + text,
      "R ファイルの読み込みに失敗しました。",
      kSep,
      "File : " + bare,
      " ",
      "終了しました。  エラー数 : 0",
      kSep,
      "File : " + other,
      " ",
      "終了しました。  エラー数 : 0",
      kSep,
      "File : " + dir_.string(),
      "R ファイルの読み込みに失敗しました。",
  };
  EXPECT_EQ(Scan({text, bare, other, dir_.string()}), want);
}

TEST_F(PeScan, LanguageChoice) {
  const auto image = w::BuildImage({
      Menu(ResourceName::Id(1), w::ClassicMenu({w::Item(u"(E)")}), 0x0409),
      Menu(ResourceName::Id(1), w::ClassicMenu({w::Item(u"(J)")}), 0x0011),
  });
  const std::string path = Write("lang.dll", image.bytes);
  EXPECT_EQ(Scan({path})[3], "R   &の付け忘れ : (J)");
  EXPECT_EQ(Scan({path}, 0x0409)[3], "R   &の付け忘れ : (E)");
}

TEST_F(PeScan, TextsTheCodePageLacksAndOrdinalTitles) {
  const auto image = w::BuildImage({
      Menu(ResourceName::String(u"MAIN\u00E9"), w::ClassicMenu({w::Item(u"Caf\u00E9 (&C)")})),
      Dlg(ResourceName::Id(7),
          Dialog(u"", {[] {
                         auto icon = w::Control(0x82, u"");
                         icon.title = NameOrOrdinal::Ordinal(101);  // an icon, no text
                         return icon;
                       }(),
                       w::Control(0x85, u"(&A)"),  // a combo box shows its empty edit part
                       w::Control(0x80, u"&A")})),
  });
  const std::string path = Write("texts.dll", image.bytes);
  const std::vector<std::string> want = {
      kSep,
      "File : " + path,
      "MenuName : MAIN?",
      "DialogID : 7",
      "Title : ",
      " ",
      "終了しました。  エラー数 : 0",
  };
  EXPECT_EQ(Scan({path}), want);
}

// Each damaged resource gives its header and its failure line; the scan goes on with the
// next resource, whose finding still comes.
TEST_F(PeScan, DamagedResourcesEndInTheirFailureLines) {
  const auto goodMenu = w::ClassicMenu({w::Item(u"(G)")});
  const auto goodDialog = Dialog(u"ok", {w::Control(0x82, u"(D)")});
  auto deepMenu = [] {
    w::MenuNode node = w::Item(u"x");
    for (int i = 0; i < 70; ++i) node = w::Popup(u"p", {node});
    return w::ClassicMenu({node});
  };
  struct Case {
    const char* why;
    std::vector<uint8_t> menu;    // data of menu 1
    std::vector<uint8_t> dialog;  // data of dialog 1
    std::function<void(w::Image&)> damage = nullptr;
  };
  auto cut = [](std::vector<uint8_t> v, std::size_t n) {
    v.resize(std::min(n, v.size()));
    return v;
  };
  const Case cases[] = {
      {"menu version 2", {2, 0, 0, 0, 0x80, 0, 0, 0, 'x', 0, 0, 0}, goodDialog},
      {"menu without an end marker", {0, 0, 0, 0, 0, 0, 1, 0, 'x', 0, 0, 0}, goodDialog},
      {"menu truncated in a text", cut(w::ClassicMenu({w::Item(u"Long text")}), 10), goodDialog},
      {"menu nested deeper than the reader follows", deepMenu(), goodDialog},
      {"extended menu truncated", cut(w::ExtendedMenu({w::Item(u"abc")}), 15), goodDialog},
      {"dialog truncated", goodMenu, cut(goodDialog, 20)},
      {"dialog with more items than data", goodMenu,
       [&] {
         auto d = goodDialog;
         d[8] = 0xFF;  // cdit of DLGTEMPLATE
         return d;
       }()},
      {"dialog data RVA outside every section", goodMenu, goodDialog,
       [](w::Image& m) { w::PutU32(m.bytes, m.layout.resources[2].dataEntry, 0x00900000); }},
      {"menu data size near 4 GiB", goodMenu, goodDialog,
       [](w::Image& m) { w::PutU32(m.bytes, m.layout.resources[0].dataEntry + 4, 0xFFFFFFF0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    w::Image image =
        w::BuildImage({Menu(ResourceName::Id(1), c.menu), Menu(ResourceName::Id(2), goodMenu),
                       Dlg(ResourceName::Id(1), c.dialog), Dlg(ResourceName::Id(2), goodDialog)});
    if (c.damage) c.damage(image);
    const std::string path = Write("damaged.dll", image.bytes);
    const auto lines = Scan({path});
    ASSERT_GE(lines.size(), 6u);
    // Exactly one failure line, right after the header of the damaged resource.
    int failures = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i] == "R メニューの読み込みに失敗しました。" ||
          lines[i] == "R ダイアログの読み込みに失敗しました。") {
        ++failures;
        EXPECT_TRUE(lines[i - 1] == "MenuID : 1" || lines[i - 1] == "DialogID : 1") << lines[i - 1];
      }
    }
    EXPECT_EQ(failures, 1);
    // The good resources are still checked, and the count covers all red lines.
    EXPECT_NE(std::find(lines.begin(), lines.end(), "R   &の付け忘れ : (G)"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "R   &の付け忘れ : (D)"), lines.end());
    const auto red = std::count_if(lines.begin(), lines.end(),
                                   [](const std::string& l) { return l.starts_with("R "); });
    EXPECT_EQ(lines.back(), "終了しました。  エラー数 : " + std::to_string(red));
  }
}

// A broken directory or broken headers fail the whole file, and the next file is scanned.
TEST_F(PeScan, DamagedModulesEndInTheFileFailureLine) {
  struct Case {
    const char* why;
    std::function<void(w::Image&)> damage;
  } cases[] = {
      {"not MZ", [](w::Image& m) { m.bytes[0] = 'X'; }},
      {"truncated headers", [](w::Image& m) { m.bytes.resize(m.layout.optionalHeader + 20); }},
      {"directory cycle",
       [](w::Image& m) { w::PutU32(m.bytes, m.layout.resources[0].typeEntry + 4, 0x80000000); }},
      {"entry count past the end",
       [](w::Image& m) { w::PutU16(m.bytes, m.layout.resourceRoot + 14, 0xFFFF); }},
  };
  const std::string good = Write("good.dll", w::BuildImage({}).bytes);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    w::Image image = w::BuildImage({Menu(ResourceName::Id(1), w::ClassicMenu({w::Item(u"x")}))});
    c.damage(image);
    const std::string path = Write("bad.dll", image.bytes);
    const std::vector<std::string> want = {
        kSep,
        "File : " + path,
        "R ファイルの読み込みに失敗しました。",
        kSep,
        "File : " + good,
        " ",
        "終了しました。  エラー数 : 0",
    };
    EXPECT_EQ(Scan({path, good}), want);
  }
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

// Deterministic damage to every part of a module: whatever the bytes, the report is complete
// (the closing line, or the file's failure line) and its count matches its red lines.
TEST_F(PeScan, RandomDamageAlwaysEndsInACompleteReport) {
  const std::vector<w::MenuNode> menu = {
      w::Popup(u"&File", {w::Item(u"&Open"), w::Popup(u"&Recent", {w::Item(u"(1)")})}),
      w::Item(u"&Help")};
  const auto image = w::BuildImage(
      {Menu(ResourceName::Id(1), w::ClassicMenu(menu)),
       Menu(ResourceName::String(u"EXT"), w::ExtendedMenu(menu)),
       Dlg(ResourceName::Id(1), Dialog(u"A", {w::Control(0x80, u"&x"), w::Control(0x82, u"&X")})),
       Dlg(ResourceName::Id(2), Dialog(u"B", {w::Control(0x81, u"(y)")}, true))},
      w::ImageOptions{.pe32Plus = true});
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;  // a fixed LCG: the same cases every run
    return seed >> 8;
  };
  const std::size_t rsrc = image.layout.resourceRoot;
  for (int round = 0; round < 1500; ++round) {
    std::vector<uint8_t> bytes = image.bytes;
    const int flips = 1 + static_cast<int>(next() % 8);
    for (int f = 0; f < flips; ++f) {
      // Mostly the resource section, sometimes the headers.
      const std::size_t at =
          (next() % 4 == 0) ? next() % rsrc : rsrc + next() % (bytes.size() - rsrc);
      bytes[at] = static_cast<uint8_t>(next());
    }
    if (next() % 16 == 0) bytes.resize(next() % bytes.size());
    const std::string path = Write("fuzzed.dll", bytes);
    const auto lines = Scan({path});
    ASSERT_GE(lines.size(), 3u) << round;
    if (lines.back() == "R ファイルの読み込みに失敗しました。") continue;
    const auto red = std::count_if(lines.begin(), lines.end(),
                                   [](const std::string& l) { return l.starts_with("R "); });
    ASSERT_EQ(lines.back(), "終了しました。  エラー数 : " + std::to_string(red)) << round;
  }
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

// Whatever is not a regular, non-empty file fails without being read: a FIFO without a writer
// or a device that never ends must not hold the scan up.
TEST_F(PeScan, OnlyRegularFilesAreRead) {
  const std::string fifo = (dir_ / "pipe.dll").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string locked = Write("locked.dll", w::BuildImage({}).bytes);
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  struct Case {
    std::string path;
    const char* why;
  };
  const Case cases[] = {
      {Write("empty.dll", {}), "the file is empty"},
      {dir_.string(), "is a folder"},
      {(dir_ / "missing.dll").string(), "no such file"},
      {(dir_ / "missing" / "a.dll").string(), "no such file"},
      {fifo, "not a regular file"},
      {"/dev/zero", "not a regular file"},
      {"/dev/null", "not a regular file"},
      {locked, "cannot open: Permission denied"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    if (c.path == locked && ::access(locked.c_str(), R_OK) == 0) {
      std::puts("(an unreadable file cannot be made here: running as root?)");
      continue;
    }
    std::vector<std::string> failures;
    const std::vector<std::string> want = {kSep, "File : " + c.path,
                                           "R ファイルの読み込みに失敗しました。"};
    EXPECT_EQ(Scan({c.path}, 0x0411, &failures), want);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(failures[0].starts_with("cannot load as a module: ")) << failures[0];
    EXPECT_NE(failures[0].find(c.why), std::string::npos) << failures[0];
  }
}

// Writes `pieces` at their offsets into a file of `size` bytes and leaves the rest as holes.
// False when the filesystem cannot, or allocates most of the file anyway.
bool WriteSparse(const std::string& path, uint64_t size,
                 const std::vector<std::pair<uint64_t, std::vector<uint8_t>>>& pieces) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
  for (const auto& [at, bytes] : pieces) {
    ok = ok && ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(at)) ==
                   static_cast<ssize_t>(bytes.size());
  }
  struct stat info {};
  ok = ok && ::fstat(fd, &info) == 0 &&
       static_cast<uint64_t>(info.st_blocks) * 512 < (uint64_t{64} << 20);
  ::close(fd);
  return ok;
}

// Modules in 5 GiB files that are mostly holes, their resources past 3.75 GiB or reaching
// into the holes: file offsets past 2 and 4 GiB must not wrap, and only the pages read are
// touched (the memory itself is measured by hand, see README).
TEST_F(PeScan, MultiGigabyteSparseFiles) {
  constexpr uint64_t kFileSize = uint64_t{5} << 30;
  constexpr uint32_t kFarAway = 0xF0000000;
  constexpr uint32_t kOneGiB = 0x40000000;
  const w::Image image =
      w::BuildImage({Menu(ResourceName::Id(1), w::ClassicMenu({w::Item(u"(G)")})),
                     Dlg(ResourceName::Id(1), Dialog(u"ok", {w::Control(0x82, u"(D)")}))});
  auto u32At = [&](std::size_t at) {
    return pe::ByteReader(image.bytes, at).ReadU32().value_or(0);
  };
  const std::size_t section = image.layout.rsrcSectionHeader;  // VA at 12, size 16, pointer 20
  const std::size_t menuEntry = image.layout.resources[0].dataEntry;
  const uint32_t rsrcRva = u32At(section + 12);
  const uint32_t rsrcSize = u32At(section + 16);
  const uint32_t rsrcAt = u32At(section + 20);
  ASSERT_EQ(uint64_t{rsrcAt} + rsrcSize, image.bytes.size());  // .rsrc comes last

  struct Case {
    const char* why;
    uint32_t moveRsrcTo;  // 0: left where it is
    std::function<void(std::vector<uint8_t>&)> patch;
    bool menuFails;
  };
  const Case cases[] = {
      {"small module at the start", 0, nullptr, false},
      {".rsrc past 3.75 GiB", kFarAway, nullptr, false},
      {"menu data of 1 GiB: its template, then holes", kFarAway,
       [&](std::vector<uint8_t>& b) {
         w::PutU32(b, section + 16, rsrcSize + kOneGiB);
         w::PutU32(b, menuEntry + 4, kOneGiB);
       },
       false},
      {"menu data wholly in the holes", kFarAway,
       [&](std::vector<uint8_t>& b) {
         w::PutU32(b, section + 16, 2 * kOneGiB);
         w::PutU32(b, menuEntry, rsrcRva + kOneGiB);
         w::PutU32(b, menuEntry + 4, kOneGiB / 4);
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::vector<uint8_t> bytes = image.bytes;
    if (c.patch) c.patch(bytes);
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> pieces;
    if (c.moveRsrcTo == 0) {
      pieces.emplace_back(0, bytes);
    } else {
      w::PutU32(bytes, section + 20, c.moveRsrcTo);
      pieces.emplace_back(0, std::vector<uint8_t>(bytes.begin(), bytes.begin() + rsrcAt));
      pieces.emplace_back(c.moveRsrcTo, std::vector<uint8_t>(bytes.begin() + rsrcAt, bytes.end()));
    }
    const std::string path = (dir_ / "sparse.dll").string();
    if (!WriteSparse(path, kFileSize, pieces)) {
      std::filesystem::remove(path);
      GTEST_SKIP() << "the filesystem under " << dir_ << " cannot make sparse files";
    }
    std::vector<std::string> failures;
    const std::vector<std::string> want = {
        kSep,
        "File : " + path,
        "MenuID : 1",
        c.menuFails ? "R メニューの読み込みに失敗しました。" : "R   &の付け忘れ : (G)",
        "DialogID : 1",
        "Title : ok",
        "R   &の付け忘れ : (D)",
        " ",
        "終了しました。  エラー数 : 2",
    };
    EXPECT_EQ(Scan({path}, 0x0411, &failures), want);
    if (c.menuFails) {
      ASSERT_EQ(failures.size(), 1u);
      EXPECT_NE(failures[0].find(std::to_string(pe::kMaxMenuTemplateSize)), std::string::npos)
          << failures[0];
    } else {
      EXPECT_EQ(failures, std::vector<std::string>());
    }
    std::filesystem::remove(path);
  }
}

// Names may share one large template, so what a scan reads is bounded per module: every read
// counts (up to the most one template is read from) and the names past the budget fail.
TEST_F(PeScan, TemplateBytesAreBoundedPerModule) {
  const std::size_t fit = kMaxTemplateBytesPerModule / pe::kMaxMenuTemplateSize;
  std::vector<uint8_t> padded = w::ClassicMenu({w::Item(u"(G)")});
  padded.resize(pe::kMaxMenuTemplateSize + 4096);  // counts as the bound, not its own size
  std::vector<w::Resource> resources;
  for (std::size_t i = 0; i < fit + 2; ++i) {
    const auto id = static_cast<uint16_t>(i + 1);
    resources.push_back(Menu(ResourceName::Id(id), i == 0 ? padded : std::vector<uint8_t>{0}));
  }
  w::Image image = w::BuildImage(resources);
  const std::size_t first = image.layout.resources[0].dataEntry;
  for (std::size_t i = 1; i < resources.size(); ++i) {
    const std::size_t entry = image.layout.resources[i].dataEntry;
    std::copy_n(image.bytes.begin() + first, 8, image.bytes.begin() + entry);  // RVA, size
  }
  const std::string path = Write("shared.dll", image.bytes);
  std::vector<std::string> want = {kSep, "File : " + path};
  for (std::size_t i = 0; i < resources.size(); ++i) {
    want.push_back("MenuID : " + std::to_string(i + 1));
    want.push_back(i < fit ? "R   &の付け忘れ : (G)" : "R メニューの読み込みに失敗しました。");
  }
  want.push_back(" ");
  want.push_back("終了しました。  エラー数 : " + std::to_string(resources.size()));
  std::vector<std::string> failures;
  EXPECT_EQ(Scan({path}, 0x0411, &failures), want);
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_NE(failures[0].find("read from one module"), std::string::npos) << failures[0];
}

}  // namespace
}  // namespace quillet
