// Test fixtures: PE32 / PE32+ images with a .rsrc section, and menu and dialog templates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "scan/pe/dialog_template.h"
#include "scan/pe/pe_image.h"

namespace quillet::pe::writer {

struct Resource {
  ResourceName type;
  ResourceName name;
  uint16_t lang = 0;
  std::vector<uint8_t> data;
};

struct ImageOptions {
  bool pe32Plus = false;
  uint16_t machine = 0;  // 0: i386 for PE32, x86-64 for PE32+
  // A .text section before .rsrc, so that mapping an RVA has to pick the right section.
  bool codeSection = true;
  // Writes the resource directory entry even when there are no resources.
  bool emptyResourceDirectory = false;
  // Bytes added before each resource's data (which otherwise starts on an 8-byte boundary),
  // to show that template alignment counts from the data's start, not the file's.
  std::size_t dataShift = 0;
};

// File offsets of the pieces of resources[i], for patching malformed variants.
struct ResourcePlacement {
  std::size_t typeEntry = 0;      // its type's entry in the root directory
  std::size_t typeDirectory = 0;  // the type's directory
  std::size_t nameEntry = 0;      // its name's entry in the type directory
  std::size_t nameDirectory = 0;  // the name's (language) directory
  std::size_t languageEntry = 0;  // its entry in the language directory
  std::size_t dataEntry = 0;      // its IMAGE_RESOURCE_DATA_ENTRY
  std::size_t data = 0;           // its bytes
};

struct ImageLayout {
  std::size_t peHeader = 0;  // e_lfanew: the "PE\0\0" signature
  std::size_t optionalHeader = 0;
  std::size_t resourceDataDirectory = 0;  // data directory 2: RVA, then size
  std::size_t sectionTable = 0;
  std::size_t rsrcSectionHeader = 0;
  std::size_t resourceRoot = 0;  // file offset of the root directory
  uint32_t resourceRootRva = 0;
  std::vector<ResourcePlacement> resources;  // parallel to the resources given

  // A file offset inside .rsrc as the root-relative offset the directory stores.
  uint32_t RootRelative(std::size_t fileOffset) const {
    return static_cast<uint32_t>(fileOffset - resourceRoot);
  }
};

struct Image {
  std::vector<uint8_t> bytes;
  ImageLayout layout;
};

// Builds an image whose resource directory lists types in the order they first appear in
// `resources`, names in the order they first appear within a type, and languages in the order
// given: nothing is sorted, so a test chooses the stored order.
Image BuildImage(const std::vector<Resource>& resources, const ImageOptions& options = {});

// Little-endian patches for malformed variants.
void PutU16(std::vector<uint8_t>& bytes, std::size_t offset, uint16_t value);
void PutU32(std::vector<uint8_t>& bytes, std::size_t offset, uint32_t value);

// Writes `bytes` to `path`; false when it cannot.
bool WriteFile(const std::string& path, std::span<const uint8_t> bytes);

// One menu item. A popup is an item with children (or `popup` set). Classic templates use
// `flags` (MF_POPUP and MF_END are added by the builder); extended ones use type, state and
// helpId (resInfo is computed).
struct MenuNode {
  std::u16string text;
  uint32_t id = 0;
  std::vector<MenuNode> children;
  uint16_t flags = 0;
  uint32_t type = 0;
  uint32_t state = 0;
  uint32_t helpId = 0;
  bool popup = false;

  bool isPopup() const { return popup || !children.empty(); }
};

// Shorthands: a command item, a popup, and a separator (empty text; MFT_SEPARATOR when
// extended).
MenuNode Item(std::u16string text, uint32_t id = 0);
MenuNode Popup(std::u16string text, std::vector<MenuNode> children);
MenuNode Separator();

// The template bytes for a top level of items. The last item of every level carries the end
// marker.
std::vector<uint8_t> ClassicMenu(const std::vector<MenuNode>& top);
std::vector<uint8_t> ExtendedMenu(const std::vector<MenuNode>& top);

// A DLGTEMPLATE, or a DLGTEMPLATEEX when dialog.extended. The font is written when the style
// has DS_SETFONT (dialog.font, or "MS Shell Dlg" 8 when it is unset); creation data is written
// as creationDataSize bytes of 0xFF, so a reader that does not skip them misreads what follows.
std::vector<uint8_t> DialogBytes(const DialogTemplate& dialog);

// Item helpers: a control of a predefined class ordinal or of a named class.
DialogItem Control(uint16_t classOrdinal, std::u16string title, uint32_t style = 0x50000000);
DialogItem Control(std::u16string className, std::u16string title, uint32_t style = 0x50000000);

}  // namespace quillet::pe::writer
