// Menu templates: classic and extended item lists, nesting, texts that are not shown, damage.
#include "scan/pe/menu_template.h"

#include <gtest/gtest.h>

#include "tests/pe/pe_writer.h"

namespace quillet::pe {
namespace {

using writer::ClassicMenu;
using writer::ExtendedMenu;
using writer::Item;
using writer::MenuNode;
using writer::Popup;
using writer::Separator;

// "A|B{C|D}" : items of a level joined by '|', a popup's level in braces; "" is a separator
// or an item without text; '~' stands for a character outside ASCII.
std::string Describe(const Menu& menu, std::size_t level = 0) {
  std::string out;
  bool first = true;
  for (const MenuItem& item : menu.levels.at(level).items) {
    if (!first) out += "|";
    first = false;
    for (char16_t c : item.text) out.push_back(c < 0x80 ? static_cast<char>(c) : '~');
    if (item.submenu >= 0)
      out += "{" + Describe(menu, static_cast<std::size_t>(item.submenu)) + "}";
  }
  return out;
}

MenuNode WithFlags(MenuNode node, uint16_t classicFlags, uint32_t extendedType) {
  node.flags = classicFlags;
  node.type = extendedType;
  return node;
}

// `depth` levels: the top level and depth - 1 nested popups.
std::vector<MenuNode> Nested(std::size_t depth) {
  std::vector<MenuNode> level = {Item(u"leaf")};
  for (std::size_t i = 1; i < depth; ++i) level = {Popup(u"p", std::move(level))};
  return level;
}

struct Format {
  const char* name;
  std::vector<uint8_t> (*build)(const std::vector<MenuNode>&);
};
const Format kFormats[] = {{"classic", ClassicMenu}, {"extended", ExtendedMenu}};

TEST(MenuTemplateTest, ParsesBothFormats) {
  struct Case {
    const char* why;
    std::vector<MenuNode> top;
    std::string expected;
  };
  const Case cases[] = {
      {"one item", {Item(u"&Open", 1)}, "&Open"},
      {"menu bar of popups",
       {Popup(u"&File", {Item(u"&New", 1), Item(u"&Open", 2), Separator(), Item(u"E&xit", 3)}),
        Popup(u"&Help", {Item(u"&About", 4)})},
       "&File{&New|&Open||E&xit}|&Help{&About}"},
      {"popup in the middle of a level",
       {Item(u"A"), Popup(u"B", {Item(u"C"), Popup(u"D", {Item(u"E")}), Item(u"F")}), Item(u"G")},
       "A|B{C|D{E}|F}|G"},
      // The end marker sits on a popup: its level ends only after the popup's items.
      {"popups last at every level", Nested(4), "p{p{p{leaf}}}"},
      {"popup last, then back up two levels",
       {Popup(u"A", {Popup(u"B", {Item(u"C")})}), Item(u"D")},
       "A{B{C}}|D"},
      {"bitmap and owner-drawn items show no text",
       {WithFlags(Item(u"bitmap"), kMfBitmap, kMftBitmap),
        WithFlags(Item(u"drawn"), kMfOwnerDraw, kMftOwnerDraw), Item(u"shown")},
       "||shown"},
      {"owner-drawn popup keeps its items",
       {WithFlags(Popup(u"x", {Item(u"y")}), kMfOwnerDraw, kMftOwnerDraw)},
       "{y}"},
      {"non-ASCII text", {Item(u"\u30d5\u30a1\u30a4\u30eb(&F)")}, "~~~~(&F)"},
  };
  for (const Format& format : kFormats) {
    for (const Case& c : cases) {
      Result<Menu> menu = ParseMenuTemplate(format.build(c.top));
      ASSERT_TRUE(menu) << format.name << ", " << c.why << ": " << menu.error();
      EXPECT_EQ(Describe(*menu), c.expected) << format.name << ", " << c.why;
    }
  }
}

TEST(MenuTemplateTest, ExtendedSeparatorTypeHidesText) {
  MenuNode separator = WithFlags(Item(u"ignored"), 0, kMftSeparator);
  Result<Menu> menu = ParseMenuTemplate(ExtendedMenu({Item(u"A"), separator, Item(u"B")}));
  ASSERT_TRUE(menu) << menu.error();
  EXPECT_EQ(Describe(*menu), "A||B");
}

TEST(MenuTemplateTest, HeaderOffsetSkipsToTheItems) {
  for (const Format& format : kFormats) {
    std::vector<uint8_t> bytes = format.build({Item(u"A"), Item(u"B")});
    // Four more bytes between the header and the items, counted in the offset; the extended
    // items stay DWORD-aligned.
    std::size_t itemsAt = 4 + (bytes[2] | bytes[3] << 8);
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(itemsAt), {0xEE, 0xEE, 0xEE, 0xEE});
    writer::PutU16(bytes, 2, static_cast<uint16_t>(itemsAt));
    Result<Menu> menu = ParseMenuTemplate(bytes);
    ASSERT_TRUE(menu) << format.name << ": " << menu.error();
    EXPECT_EQ(Describe(*menu), "A|B") << format.name;
  }
}

// Extended items align to DWORDs counted from the start of the resource data, which need not
// lie on a DWORD boundary of the file.
TEST(MenuTemplateTest, ExtendedAlignmentCountsFromTheResourceStart) {
  std::vector<uint8_t> bytes = ExtendedMenu({Popup(u"ab", {Item(u"c"), Item(u"def")}), Item(u"g")});
  for (std::size_t shift : {0, 1, 2, 3}) {
    writer::Image image = writer::BuildImage(
        {{ResourceName::Id(kRtMenu), ResourceName::Id(1), 0, bytes}}, {.dataShift = shift});
    Result<PeImage> pe = PeImage::Parse(image.bytes);
    ASSERT_TRUE(pe);
    Result<ResourceData> data = pe->FindData(ResourceName::Id(kRtMenu), ResourceName::Id(1));
    ASSERT_TRUE(data) << data.error();
    Result<Menu> menu = ParseMenuTemplate(data->bytes);
    ASSERT_TRUE(menu) << "shift " << shift << ": " << menu.error();
    EXPECT_EQ(Describe(*menu), "ab{c|def}|g") << "shift " << shift;
  }
}

TEST(MenuTemplateTest, DepthBound) {
  for (const Format& format : kFormats) {
    Result<Menu> deepest = ParseMenuTemplate(format.build(Nested(kMaxMenuDepth)));
    ASSERT_TRUE(deepest) << format.name << ": " << deepest.error();
    EXPECT_EQ(deepest->levels.size(), kMaxMenuDepth);
    Result<Menu> tooDeep = ParseMenuTemplate(format.build(Nested(kMaxMenuDepth + 1)));
    ASSERT_FALSE(tooDeep) << format.name;
    EXPECT_NE(tooDeep.error().find("deeper"), std::string::npos) << tooDeep.error();
  }
}

// Bytes past the end markers are never read, so a large data size alone is no fault; only a
// menu that needs more than the bound fails.
TEST(MenuTemplateTest, SizeBound) {
  for (const Format& format : kFormats) {
    SCOPED_TRACE(format.name);
    auto items = [&](std::size_t n) { return format.build(std::vector<MenuNode>(n, Item(u"x"))); };
    const std::size_t itemSize = items(2).size() - items(1).size();
    const std::size_t n = kMaxMenuTemplateSize / itemSize;
    std::vector<uint8_t> fits = items(n - 1);
    ASSERT_LE(fits.size(), kMaxMenuTemplateSize);
    fits.resize(kMaxMenuTemplateSize + 4096, 0xFF);
    Result<Menu> menu = ParseMenuTemplate(fits);
    ASSERT_TRUE(menu) << menu.error();
    EXPECT_EQ(menu->levels[0].items.size(), n - 1);

    const std::vector<uint8_t> tooLarge = items(n + 1);
    ASSERT_GT(tooLarge.size(), kMaxMenuTemplateSize);
    Result<Menu> refused = ParseMenuTemplate(tooLarge);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find(std::to_string(kMaxMenuTemplateSize)), std::string::npos)
        << refused.error();
  }
}

std::vector<uint8_t> Patched(std::vector<uint8_t> bytes, std::size_t offset, uint16_t value) {
  writer::PutU16(bytes, offset, value);
  return bytes;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, std::size_t count) {
  bytes.resize(bytes.size() - count);
  return bytes;
}

TEST(MenuTemplateTest, MalformedTemplatesGiveErrors) {
  // Classic {A}: header(4), flags at 4, id at 6, "A\0" at 8. Classic popup P{A}: P's flags at
  // 4, "P\0" at 6, A's flags at 10. Extended {A}: header and help id (8), type, state, id,
  // resInfo at 20, "A\0" at 22.
  const std::vector<uint8_t> classic = ClassicMenu({Item(u"A")});
  const std::vector<uint8_t> classicPopup = ClassicMenu({Popup(u"P", {Item(u"A")})});
  const std::vector<uint8_t> extended = ExtendedMenu({Item(u"A")});
  const std::vector<uint8_t> extendedPopup = ExtendedMenu({Popup(u"P", {Item(u"A")})});
  MenuNode emptyPopup = Item(u"P");
  emptyPopup.popup = true;
  struct Case {
    const char* why;
    std::vector<uint8_t> bytes;
    const char* message;
  };
  const Case cases[] = {
      {"empty", {}, "header is truncated"},
      {"half a header", {0, 0, 0}, "header is truncated"},
      {"version 2", Patched(classic, 0, 2), "version 2"},
      {"version 0xFFFF", Patched(classic, 0, 0xFFFF), "version 65535"},
      {"header offset past the end", Patched(classic, 2, 0x100), "offset"},
      {"no items at all", {0, 0, 0, 0}, "without MF_END"},
      {"classic level without MF_END", Patched(classic, 4, 0), "without MF_END"},
      {"classic popup's level without MF_END", Patched(classicPopup, 10, 0), "without MF_END"},
      {"classic popup with no items", ClassicMenu({emptyPopup}), "without MF_END"},
      {"extended level without its end marker", Patched(extended, 20, 0), "without resInfo 0x80"},
      {"extended popup with no items", ExtendedMenu({emptyPopup}), "without resInfo 0x80"},
      {"classic text without NUL", Cut(classic, 2), "terminating NUL"},
      {"odd size cuts the NUL", Cut(classic, 1), "terminating NUL"},
      {"classic item cut after its flags", Cut(classic, 6), "truncated"},
      {"extended text without NUL", Cut(extended, 2), "terminating NUL"},
      {"extended item cut inside its fixed part", Cut(extended, 6), "truncated"},
      {"extended popup cut before its help id", Cut(extendedPopup, extendedPopup.size() - 28),
       "help id"},
  };
  for (const Case& c : cases) {
    Result<Menu> menu = ParseMenuTemplate(c.bytes);
    ASSERT_FALSE(menu) << c.why;
    EXPECT_NE(menu.error().find(c.message), std::string::npos) << c.why << ": " << menu.error();
  }
}

TEST(MenuTemplateTest, EveryTruncationIsAnError) {
  for (const Format& format : kFormats) {
    std::vector<uint8_t> bytes =
        format.build({Popup(u"&File", {Item(u"&Open", 1), Separator()}), Item(u"&Help", 2)});
    ASSERT_TRUE(ParseMenuTemplate(bytes));
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
      EXPECT_FALSE(ParseMenuTemplate(prefix)) << format.name << " cut to " << size;
    }
  }
}

}  // namespace
}  // namespace quillet::pe
