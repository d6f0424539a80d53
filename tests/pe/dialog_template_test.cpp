// Dialog templates: both forms round-trip through the writer, damage is reported, and
// instantiation fails, skips and reports texts as CreateDialogIndirectParam would.
#include "scan/pe/dialog_template.h"

#include <gtest/gtest.h>

#include "scan/pe/pe_image.h"
#include "tests/pe/pe_writer.h"

namespace quillet::pe {
namespace {

using namespace std::string_literals;
using writer::Control;
using writer::DialogBytes;

constexpr uint16_t kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83, kScrollBar = 0x84,
                   kComboBox = 0x85;
constexpr uint32_t kDialogStyle = 0x80C800C0;  // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT

DialogItem WithCreationData(DialogItem item, uint16_t size) {
  item.creationDataSize = size;
  return item;
}

DialogItem WithTitleOrdinal(DialogItem item, uint16_t ordinal) {
  item.title = NameOrOrdinal::Ordinal(ordinal);
  return item;
}

DialogItem Placed(DialogItem item, int16_t x, int16_t y, uint32_t id, uint32_t helpId = 0) {
  item.x = x;
  item.y = y;
  item.cx = 50;
  item.cy = -14;
  item.id = id;
  item.helpId = helpId;
  item.exStyle = 0x4;
  return item;
}

// A dialog exercising every field; odd-length strings make the items need padding.
DialogTemplate Sample(bool extended) {
  DialogTemplate d;
  d.extended = extended;
  d.helpId = extended ? 77 : 0;
  d.exStyle = 0x00010000;
  d.style = kDialogStyle;
  d.x = -5;
  d.y = 10;
  d.cx = 200;
  d.cy = 100;
  d.menu = NameOrOrdinal::Ordinal(101);
  d.windowClass = NameOrOrdinal::None();
  d.caption = u"Settings";
  d.font = extended ? DialogFont{9, 700, 1, 128, u"MS UI Gothic"}
                    : DialogFont{9, 0, 0, 0, u"MS UI Gothic"};
  d.items = {
      Placed(Control(kStatic, u"&Name:"), 5, 5, 0xFFFF),
      Placed(WithCreationData(Control(kEdit, u""), 3), 5, 20, 1000),
      Placed(Control(u"SysListView32", u"List"), 5, 40, extended ? 0x12345 : 1001,
             extended ? 9 : 0),
      Placed(WithTitleOrdinal(Control(kStatic, u""), 102), 5, 60, 1002),
      Placed(WithCreationData(Control(kButton, u"OK"), 6), 5, 80, 1),
      Placed(Control(0x90, u"x"), 5, 90, 1003),
  };
  return d;
}

TEST(DialogTemplateTest, RoundTripsThroughTheWriter) {
  struct Case {
    const char* why;
    DialogTemplate dialog;
  };
  std::vector<Case> cases = {{"classic", Sample(false)}, {"extended", Sample(true)}};
  {
    DialogTemplate d = Sample(false);
    d.style &= ~kDsSetFont;  // no font data at all
    d.font.reset();
    d.menu = NameOrOrdinal::String(u"MAINMENU");
    d.windowClass = NameOrOrdinal::String(u"#32770");
    d.caption = u"";
    cases.push_back({"classic without font, string menu and class", d});
  }
  {
    DialogTemplate d = Sample(true);
    d.windowClass = NameOrOrdinal::Ordinal(0x8002);
    d.items.clear();
    cases.push_back({"extended without items, class ordinal", d});
  }
  {
    // A classic style whose low word is 1 is still classic: the second word is not 0xFFFF.
    DialogTemplate d = Sample(false);
    d.style = 0x10000041;
    cases.push_back({"classic style with low word 1", d});
  }
  for (const Case& c : cases) {
    Result<DialogTemplate> parsed = ParseDialogTemplate(DialogBytes(c.dialog));
    ASSERT_TRUE(parsed) << c.why << ": " << parsed.error();
    EXPECT_TRUE(*parsed == c.dialog) << c.why;
    // Spot checks that would fail with a model mismatch hidden by operator==.
    EXPECT_EQ(parsed->items.size(), c.dialog.items.size()) << c.why;
    if (!parsed->items.empty()) {
      EXPECT_EQ(parsed->items.back().title.text, u"x") << c.why;
    }
  }
}

TEST(DialogTemplateTest, EmptyClassAndTitleAreEmptyStrings) {
  DialogTemplate d = Sample(false);
  d.items = {Control(u"", u"")};
  Result<DialogTemplate> parsed = ParseDialogTemplate(DialogBytes(d));
  ASSERT_TRUE(parsed) << parsed.error();
  EXPECT_EQ(parsed->items[0].windowClass, NameOrOrdinal::String(u""));
  EXPECT_EQ(parsed->items[0].title, NameOrOrdinal::String(u""));
}

TEST(DialogTemplateTest, AlignmentCountsFromTheResourceStart) {
  for (bool extended : {false, true}) {
    const DialogTemplate dialog = Sample(extended);
    for (std::size_t shift : {1, 2, 3}) {
      writer::Image image = writer::BuildImage(
          {{ResourceName::Id(kRtDialog), ResourceName::Id(1), 0, DialogBytes(dialog)}},
          {.dataShift = shift});
      Result<PeImage> pe = PeImage::Parse(image.bytes);
      ASSERT_TRUE(pe);
      Result<ResourceData> data = pe->FindData(ResourceName::Id(kRtDialog), ResourceName::Id(1));
      ASSERT_TRUE(data);
      Result<DialogTemplate> parsed = ParseDialogTemplate(data->bytes);
      ASSERT_TRUE(parsed) << parsed.error();
      EXPECT_TRUE(*parsed == dialog) << extended << " shift " << shift;
    }
  }
}

// Creation data ending exactly at the end of the resource passes; one byte short fails.
TEST(DialogTemplateTest, CreationDataMayEndAtTheEnd) {
  for (bool extended : {false, true}) {
    DialogTemplate d = Sample(extended);
    d.items = {WithCreationData(Control(kButton, u"OK"), 5)};
    std::vector<uint8_t> bytes = DialogBytes(d);
    EXPECT_TRUE(ParseDialogTemplate(bytes)) << extended;
    bytes.pop_back();
    Result<DialogTemplate> cut = ParseDialogTemplate(bytes);
    ASSERT_FALSE(cut) << extended;
    EXPECT_NE(cut.error().find("creation data"), std::string::npos) << cut.error();
  }
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, std::size_t count) {
  bytes.resize(bytes.size() - count);
  return bytes;
}

std::vector<uint8_t> WithCount(std::vector<uint8_t> bytes, std::size_t at, uint16_t count) {
  writer::PutU16(bytes, at, count);
  return bytes;
}

TEST(DialogTemplateTest, MalformedTemplatesGiveErrors) {
  DialogTemplate plain;  // classic, no font, no items, caption "Hi"
  plain.caption = u"Hi";
  DialogTemplate plainEx = plain;
  plainEx.extended = true;
  DialogTemplate withFont = plain;
  withFont.style = kDsSetFont;
  withFont.font = DialogFont{9, 0, 0, 0, u"Face"};
  DialogTemplate withItem = plain;
  withItem.items = {Control(u"Foo", u"Bar")};  // ends "Bar\0" and a zero creation-data count
  DialogTemplate menuOrdinal = plain;
  menuOrdinal.menu = NameOrOrdinal::Ordinal(5);
  // Item counts sit at offset 8 (classic) and 16 (extended).
  struct Case {
    const char* why;
    std::vector<uint8_t> bytes;
    const char* message;
  };
  const Case cases[] = {
      {"empty", {}, "header is truncated"},
      {"classic header one byte short", Cut(DialogBytes(plain), DialogBytes(plain).size() - 17),
       "header is truncated"},
      {"extended header one byte short",
       Cut(DialogBytes(plainEx), DialogBytes(plainEx).size() - 25), "header is truncated"},
      {"caption without NUL", Cut(DialogBytes(plain), 2), "caption"},
      {"odd size cuts the caption's NUL", Cut(DialogBytes(plain), 1), "caption"},
      {"menu ordinal cut", Cut(DialogBytes(menuOrdinal), DialogBytes(menuOrdinal).size() - 20),
       "menu"},
      {"font name without NUL", Cut(DialogBytes(withFont), 2), "font name"},
      {"font cut before the name", Cut(DialogBytes(withFont), 11), "font"},
      {"one item declared, none present", WithCount(DialogBytes(plain), 8, 1), "declares 1 items"},
      {"item count far past the data", WithCount(DialogBytes(withItem), 8, 0xFFFF),
       "declares 65535 items"},
      {"extended item count past the data", WithCount(DialogBytes(plainEx), 16, 2), "declares 2"},
      {"item title without NUL", Cut(DialogBytes(withItem), 4), "title"},
      {"item class without NUL",
       Cut(DialogBytes(withItem), 2 * std::char_traits<char16_t>::length(u"Bar") + 6), "class"},
      {"creation data count missing", Cut(DialogBytes(withItem), 2), "creation data"},
  };
  for (const Case& c : cases) {
    Result<DialogTemplate> parsed = ParseDialogTemplate(c.bytes);
    ASSERT_FALSE(parsed) << c.why;
    EXPECT_NE(parsed.error().find(c.message), std::string::npos) << c.why << ": " << parsed.error();
  }
}

TEST(DialogTemplateTest, EveryTruncationIsAnError) {
  for (bool extended : {false, true}) {
    std::vector<uint8_t> bytes = DialogBytes(Sample(extended));
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
      EXPECT_FALSE(ParseDialogTemplate(prefix)) << extended << " cut to " << size;
    }
  }
}

// The copy handed to CreateDialogIndirectParam: hidden, without OLE controls, otherwise the
// same template; odd-length texts before and after the dropped item test the realignment.
TEST(DialogTemplateTest, CopyForCreationIsHiddenAndHasNoOleControls) {
  for (bool extended : {false, true}) {
    DialogTemplate d = Sample(extended);
    d.style |= kWsVisible;
    d.items.insert(d.items.begin() + 1,
                   Placed(Control(u"{8856F961-340A-11D0-A96B}", u"ole"), 1, 1, 1010));
    d.items.push_back(WithCreationData(Control(u"{0}", u"odd"), 5));
    Result<std::vector<uint8_t>> copy = PrepareTemplateForCreation(DialogBytes(d));
    ASSERT_TRUE(copy) << copy.error();

    DialogTemplate expected = Sample(extended);
    Result<DialogTemplate> parsed = ParseDialogTemplate(*copy);
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(*parsed, expected) << extended;
  }
  // Without items the header is all there is.
  DialogTemplate empty = Sample(false);
  empty.items.clear();
  empty.style |= kWsVisible;
  Result<std::vector<uint8_t>> copy = PrepareTemplateForCreation(DialogBytes(empty));
  ASSERT_TRUE(copy);
  empty.style &= ~kWsVisible;
  EXPECT_EQ(*copy, DialogBytes(empty));
  // What the parser refuses is refused here too.
  EXPECT_FALSE(PrepareTemplateForCreation(std::vector<uint8_t>(10, 0)));
}

// As for menus: a dialog read within the bound parses whatever its data size; one that needs
// more fails.
TEST(DialogTemplateTest, SizeBound) {
  auto withTitle = [](std::size_t units) {
    DialogTemplate d;
    d.items = {Control(0x82, std::u16string(units, u'a'))};
    return DialogBytes(d);
  };
  std::vector<uint8_t> fits = withTitle(kMaxDialogTemplateSize / 2 - 64);
  ASSERT_LE(fits.size(), kMaxDialogTemplateSize);
  fits.resize(kMaxDialogTemplateSize + 4096, 0xFF);
  Result<DialogTemplate> parsed = ParseDialogTemplate(fits);
  ASSERT_TRUE(parsed) << parsed.error();
  EXPECT_EQ(parsed->items.at(0).title.text.size(), kMaxDialogTemplateSize / 2 - 64);

  Result<DialogTemplate> refused = ParseDialogTemplate(withTitle(kMaxDialogTemplateSize / 2));
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.error().find(std::to_string(kMaxDialogTemplateSize)), std::string::npos)
      << refused.error();
}

TEST(DialogTemplateTest, PredefinedClassNames) {
  EXPECT_EQ(PredefinedClassName(kButton), u"Button");
  EXPECT_EQ(PredefinedClassName(kComboBox), u"ComboBox");
  EXPECT_EQ(PredefinedClassName(0x7F), u"");
  EXPECT_EQ(PredefinedClassName(0x86), u"");
}

TEST(DialogTemplateTest, Instantiate) {
  const std::u16string ole = u"{8856F961-340A-11D0-A96B-00C04FD705A2}";
  struct Case {
    const char* why;
    uint32_t style;
    NameOrOrdinal windowClass;
    std::vector<DialogItem> items;
    std::optional<std::vector<std::u16string>> texts;  // nullopt: creation fails
    const char* message = "";
  };
  const Case cases[] = {
      {"predefined ordinals",
       0,
       {},
       {Control(kButton, u"&OK"), Control(kEdit, u"text"), Control(kStatic, u"&Name:"),
        Control(kListBox, u"l"), Control(kScrollBar, u""), Control(kComboBox, u"Choose &one")},
       std::vector<std::u16string>{u"&OK", u"text", u"&Name:", u"l", u"", u""}},
      {"class names in any case",
       0,
       {},
       {Control(u"BUTTON", u"&Apply"), Control(u"static", u"S"), Control(u"combobox", u"hidden"),
        Control(u"sysListView32", u"L"), Control(u"richedit20w", u"R"),
        Control(u"msctls_trackbar32", u"T"), Control(u"ComboLBox", u"C"), Control(u"#32770", u"D")},
       std::vector<std::u16string>{u"&Apply", u"S", u"", u"L", u"R", u"T", u"C", u"D"}},
      {"ordinal title gives no text",
       0,
       {},
       {WithTitleOrdinal(Control(kStatic, u""), 101), Control(kButton, u"B")},
       std::vector<std::u16string>{u"", u"B"}},
      {"text ends at its first NUL",
       0,
       {},
       {Control(kButton, u"&Yes\0No"s)},
       std::vector<std::u16string>{u"&Yes"}},
      {"OLE control left out, without DS_NOFAILCREATE",
       0,
       {},
       {Control(kButton, u"A"), Control(ole, u"web"), Control(kButton, u"B")},
       std::vector<std::u16string>{u"A", u"B"}},
      {"unregistered class fails",
       0,
       {},
       {Control(kButton, u"A"), Control(u"MyGrid", u"g")},
       std::nullopt,
       "\"MyGrid\""},
      {"unknown ordinal fails", 0, {}, {Control(0x86, u"x")}, std::nullopt, "ordinal 0x86"},
      {"DS_NOFAILCREATE skips unregistered controls",
       kDsNoFailCreate,
       {},
       {Control(kButton, u"A"), Control(u"MyGrid", u"g"), Control(0x86, u"x"),
        Control(kButton, u"B")},
       std::vector<std::u16string>{u"A", u"B"}},
      {"default dialog class by name",
       0,
       NameOrOrdinal::String(u"#32770"),
       {Control(kButton, u"A")},
       std::vector<std::u16string>{u"A"}},
      {"default dialog class by atom",
       0,
       NameOrOrdinal::Ordinal(0x8002),
       {},
       std::vector<std::u16string>{}},
      {"private dialog class fails",
       0,
       NameOrOrdinal::String(u"MyDialogClass"),
       {Control(kButton, u"A")},
       std::nullopt,
       "own class \"MyDialogClass\""},
      {"private dialog class fails despite DS_NOFAILCREATE",
       kDsNoFailCreate,
       NameOrOrdinal::String(u"MyDialogClass"),
       {},
       std::nullopt,
       "own class"},
      {"other dialog class ordinal fails",
       0,
       NameOrOrdinal::Ordinal(0x80),
       {},
       std::nullopt,
       "own class ordinal 0x80"},
  };
  for (const Case& c : cases) {
    DialogTemplate d;
    d.style = c.style;
    d.windowClass = c.windowClass;
    d.caption = u"Caption\0tail"s;
    d.items = c.items;
    Result<DialogInstance> instance = InstantiateDialog(d);
    ASSERT_EQ(instance.ok(), c.texts.has_value())
        << c.why << ": " << (instance ? "" : instance.error());
    if (instance) {
      EXPECT_EQ(instance->caption, u"Caption") << c.why;
      EXPECT_EQ(instance->childTexts, *c.texts) << c.why;
    } else {
      EXPECT_NE(instance.error().find(c.message), std::string::npos)
          << c.why << ": " << instance.error();
    }
  }
}

}  // namespace
}  // namespace quillet::pe
