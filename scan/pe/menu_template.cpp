// RT_MENU templates: MENUITEMTEMPLATE (version 0) and MENUEX_TEMPLATE_ITEM (version 1) lists.
#include "scan/pe/menu_template.h"

#include <climits>
#include <optional>

#include "scan/pe/byte_reader.h"

namespace quillet::pe {

namespace {

// The smallest items: a classic popup (flags, empty text) and an extended item (type, state,
// id, resInfo, empty text). They bound how many items a template of a given size can hold.
constexpr std::size_t kMinClassicItemSize = 4;
constexpr std::size_t kMinExtendedItemSize = 16;

struct RawItem {
  std::u16string text;
  bool popup = false;
  bool last = false;
};

std::string At(std::size_t offset) {
  return "menu item at offset " + Hex(offset);
}

Result<RawItem> ReadClassicItem(ByteReader& reader) {
  std::size_t start = reader.offset();
  std::optional<uint16_t> flags = reader.ReadU16();
  if (!flags) return Error{At(start) + " is truncated"};
  // A popup has no id: its handle takes the id's place when the menu is built.
  if ((*flags & kMfPopup) == 0 && !reader.ReadU16()) return Error{At(start) + " is truncated"};
  std::optional<std::u16string> text = reader.ReadString16();
  if (!text) return Error{At(start) + ": its text has no terminating NUL"};
  RawItem item;
  // For bitmap and owner-drawn items the string slot carries no visible text.
  if ((*flags & (kMfBitmap | kMfOwnerDraw)) == 0) item.text = std::move(*text);
  item.popup = (*flags & kMfPopup) != 0;
  item.last = (*flags & kMfEnd) != 0;
  return item;
}

Result<RawItem> ReadExtendedItem(ByteReader& reader) {
  std::size_t start = reader.offset();
  std::optional<uint32_t> type = reader.ReadU32();
  std::optional<uint32_t> state = reader.ReadU32();
  std::optional<uint32_t> id = reader.ReadU32();
  std::optional<uint16_t> resInfo = reader.ReadU16();
  if (!type || !state || !id || !resInfo) return Error{At(start) + " is truncated"};
  std::optional<std::u16string> text;
  if (reader.AlignTo(2)) text = reader.ReadString16();
  if (!text) return Error{At(start) + ": its text has no terminating NUL"};
  RawItem item;
  item.popup = (*resInfo & kResInfoPopup) != 0;
  item.last = (*resInfo & kResInfoLast) != 0;
  // A popup's help id is DWORD-aligned, counted from the start of the resource data.
  if (item.popup && !(reader.AlignTo(4) && reader.ReadU32())) {
    return Error{At(start) + ": its help id is truncated"};
  }
  if ((*type & (kMftSeparator | kMftBitmap | kMftOwnerDraw)) == 0) item.text = std::move(*text);
  return item;
}

Result<Menu> ParseWithin(std::span<const uint8_t> data) {
  ByteReader reader(data);
  std::optional<uint16_t> version = reader.ReadU16();
  std::optional<uint16_t> offset = reader.ReadU16();
  if (!version || !offset) return Error{"menu header is truncated"};
  if (*version > 1) {
    return Error{"menu template version " + std::to_string(*version) +
                 " is neither 0 (classic) nor 1 (extended)"};
  }
  bool extended = *version == 1;
  // Items start `offset` bytes after the four-byte header (the extended header's help id
  // lies in between).
  if (!reader.Skip(*offset)) return Error{"menu header offset points past the end"};

  std::size_t maxItems = data.size() / (extended ? kMinExtendedItemSize : kMinClassicItemSize);
  if (maxItems > INT_MAX) maxItems = INT_MAX;  // keeps every level index an int
  const char* endMarker = extended ? "resInfo 0x80" : "MF_END";

  // An explicit stack of the levels being filled, innermost last; a frame is closed once its
  // last item (and that item's popup, if any) has been read.
  struct Frame {
    std::size_t level = 0;
    bool closed = false;
  };
  std::vector<Frame> stack{Frame{}};
  Menu menu;
  menu.levels.emplace_back();
  std::size_t itemCount = 0;
  while (!stack.empty()) {
    if (stack.back().closed) {
      stack.pop_back();
      continue;
    }
    if ((extended && !reader.AlignTo(4)) || reader.remaining() == 0) {
      return Error{"menu ends at offset " + Hex(reader.offset()) + " inside a level without " +
                   endMarker};
    }
    Result<RawItem> raw = extended ? ReadExtendedItem(reader) : ReadClassicItem(reader);
    if (!raw) return Error{raw.error()};
    if (++itemCount > maxItems) {
      return Error{"menu holds more items than " + std::to_string(data.size()) +
                   " bytes can describe"};
    }
    MenuItem item{std::move(raw->text), -1};
    if (raw->popup) {
      if (stack.size() >= kMaxMenuDepth) {
        return Error{"menu popups nest deeper than " + std::to_string(kMaxMenuDepth) + " levels"};
      }
      item.submenu = static_cast<int>(menu.levels.size());
      menu.levels.emplace_back();
    }
    int submenu = item.submenu;
    menu.levels[stack.back().level].items.push_back(std::move(item));
    stack.back().closed = raw->last;
    if (submenu >= 0) stack.push_back(Frame{static_cast<std::size_t>(submenu), false});
  }
  return menu;
}

}  // namespace

Result<Menu> ParseMenuTemplate(std::span<const uint8_t> data) {
  if (data.size() <= kMaxMenuTemplateSize) return ParseWithin(data);
  Result<Menu> menu = ParseWithin(data.first(kMaxMenuTemplateSize));
  if (!menu) {
    return Error{"menu needs more than the " + std::to_string(kMaxMenuTemplateSize) +
                 " bytes a menu is read from (" + menu.error() + ")"};
  }
  return menu;
}

}  // namespace quillet::pe
