// Menu: the item texts of an RT_MENU template, classic or extended, as a tree of levels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "scan/pe/result.h"

namespace quillet::pe {

struct MenuItem {
  // Empty for separators and for bitmap and owner-drawn items, which show no text.
  std::u16string text;
  int submenu = -1;  // index into Menu::levels for a popup, else -1

  friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

struct MenuLevel {
  std::vector<MenuItem> items;

  friend bool operator==(const MenuLevel&, const MenuLevel&) = default;
};

struct Menu {
  std::vector<MenuLevel> levels;  // levels[0] is the menu bar (or the top popup)

  friend bool operator==(const Menu&, const Menu&) = default;
};

// A bound of our own: no real menu comes near it, and it keeps the parse stack small whatever
// a hostile template claims.
inline constexpr std::size_t kMaxMenuDepth = 64;
// Also ours: a parsed item takes several times the bytes it is read from, so a menu is read
// from at most this much of its data. Trailing bytes past the end markers are never read
// anyway, and real templates are a few kilobytes.
inline constexpr std::size_t kMaxMenuTemplateSize = std::size_t{1} << 20;

// Classic item flags (MF_*) and extended item types and flags (MFT_*, resInfo).
inline constexpr uint16_t kMfBitmap = 0x0004;
inline constexpr uint16_t kMfPopup = 0x0010;
inline constexpr uint16_t kMfEnd = 0x0080;
inline constexpr uint16_t kMfOwnerDraw = 0x0100;
inline constexpr uint32_t kMftBitmap = 0x0004;
inline constexpr uint32_t kMftOwnerDraw = 0x0100;
inline constexpr uint32_t kMftSeparator = 0x0800;
inline constexpr uint16_t kResInfoPopup = 0x01;
inline constexpr uint16_t kResInfoLast = 0x80;

// Parses the resource data of an RT_MENU entry. Header version 0 is the classic template,
// 1 the extended one; any other version, truncation, a level without its end marker, nesting
// deeper than kMaxMenuDepth, an unterminated text or a menu that needs more than
// kMaxMenuTemplateSize bytes is an error.
Result<Menu> ParseMenuTemplate(std::span<const uint8_t> data);

}  // namespace quillet::pe
