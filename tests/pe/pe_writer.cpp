// Builds PE images and resource templates byte by byte for the tests and the example module.
#include "tests/pe/pe_writer.h"

#include <algorithm>
#include <fstream>

#include "scan/pe/menu_template.h"

namespace quillet::pe::writer {

namespace {

constexpr std::size_t kLfanew = 0x80;
constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kSizeOfHeaders = 0x200;
constexpr uint32_t kHighBit = 0x80000000;

std::size_t AlignUp(std::size_t value, std::size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// Appends little-endian values to a growing buffer.
class Bytes {
 public:
  std::vector<uint8_t>& buffer() { return bytes_; }
  std::size_t size() const { return bytes_.size(); }
  void U8(uint8_t value) { bytes_.push_back(value); }
  void U16(uint16_t value) {
    U8(static_cast<uint8_t>(value));
    U8(static_cast<uint8_t>(value >> 8));
  }
  void U32(uint32_t value) {
    U16(static_cast<uint16_t>(value));
    U16(static_cast<uint16_t>(value >> 16));
  }
  void U64(uint64_t value) {
    U32(static_cast<uint32_t>(value));
    U32(static_cast<uint32_t>(value >> 32));
  }
  void Units(std::u16string_view text) {
    for (char16_t c : text) U16(c);
  }
  void String(std::u16string_view text) {
    Units(text);
    U16(0);
  }
  void PadTo(std::size_t alignment) {
    while (bytes_.size() % alignment != 0) U8(0);
  }
  void Fill(std::size_t size, uint8_t value) { bytes_.insert(bytes_.end(), size, value); }

 private:
  std::vector<uint8_t> bytes_;
};

// The directory tree in first-appearance order.
struct NameGroup {
  ResourceName name;
  std::vector<std::size_t> resources;
};
struct TypeGroup {
  ResourceName type;
  std::vector<NameGroup> names;
};

std::vector<TypeGroup> Group(const std::vector<Resource>& resources) {
  std::vector<TypeGroup> types;
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const Resource& r = resources[i];
    auto type = std::find_if(types.begin(), types.end(),
                             [&](const TypeGroup& t) { return t.type == r.type; });
    if (type == types.end()) type = types.insert(types.end(), TypeGroup{r.type, {}});
    auto name = std::find_if(type->names.begin(), type->names.end(),
                             [&](const NameGroup& n) { return n.name == r.name; });
    if (name == type->names.end()) name = type->names.insert(type->names.end(), {r.name, {}});
    name->resources.push_back(i);
  }
  return types;
}

template <typename T, typename IsString>
void DirectoryHeader(Bytes& out, const std::vector<T>& entries, IsString isString) {
  uint16_t named = 0;
  for (const T& entry : entries) named = static_cast<uint16_t>(named + (isString(entry) ? 1 : 0));
  out.U32(0);  // Characteristics
  out.U32(0);  // TimeDateStamp
  out.U16(0);  // MajorVersion
  out.U16(0);  // MinorVersion
  out.U16(named);
  out.U16(static_cast<uint16_t>(entries.size() - named));
}

// The .rsrc section's bytes, with `placements` as offsets from the section start.
std::vector<uint8_t> ResourceSection(const std::vector<Resource>& resources, uint32_t sectionRva,
                                     std::size_t dataShift,
                                     std::vector<ResourcePlacement>& placements) {
  std::vector<TypeGroup> types = Group(resources);
  placements.assign(resources.size(), {});

  // Sizes first, so every offset is known before anything is written.
  std::size_t at = 16 + 8 * types.size();
  std::vector<std::size_t> typeDirs, nameDirs;
  for (const TypeGroup& t : types) {
    typeDirs.push_back(at);
    at += 16 + 8 * t.names.size();
  }
  for (const TypeGroup& t : types) {
    for (const NameGroup& n : t.names) {
      nameDirs.push_back(at);
      at += 16 + 8 * n.resources.size();
    }
  }
  std::size_t dataEntries = at;
  at += 16 * resources.size();
  std::vector<std::size_t> typeStrings, nameStrings;
  for (const TypeGroup& t : types) {
    typeStrings.push_back(at);
    if (t.type.isString) at += 2 + 2 * t.type.text.size();
    for (const NameGroup& n : t.names) {
      nameStrings.push_back(at);
      if (n.name.isString) at += 2 + 2 * n.name.text.size();
    }
  }
  std::vector<std::size_t> data(resources.size());
  for (std::size_t i = 0; i < resources.size(); ++i) {
    at = AlignUp(at, 8) + dataShift;
    data[i] = at;
    at += resources[i].data.size();
  }

  auto nameField = [](const ResourceName& name, std::size_t stringAt) {
    return name.isString ? kHighBit | static_cast<uint32_t>(stringAt) : uint32_t{name.id};
  };
  Bytes out;
  DirectoryHeader(out, types, [](const TypeGroup& t) { return t.type.isString; });
  std::size_t nameIndex = 0;
  for (std::size_t ti = 0; ti < types.size(); ++ti) {
    for (const NameGroup& n : types[ti].names) {
      for (std::size_t r : n.resources) placements[r].typeEntry = out.size();
    }
    out.U32(nameField(types[ti].type, typeStrings[ti]));
    out.U32(kHighBit | static_cast<uint32_t>(typeDirs[ti]));
  }
  for (std::size_t ti = 0; ti < types.size(); ++ti) {
    DirectoryHeader(out, types[ti].names, [](const NameGroup& n) { return n.name.isString; });
    for (const NameGroup& n : types[ti].names) {
      for (std::size_t r : n.resources) {
        placements[r].typeDirectory = typeDirs[ti];
        placements[r].nameEntry = out.size();
        placements[r].nameDirectory = nameDirs[nameIndex];
      }
      out.U32(nameField(n.name, nameStrings[nameIndex]));
      out.U32(kHighBit | static_cast<uint32_t>(nameDirs[nameIndex]));
      ++nameIndex;
    }
  }
  for (const TypeGroup& t : types) {
    for (const NameGroup& n : t.names) {
      DirectoryHeader(out, n.resources, [](std::size_t) { return false; });
      for (std::size_t r : n.resources) {
        placements[r].languageEntry = out.size();
        placements[r].dataEntry = dataEntries + 16 * r;
        out.U32(resources[r].lang);
        out.U32(static_cast<uint32_t>(dataEntries + 16 * r));
      }
    }
  }
  for (std::size_t r = 0; r < resources.size(); ++r) {
    placements[r].data = data[r];
    out.U32(sectionRva + static_cast<uint32_t>(data[r]));
    out.U32(static_cast<uint32_t>(resources[r].data.size()));
    out.U32(0);  // CodePage
    out.U32(0);  // Reserved
  }
  for (const TypeGroup& t : types) {
    if (t.type.isString) {
      out.U16(static_cast<uint16_t>(t.type.text.size()));
      out.Units(t.type.text);
    }
    for (const NameGroup& n : t.names) {
      if (n.name.isString) {
        out.U16(static_cast<uint16_t>(n.name.text.size()));
        out.Units(n.name.text);
      }
    }
  }
  for (std::size_t r = 0; r < resources.size(); ++r) {
    out.Fill(data[r] - out.size(), 0);
    out.buffer().insert(out.buffer().end(), resources[r].data.begin(), resources[r].data.end());
  }
  return std::move(out.buffer());
}

struct SectionSpec {
  const char* name;
  uint32_t rva;
  uint32_t fileOffset;
  uint32_t characteristics;
  std::vector<uint8_t> bytes;
};

void MenuItems(Bytes& out, const std::vector<MenuNode>& level, bool extended) {
  for (std::size_t i = 0; i < level.size(); ++i) {
    const MenuNode& node = level[i];
    bool last = i + 1 == level.size();
    if (extended) {
      out.PadTo(4);
      out.U32(node.type);
      out.U32(node.state);
      out.U32(node.id);
      out.U16(
          static_cast<uint16_t>((node.isPopup() ? kResInfoPopup : 0) | (last ? kResInfoLast : 0)));
      out.String(node.text);
      if (node.isPopup()) {
        out.PadTo(4);
        out.U32(node.helpId);
      }
    } else {
      out.U16(static_cast<uint16_t>(node.flags | (node.isPopup() ? kMfPopup : 0) |
                                    (last ? kMfEnd : 0)));
      if (!node.isPopup()) out.U16(static_cast<uint16_t>(node.id));
      out.String(node.text);
    }
    // Fixture menus are a few levels deep, so recursion is fine here.
    if (node.isPopup()) MenuItems(out, node.children, extended);
  }
}

void NameOrOrdinalBytes(Bytes& out, const NameOrOrdinal& field) {
  switch (field.kind) {
    case NameOrOrdinal::Kind::kNone:
      out.U16(0);
      break;
    case NameOrOrdinal::Kind::kOrdinal:
      out.U16(0xFFFF);
      out.U16(field.ordinal);
      break;
    case NameOrOrdinal::Kind::kString:
      out.String(field.text);
      break;
  }
}

}  // namespace

Image BuildImage(const std::vector<Resource>& resources, const ImageOptions& options) {
  Image image;
  ImageLayout& layout = image.layout;
  bool withResources = !resources.empty() || options.emptyResourceDirectory;

  std::vector<SectionSpec> sections;
  uint32_t nextRva = kSectionAlignment;
  uint32_t nextFile = kSizeOfHeaders;
  if (options.codeSection) {
    sections.push_back({".text", nextRva, nextFile, 0x60000020, std::vector<uint8_t>{0xC3}});
    nextRva += kSectionAlignment;
    nextFile += kFileAlignment;
  }
  std::vector<ResourcePlacement> placements;
  if (withResources) {
    layout.resourceRootRva = nextRva;
    layout.resourceRoot = nextFile;
    sections.push_back({".rsrc", nextRva, nextFile, 0x40000040,
                        ResourceSection(resources, nextRva, options.dataShift, placements)});
  }

  std::size_t optionalSize = options.pe32Plus ? 240 : 224;
  uint16_t machine = options.machine != 0
                         ? options.machine
                         : static_cast<uint16_t>(options.pe32Plus ? 0x8664 : 0x014C);
  uint32_t sizeOfImage = kSectionAlignment;
  for (const SectionSpec& s : sections) {
    sizeOfImage = static_cast<uint32_t>(s.rva + AlignUp(s.bytes.size(), kSectionAlignment));
  }

  Bytes out;
  // IMAGE_DOS_HEADER: only e_magic and e_lfanew matter to a loader.
  out.U16(0x5A4D);
  out.Fill(0x3C - 2, 0);
  out.U32(kLfanew);
  out.Fill(kLfanew - out.size(), 0);
  layout.peHeader = out.size();
  out.U32(0x00004550);  // "PE\0\0"
  out.U16(machine);
  out.U16(static_cast<uint16_t>(sections.size()));
  out.U32(0);  // TimeDateStamp
  out.U32(0);  // PointerToSymbolTable
  out.U32(0);  // NumberOfSymbols
  out.U16(static_cast<uint16_t>(optionalSize));
  out.U16(options.pe32Plus ? 0x0022 : 0x0102);  // executable; large-address-aware or 32-bit

  layout.optionalHeader = out.size();
  out.U16(options.pe32Plus ? 0x20B : 0x10B);
  out.U8(14);  // linker version
  out.U8(0);
  out.U32(options.codeSection ? kFileAlignment : 0);     // SizeOfCode
  out.U32(0);                                            // SizeOfInitializedData
  out.U32(0);                                            // SizeOfUninitializedData
  out.U32(options.codeSection ? kSectionAlignment : 0);  // AddressOfEntryPoint
  out.U32(kSectionAlignment);                            // BaseOfCode
  if (options.pe32Plus) {
    out.U64(0x140000000);  // ImageBase
  } else {
    out.U32(0);         // BaseOfData
    out.U32(0x400000);  // ImageBase
  }
  out.U32(kSectionAlignment);
  out.U32(kFileAlignment);
  out.U16(6);  // operating system version
  out.U16(0);
  out.U16(0);  // image version
  out.U16(0);
  out.U16(6);  // subsystem version
  out.U16(0);
  out.U32(0);  // Win32VersionValue
  out.U32(sizeOfImage);
  out.U32(kSizeOfHeaders);
  out.U32(0);                    // CheckSum
  out.U16(2);                    // IMAGE_SUBSYSTEM_WINDOWS_GUI
  out.U16(0);                    // DllCharacteristics
  for (int i = 0; i < 4; ++i) {  // stack and heap reserve and commit
    if (options.pe32Plus) {
      out.U64(0x100000);
    } else {
      out.U32(0x100000);
    }
  }
  out.U32(0);   // LoaderFlags
  out.U32(16);  // NumberOfRvaAndSizes
  for (uint32_t i = 0; i < 16; ++i) {
    if (i == 2) layout.resourceDataDirectory = out.size();
    bool isResources = i == 2 && withResources;
    out.U32(isResources ? layout.resourceRootRva : 0);
    out.U32(isResources ? static_cast<uint32_t>(sections.back().bytes.size()) : 0);
  }

  layout.sectionTable = out.size();
  for (const SectionSpec& s : sections) {
    if (std::string(s.name) == ".rsrc") layout.rsrcSectionHeader = out.size();
    std::string name(s.name);
    name.resize(8, '\0');
    for (char c : name) out.U8(static_cast<uint8_t>(c));
    out.U32(static_cast<uint32_t>(s.bytes.size()));                           // VirtualSize
    out.U32(s.rva);                                                           // VirtualAddress
    out.U32(static_cast<uint32_t>(AlignUp(s.bytes.size(), kFileAlignment)));  // SizeOfRawData
    out.U32(s.fileOffset);                                                    // PointerToRawData
    out.U32(0);  // PointerToRelocations
    out.U32(0);  // PointerToLinenumbers
    out.U16(0);  // NumberOfRelocations
    out.U16(0);  // NumberOfLinenumbers
    out.U32(s.characteristics);
  }
  out.Fill(kSizeOfHeaders - out.size(), 0);
  for (const SectionSpec& s : sections) {
    out.Fill(s.fileOffset - out.size(), 0);
    out.buffer().insert(out.buffer().end(), s.bytes.begin(), s.bytes.end());
    out.PadTo(kFileAlignment);
  }

  for (ResourcePlacement& p : placements) {
    for (std::size_t* offset : {&p.typeEntry, &p.typeDirectory, &p.nameEntry, &p.nameDirectory,
                                &p.languageEntry, &p.dataEntry, &p.data}) {
      *offset += layout.resourceRoot;
    }
  }
  layout.resources = std::move(placements);
  image.bytes = std::move(out.buffer());
  return image;
}

void PutU16(std::vector<uint8_t>& bytes, std::size_t offset, uint16_t value) {
  bytes.at(offset) = static_cast<uint8_t>(value);
  bytes.at(offset + 1) = static_cast<uint8_t>(value >> 8);
}

void PutU32(std::vector<uint8_t>& bytes, std::size_t offset, uint32_t value) {
  PutU16(bytes, offset, static_cast<uint16_t>(value));
  PutU16(bytes, offset + 2, static_cast<uint16_t>(value >> 16));
}

bool WriteFile(const std::string& path, std::span<const uint8_t> bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file.flush());
}

MenuNode Item(std::u16string text, uint32_t id) {
  MenuNode node;
  node.text = std::move(text);
  node.id = id;
  return node;
}

MenuNode Popup(std::u16string text, std::vector<MenuNode> children) {
  MenuNode node;
  node.text = std::move(text);
  node.children = std::move(children);
  node.popup = true;
  return node;
}

MenuNode Separator() {
  MenuNode node;
  node.type = kMftSeparator;
  return node;
}

std::vector<uint8_t> ClassicMenu(const std::vector<MenuNode>& top) {
  Bytes out;
  out.U16(0);  // version
  out.U16(0);  // offset to the items
  MenuItems(out, top, false);
  return std::move(out.buffer());
}

std::vector<uint8_t> ExtendedMenu(const std::vector<MenuNode>& top) {
  Bytes out;
  out.U16(1);  // version
  out.U16(4);  // offset to the items: past the help id
  out.U32(0);  // help id
  MenuItems(out, top, true);
  return std::move(out.buffer());
}

std::vector<uint8_t> DialogBytes(const DialogTemplate& dialog) {
  Bytes out;
  if (dialog.extended) {
    out.U16(1);
    out.U16(0xFFFF);
    out.U32(dialog.helpId);
    out.U32(dialog.exStyle);
    out.U32(dialog.style);
  } else {
    out.U32(dialog.style);
    out.U32(dialog.exStyle);
  }
  out.U16(static_cast<uint16_t>(dialog.items.size()));
  for (int16_t v : {dialog.x, dialog.y, dialog.cx, dialog.cy}) out.U16(static_cast<uint16_t>(v));
  NameOrOrdinalBytes(out, dialog.menu);
  NameOrOrdinalBytes(out, dialog.windowClass);
  out.String(dialog.caption);
  if ((dialog.style & kDsSetFont) != 0) {
    DialogFont font = dialog.font.value_or(DialogFont{8, 0, 0, 0, u"MS Shell Dlg"});
    out.U16(font.pointSize);
    if (dialog.extended) {
      out.U16(font.weight);
      out.U8(font.italic);
      out.U8(font.charset);
    }
    out.String(font.face);
  }
  for (const DialogItem& item : dialog.items) {
    out.PadTo(4);
    if (dialog.extended) {
      out.U32(item.helpId);
      out.U32(item.exStyle);
      out.U32(item.style);
    } else {
      out.U32(item.style);
      out.U32(item.exStyle);
    }
    for (int16_t v : {item.x, item.y, item.cx, item.cy}) out.U16(static_cast<uint16_t>(v));
    if (dialog.extended) {
      out.U32(item.id);
    } else {
      out.U16(static_cast<uint16_t>(item.id));
    }
    NameOrOrdinalBytes(out, item.windowClass);
    NameOrOrdinalBytes(out, item.title);
    out.U16(item.creationDataSize);
    out.Fill(item.creationDataSize, 0xFF);
  }
  return std::move(out.buffer());
}

DialogItem Control(uint16_t classOrdinal, std::u16string title, uint32_t style) {
  DialogItem item;
  item.style = style;
  item.windowClass = NameOrOrdinal::Ordinal(classOrdinal);
  item.title = NameOrOrdinal::String(std::move(title));
  return item;
}

DialogItem Control(std::u16string className, std::u16string title, uint32_t style) {
  DialogItem item;
  item.style = style;
  item.windowClass = NameOrOrdinal::String(std::move(className));
  item.title = NameOrOrdinal::String(std::move(title));
  return item;
}

}  // namespace quillet::pe::writer
