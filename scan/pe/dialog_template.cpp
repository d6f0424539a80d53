// RT_DIALOG templates (DLGTEMPLATE / DLGTEMPLATEEX) and the controls creating them would give.
#include "scan/pe/dialog_template.h"

#include <algorithm>
#include <iterator>

#include "scan/pe/byte_reader.h"

namespace quillet::pe {

namespace {

// The smallest items: the fixed part, a one-unit class and title, and the creation-data count.
constexpr std::size_t kMinClassicItemSize = 18 + 2 + 2 + 2;
constexpr std::size_t kMinExtendedItemSize = 24 + 2 + 2 + 2;
constexpr uint16_t kOrdinalMarker = 0xFFFF;
// The integer atom of the default dialog class: a class field of 0xFFFF 0x8002 names "#32770".
constexpr uint16_t kDialogClassAtom = 0x8002;

// Classes a dialog can create without the program registering anything: the system's own,
// comctl32's (the program is assumed to have initialised common controls) and the rich edit
// libraries'.
constexpr std::u16string_view kRegisteredClasses[] = {
    // System
    u"Button", u"Edit", u"Static", u"ListBox", u"ScrollBar", u"ComboBox", u"ComboLBox",
    u"MDIClient", u"#32770",
    // comctl32
    u"SysListView32", u"SysTreeView32", u"SysTabControl32", u"msctls_progress32",
    u"msctls_trackbar32", u"msctls_updown32", u"msctls_hotkey32", u"msctls_statusbar32",
    u"ToolbarWindow32", u"ReBarWindow32", u"SysHeader32", u"SysAnimate32", u"SysDateTimePick32",
    u"SysMonthCal32", u"SysIPAddress32", u"ComboBoxEx32", u"SysPager", u"SysLink", u"NativeFontCtl",
    u"tooltips_class32",
    // riched32, riched20, msftedit
    u"RICHEDIT", u"RichEdit20A", u"RichEdit20W", u"RICHEDIT50W"};

// Class names compare without regard to ASCII case, as the window manager compares them.
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [&](char16_t x, char16_t y) { return fold(x) == fold(y); });
}

bool IsRegisteredClass(std::u16string_view name) {
  return std::any_of(std::begin(kRegisteredClasses), std::end(kRegisteredClasses),
                     [name](std::u16string_view known) { return EqualsIgnoreCase(name, known); });
}

// Window text ends at its first NUL.
std::u16string UpToNul(const std::u16string& text) {
  return text.substr(0, text.find(u'\0'));
}

// Class names in messages: ASCII as is, anything else as '?'.
std::string Printable(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  return out;
}

std::string Describe(const NameOrOrdinal& name) {
  switch (name.kind) {
    case NameOrOrdinal::Kind::kNone:
      return "(none)";
    case NameOrOrdinal::Kind::kOrdinal:
      return "ordinal " + Hex(name.ordinal);
    case NameOrOrdinal::Kind::kString: {
      // Appended, not prefixed: GCC 12 warns falsely (-Wrestrict) on "..." + std::string&&.
      std::string quoted(1, '"');
      quoted += Printable(name.text);
      quoted += '"';
      return quoted;
    }
  }
  return {};
}

// sz_Or_Ord: 0xFFFF and an ordinal, or a NUL-terminated string. For the dialog's menu and
// class a lone 0x0000 means none; elsewhere it is simply the empty string.
Result<NameOrOrdinal> ReadNameOrOrdinal(ByteReader& reader, bool zeroIsNone,
                                        const std::string& what) {
  std::size_t start = reader.offset();
  std::optional<uint16_t> first = reader.ReadU16();
  if (!first) return Error{what + " at offset " + Hex(start) + " is truncated"};
  if (*first == kOrdinalMarker) {
    std::optional<uint16_t> ordinal = reader.ReadU16();
    if (!ordinal) return Error{what + " at offset " + Hex(start) + " is truncated"};
    return NameOrOrdinal::Ordinal(*ordinal);
  }
  if (*first == 0 && zeroIsNone) return NameOrOrdinal::None();
  (void)reader.Seek(start);
  std::optional<std::u16string> text = reader.ReadString16();
  if (!text) return Error{what + " at offset " + Hex(start) + " has no terminating NUL"};
  return NameOrOrdinal::String(std::move(*text));
}

Result<std::u16string> ReadString(ByteReader& reader, const std::string& what) {
  std::size_t start = reader.offset();
  std::optional<std::u16string> text = reader.ReadString16();
  if (!text) return Error{what + " at offset " + Hex(start) + " has no terminating NUL"};
  return std::move(*text);
}

int16_t ReadCoordinate(ByteReader& reader) {
  return static_cast<int16_t>(reader.ReadU16().value_or(0));
}

Result<DialogItem> ReadItem(ByteReader& reader, bool extended, std::size_t index) {
  std::string what = "dialog item " + std::to_string(index);
  // Each item starts on a DWORD boundary counted from the start of the resource data.
  if (!reader.AlignTo(4) || reader.remaining() < (extended ? 24u : 18u)) {
    return Error{what + " at offset " + Hex(reader.offset()) + " is truncated"};
  }
  DialogItem item;  // the fixed part is in bounds (checked above)
  if (extended) {
    item.helpId = reader.ReadU32().value_or(0);
    item.exStyle = reader.ReadU32().value_or(0);
    item.style = reader.ReadU32().value_or(0);
  } else {
    item.style = reader.ReadU32().value_or(0);
    item.exStyle = reader.ReadU32().value_or(0);
  }
  item.x = ReadCoordinate(reader);
  item.y = ReadCoordinate(reader);
  item.cx = ReadCoordinate(reader);
  item.cy = ReadCoordinate(reader);
  item.id = extended ? reader.ReadU32().value_or(0) : reader.ReadU16().value_or(0);

  Result<NameOrOrdinal> windowClass = ReadNameOrOrdinal(reader, false, what + " class");
  if (!windowClass) return Error{windowClass.error()};
  item.windowClass = std::move(*windowClass);
  Result<NameOrOrdinal> title = ReadNameOrOrdinal(reader, false, what + " title");
  if (!title) return Error{title.error()};
  item.title = std::move(*title);

  // A count, then that many bytes handed to the control at creation.
  std::size_t countAt = reader.offset();
  std::optional<uint16_t> size = reader.ReadU16();
  if (!size || !reader.Skip(*size)) {
    return Error{what + " creation data at offset " + Hex(countAt) + " is truncated"};
  }
  item.creationDataSize = *size;
  return item;
}

// Where each item lies in the template's bytes: [begin, end), begin DWORD-aligned.
struct ItemExtent {
  std::size_t begin = 0;
  std::size_t end = 0;
};

Result<DialogTemplate> ParseWithin(std::span<const uint8_t> data,
                                   std::vector<ItemExtent>* extents) {
  ByteReader reader(data);
  DialogTemplate dialog;
  std::optional<uint16_t> first = reader.ReadU16();
  std::optional<uint16_t> second = reader.ReadU16();
  dialog.extended = first == 1 && second == kOrdinalMarker;
  (void)reader.Seek(0);
  // DLGTEMPLATEEX: dlgVer, signature, helpID, exStyle, style, cDlgItems, x, y, cx, cy.
  // DLGTEMPLATE: style, dwExtendedStyle, cdit, x, y, cx, cy.
  if (reader.remaining() < (dialog.extended ? 26u : 18u)) {
    return Error{"dialog header is truncated"};
  }
  if (dialog.extended) {
    (void)reader.Skip(4);
    dialog.helpId = reader.ReadU32().value_or(0);
    dialog.exStyle = reader.ReadU32().value_or(0);
    dialog.style = reader.ReadU32().value_or(0);
  } else {
    dialog.style = reader.ReadU32().value_or(0);
    dialog.exStyle = reader.ReadU32().value_or(0);
  }
  uint16_t count = reader.ReadU16().value_or(0);
  dialog.x = ReadCoordinate(reader);
  dialog.y = ReadCoordinate(reader);
  dialog.cx = ReadCoordinate(reader);
  dialog.cy = ReadCoordinate(reader);

  Result<NameOrOrdinal> menu = ReadNameOrOrdinal(reader, true, "dialog menu");
  if (!menu) return Error{menu.error()};
  dialog.menu = std::move(*menu);
  Result<NameOrOrdinal> windowClass = ReadNameOrOrdinal(reader, true, "dialog class");
  if (!windowClass) return Error{windowClass.error()};
  dialog.windowClass = std::move(*windowClass);
  Result<std::u16string> caption = ReadString(reader, "dialog caption");
  if (!caption) return Error{caption.error()};
  dialog.caption = std::move(*caption);

  if ((dialog.style & kDsSetFont) != 0) {
    DialogFont font;
    std::size_t fontAt = reader.offset();
    std::optional<uint16_t> pointSize = reader.ReadU16();
    std::optional<uint16_t> weight = dialog.extended ? reader.ReadU16() : uint16_t{0};
    std::optional<uint8_t> italic = dialog.extended ? reader.ReadU8() : uint8_t{0};
    std::optional<uint8_t> charset = dialog.extended ? reader.ReadU8() : uint8_t{0};
    if (!pointSize || !weight || !italic || !charset) {
      return Error{"dialog font at offset " + Hex(fontAt) + " is truncated"};
    }
    Result<std::u16string> face = ReadString(reader, "dialog font name");
    if (!face) return Error{face.error()};
    dialog.font = DialogFont{*pointSize, *weight, *italic, *charset, std::move(*face)};
  }

  // Checked against the bytes left before anything is reserved for the items.
  std::size_t minItemSize = dialog.extended ? kMinExtendedItemSize : kMinClassicItemSize;
  if (count > reader.remaining() / minItemSize) {
    return Error{"dialog declares " + std::to_string(count) + " items, more than the " +
                 std::to_string(reader.remaining()) + " bytes left can hold"};
  }
  dialog.items.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t begin = (reader.offset() + 3) / 4 * 4;  // where ReadItem aligns to
    Result<DialogItem> item = ReadItem(reader, dialog.extended, i);
    if (!item) return Error{item.error()};
    dialog.items.push_back(std::move(*item));
    if (extents) extents->push_back({begin, reader.offset()});
  }
  return dialog;
}

Result<DialogTemplate> Parse(std::span<const uint8_t> data, std::vector<ItemExtent>* extents) {
  if (data.size() <= kMaxDialogTemplateSize) return ParseWithin(data, extents);
  Result<DialogTemplate> dialog = ParseWithin(data.first(kMaxDialogTemplateSize), extents);
  if (!dialog) {
    return Error{"dialog needs more than the " + std::to_string(kMaxDialogTemplateSize) +
                 " bytes a dialog is read from (" + dialog.error() + ")"};
  }
  return dialog;
}

}  // namespace

Result<DialogTemplate> ParseDialogTemplate(std::span<const uint8_t> data) {
  return Parse(data, nullptr);
}

std::u16string_view PredefinedClassName(uint16_t ordinal) {
  static constexpr std::u16string_view kNames[] = {u"Button",  u"Edit",      u"Static",
                                                   u"ListBox", u"ScrollBar", u"ComboBox"};
  if (ordinal < 0x80 || ordinal > 0x85) return {};
  return kNames[ordinal - 0x80];
}

Result<DialogInstance> InstantiateDialog(const DialogTemplate& dialog) {
  const NameOrOrdinal& own = dialog.windowClass;
  bool defaultClass =
      own.kind == NameOrOrdinal::Kind::kNone ||
      (own.kind == NameOrOrdinal::Kind::kOrdinal && own.ordinal == kDialogClassAtom) ||
      (own.kind == NameOrOrdinal::Kind::kString && EqualsIgnoreCase(own.text, u"#32770"));
  if (!defaultClass) {
    return Error{"the dialog's own class " + Describe(own) + " is not registered"};
  }

  DialogInstance instance;
  instance.caption = UpToNul(dialog.caption);
  for (std::size_t i = 0; i < dialog.items.size(); ++i) {
    const DialogItem& item = dialog.items[i];
    std::u16string_view name;
    if (item.windowClass.kind == NameOrOrdinal::Kind::kOrdinal) {
      name = PredefinedClassName(item.windowClass.ordinal);
    } else if (item.windowClass.kind == NameOrOrdinal::Kind::kString) {
      name = item.windowClass.text;
      // An OLE control: never created by us, and never a reason to fail.
      if (name.starts_with(u'{')) continue;
    }
    if (name.empty() || !IsRegisteredClass(name)) {
      if ((dialog.style & kDsNoFailCreate) != 0) continue;
      return Error{"dialog item " + std::to_string(i) + " has class " + Describe(item.windowClass) +
                   ", which is not registered"};
    }
    if (EqualsIgnoreCase(name, u"ComboBox") || item.title.kind != NameOrOrdinal::Kind::kString) {
      instance.childTexts.emplace_back();
    } else {
      instance.childTexts.push_back(UpToNul(item.title.text));
    }
  }
  return instance;
}

Result<std::vector<uint8_t>> PrepareTemplateForCreation(std::span<const uint8_t> data) {
  std::vector<ItemExtent> extents;
  Result<DialogTemplate> dialog = Parse(data, &extents);
  if (!dialog) return Error{dialog.error()};
  // Offsets of the style and the item count in DLGTEMPLATEEX and DLGTEMPLATE.
  const std::size_t styleAt = dialog->extended ? 12 : 0;
  const std::size_t countAt = dialog->extended ? 16 : 8;
  const std::size_t headerEnd = extents.empty() ? data.size() : extents.front().begin;

  std::vector<uint8_t> copy(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(headerEnd));
  const uint32_t style = dialog->style & ~kWsVisible;
  for (std::size_t i = 0; i < 4; ++i) copy[styleAt + i] = static_cast<uint8_t>(style >> (8 * i));
  uint16_t kept = 0;
  for (std::size_t i = 0; i < extents.size(); ++i) {
    const NameOrOrdinal& cls = dialog->items[i].windowClass;
    if (cls.kind == NameOrOrdinal::Kind::kString && cls.text.starts_with(u'{')) continue;
    copy.resize((copy.size() + 3) / 4 * 4, 0);  // items stay DWORD-aligned
    copy.insert(copy.end(), data.begin() + static_cast<std::ptrdiff_t>(extents[i].begin),
                data.begin() + static_cast<std::ptrdiff_t>(extents[i].end));
    ++kept;
  }
  copy[countAt] = static_cast<uint8_t>(kept);
  copy[countAt + 1] = static_cast<uint8_t>(kept >> 8);
  return copy;
}

}  // namespace quillet::pe
