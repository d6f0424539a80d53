// DialogTemplate: an RT_DIALOG template, classic or extended, and the dialog it would create.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scan/pe/result.h"

namespace quillet::pe {

inline constexpr uint32_t kDsSetFont = 0x40;
inline constexpr uint32_t kDsNoFailCreate = 0x10;
inline constexpr uint32_t kWsVisible = 0x10000000;

// A template field that is absent (0x0000), an ordinal (0xFFFF then a u16) or a string.
struct NameOrOrdinal {
  enum class Kind { kNone, kOrdinal, kString };
  Kind kind = Kind::kNone;
  uint16_t ordinal = 0;
  std::u16string text;

  static NameOrOrdinal None() { return {}; }
  static NameOrOrdinal Ordinal(uint16_t ordinal) { return {Kind::kOrdinal, ordinal, {}}; }
  static NameOrOrdinal String(std::u16string text) { return {Kind::kString, 0, std::move(text)}; }
  friend bool operator==(const NameOrOrdinal&, const NameOrOrdinal&) = default;
};

// Present when the dialog style has DS_SETFONT; weight, italic and charset only in the
// extended form (zero in the classic one).
struct DialogFont {
  uint16_t pointSize = 0;
  uint16_t weight = 0;
  uint8_t italic = 0;
  uint8_t charset = 0;
  std::u16string face;

  friend bool operator==(const DialogFont&, const DialogFont&) = default;
};

struct DialogItem {
  uint32_t helpId = 0;  // extended form only
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint32_t id = 0;                // a u16 in the classic form
  NameOrOrdinal windowClass;      // an ordinal or a string, never kNone
  NameOrOrdinal title;            // a string or an ordinal (e.g. an icon id), never kNone
  uint16_t creationDataSize = 0;  // the bytes themselves are skipped

  friend bool operator==(const DialogItem&, const DialogItem&) = default;
};

struct DialogTemplate {
  bool extended = false;
  uint32_t helpId = 0;  // extended form only
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  std::u16string caption;
  std::optional<DialogFont> font;
  std::vector<DialogItem> items;

  friend bool operator==(const DialogTemplate&, const DialogTemplate&) = default;
};

// A bound of our own: a parsed dialog takes a few times the bytes it is read from, so it is
// read from at most this much of its data. Real templates are a few kilobytes.
inline constexpr std::size_t kMaxDialogTemplateSize = std::size_t{1} << 20;

// Parses the resource data of an RT_DIALOG entry (DLGTEMPLATE or DLGTEMPLATEEX and their
// items). Truncation, an item count the data cannot hold, an unterminated string or a dialog
// that needs more than kMaxDialogTemplateSize bytes is an error.
Result<DialogTemplate> ParseDialogTemplate(std::span<const uint8_t> data);

// The system's name for a predefined control class ordinal (0x80 "Button" .. 0x85 "ComboBox");
// empty for any other ordinal.
std::u16string_view PredefinedClassName(uint16_t ordinal);

// What creating the dialog would show: its caption and the window texts of its child
// controls in template (GW_CHILD / GW_HWNDNEXT) order.
struct DialogInstance {
  std::u16string caption;
  std::vector<std::u16string> childTexts;

  friend bool operator==(const DialogInstance&, const DialogInstance&) = default;
};

// Fails where CreateDialogIndirectParam would: the dialog's own class is not the default one,
// or a control's class is registered neither by the system, nor by comctl32, nor by a rich
// edit library; with DS_NOFAILCREATE such a control is left out instead. "{CLSID}" (OLE)
// controls are always left out. A combo box shows the text of its empty edit part.
Result<DialogInstance> InstantiateDialog(const DialogTemplate& dialog);

// The template's bytes as they go to CreateDialogIndirectParam: WS_VISIBLE cleared, so the
// dialog is never shown, and "{CLSID}" (OLE) controls left out, so none is ever created.
// Fails where ParseDialogTemplate fails.
Result<std::vector<uint8_t>> PrepareTemplateForCreation(std::span<const uint8_t> data);

}  // namespace quillet::pe
