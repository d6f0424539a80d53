// PE headers and the three-level resource directory (type, name, language).
#include "scan/pe/pe_image.h"

#include <algorithm>
#include <map>
#include <set>

#include "scan/pe/byte_reader.h"

namespace quillet::pe {

namespace {

constexpr uint16_t kMagicPe32 = 0x10b;
constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kLfanewOffset = 0x3C;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
// Offsets inside the optional header; PE32+ drops BaseOfData and widens four fields to 64 bits.
constexpr std::size_t kSizeOfHeadersOffset = 60;
constexpr std::size_t kFixedPartPe32 = 96;
constexpr std::size_t kFixedPartPe32Plus = 112;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr std::size_t kDataDirectorySize = 8;

// IMAGE_RESOURCE_DIRECTORY is 16 bytes, each entry 8, each IMAGE_RESOURCE_DATA_ENTRY 16.
constexpr std::size_t kDirectoryHeaderSize = 16;
constexpr std::size_t kEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
// Set in an entry's name field: the rest is the offset of a counted string. Set in its offset
// field: the rest is the offset of a subdirectory, otherwise of a data entry.
constexpr uint32_t kHighBit = 0x80000000;

constexpr uint16_t kNeutral = 0x0000;
constexpr uint16_t kEnglishUs = 0x0409;
constexpr uint16_t kPrimaryLanguageMask = 0x03FF;

// Name strings may overlap in the bytes, so their total length is not bounded by the file's
// size. One listing or lookup reads or compares at most this many UTF-16 units of names;
// real modules use a tiny fraction of it.
constexpr std::size_t kNameUnitBudget = std::size_t{1} << 24;

class NameBudget {
 public:
  bool Take(std::size_t units) {
    if (units > left_) return false;
    left_ -= units;
    return true;
  }

 private:
  std::size_t left_ = kNameUnitBudget;
};

const char kOverBudget[] = "resource names are longer in all than any module needs";

// One 8-byte directory entry; offsets are relative to the resource root.
struct Entry {
  uint32_t name = 0;
  uint32_t target = 0;

  bool hasStringName() const { return (name & kHighBit) != 0; }
  bool isSubdirectory() const { return (target & kHighBit) != 0; }
  uint32_t targetOffset() const { return target & ~kHighBit; }
};

// A directory whose entries are known to lie inside the resource bytes.
struct Directory {
  std::span<const uint8_t> root;
  std::size_t rootFileOffset = 0;
  uint32_t offset = 0;  // from the root
  std::size_t count = 0;

  static Result<Directory> Open(std::span<const uint8_t> root, std::size_t rootFileOffset,
                                uint32_t offset) {
    std::string where = "resource directory at file offset " + Hex(rootFileOffset + offset);
    ByteReader reader(root);
    if (!reader.Seek(offset) || !reader.Skip(12)) return Error{where + " lies past the end"};
    std::optional<uint16_t> named = reader.ReadU16();
    std::optional<uint16_t> ids = reader.ReadU16();
    if (!named || !ids) return Error{where + " is truncated"};
    // Checked against the bytes before anything is read or reserved for the entries.
    std::size_t count = std::size_t{*named} + *ids;
    if (count > reader.remaining() / kEntrySize) {
      return Error{where + " declares " + std::to_string(count) +
                   " entries, more than the data holds"};
    }
    return Directory{root, rootFileOffset, offset, count};
  }

  Entry At(std::size_t index) const {
    ByteReader reader(root, offset + kDirectoryHeaderSize + index * kEntrySize);
    Entry entry;
    entry.name = reader.ReadU32().value_or(0);  // in bounds: Open checked every entry
    entry.target = reader.ReadU32().value_or(0);
    return entry;
  }

  std::string Where(std::size_t index) const {
    return "resource entry at file offset " +
           Hex(rootFileOffset + offset + kDirectoryHeaderSize + index * kEntrySize);
  }

  // IMAGE_RESOURCE_DIR_STRING_U: u16 length, then that many UTF-16 units without NUL. Leaves
  // `reader` at the first unit and returns the length.
  Result<std::size_t> OpenString(std::size_t index, ByteReader& reader) const {
    std::optional<uint16_t> length;
    if (reader.Seek(At(index).name & ~kHighBit)) length = reader.ReadU16();
    if (!length || *length > reader.remaining() / 2) {
      return Error{Where(index) + ": its name string lies past the end"};
    }
    return std::size_t{*length};
  }

  Result<ResourceName> NameOf(std::size_t index, NameBudget& budget) const {
    Entry entry = At(index);
    if (!entry.hasStringName()) return ResourceName::Id(static_cast<uint16_t>(entry.name));
    ByteReader reader(root);
    Result<std::size_t> length = OpenString(index, reader);
    if (!length) return Error{length.error()};
    if (!budget.Take(*length)) return Error{kOverBudget};
    return ResourceName::String(reader.ReadChars16(*length).value_or(std::u16string()));
  }

  Result<bool> NameEquals(std::size_t index, const ResourceName& wanted, NameBudget& budget) const {
    Entry entry = At(index);
    if (entry.hasStringName() != wanted.isString) return false;
    if (!wanted.isString) return static_cast<uint16_t>(entry.name) == wanted.id;
    ByteReader reader(root);
    Result<std::size_t> length = OpenString(index, reader);
    if (!length) return Error{length.error()};
    if (*length != wanted.text.size()) return false;
    if (!budget.Take(*length)) return Error{kOverBudget};
    for (char16_t c : wanted.text) {
      if (reader.ReadU16() != c) return false;
    }
    return true;
  }

  // The index of the first entry named `wanted`, if any.
  Result<std::optional<std::size_t>> Find(const ResourceName& wanted, NameBudget& budget) const {
    for (std::size_t i = 0; i < count; ++i) {
      Result<bool> equal = NameEquals(i, wanted, budget);
      if (!equal) return Error{equal.error()};
      if (*equal) return std::optional<std::size_t>(i);
    }
    return std::optional<std::size_t>();
  }

  // A target among `ancestors` would make the three levels loop back on themselves.
  Result<uint32_t> Subdirectory(std::size_t index,
                                std::initializer_list<uint32_t> ancestors) const {
    Entry entry = At(index);
    if (!entry.isSubdirectory()) return Error{Where(index) + " should name a directory"};
    uint32_t target = entry.targetOffset();
    if (std::find(ancestors.begin(), ancestors.end(), target) != ancestors.end()) {
      return Error{Where(index) + " points back to an enclosing directory"};
    }
    return target;
  }

  // The data entry of a language-level entry, checked to lie inside the resource bytes.
  Result<uint32_t> DataEntry(std::size_t index) const {
    Entry entry = At(index);
    if (entry.isSubdirectory()) {
      return Error{Where(index) + " is a fourth directory level instead of data"};
    }
    uint32_t target = entry.targetOffset();
    if (target > root.size() || root.size() - target < kDataEntrySize) {
      return Error{Where(index) + ": its data entry lies past the end"};
    }
    return target;
  }

  // Every entry of a language directory must be a data entry inside the resource bytes.
  Result<bool> CheckLanguages() const {
    for (std::size_t i = 0; i < count; ++i) {
      Result<uint32_t> data = DataEntry(i);
      if (!data) return Error{data.error()};
    }
    return true;
  }

  // The entry of the language the platform would choose (see FindData).
  Result<std::size_t> ChooseLanguage(uint16_t preferred) const {
    if (count == 0) {
      return Error{"resource directory at file offset " + Hex(rootFileOffset + offset) +
                   " has no language variants"};
    }
    const uint16_t order[] = {kNeutral, preferred,
                              static_cast<uint16_t>(preferred & kPrimaryLanguageMask), kEnglishUs};
    std::size_t chosen = 0;  // the first stored, when no preference matches
    std::size_t bestRank = std::size(order);
    for (std::size_t i = 0; i < count && bestRank > 0; ++i) {
      Entry entry = At(i);
      if (entry.hasStringName()) continue;
      std::size_t rank = static_cast<std::size_t>(
          std::find(std::begin(order), std::end(order), static_cast<uint16_t>(entry.name)) -
          std::begin(order));
      if (rank < bestRank) {
        bestRank = rank;
        chosen = i;
      }
    }
    return chosen;
  }
};

// The type's directory, if the root lists the type.
Result<std::optional<Directory>> OpenType(std::span<const uint8_t> root, std::size_t rootAt,
                                          const ResourceName& type, NameBudget& budget) {
  Result<Directory> top = Directory::Open(root, rootAt, 0);
  if (!top) return Error{top.error()};
  Result<std::optional<std::size_t>> index = top->Find(type, budget);
  if (!index) return Error{index.error()};
  if (!*index) return std::optional<Directory>();
  Result<uint32_t> at = top->Subdirectory(**index, {0});
  if (!at) return Error{at.error()};
  Result<Directory> types = Directory::Open(root, rootAt, *at);
  if (!types) return Error{types.error()};
  return std::optional<Directory>(*types);
}

struct Listed {
  ResourceName name;
  Directory languages;
};

// The distinct names of a type in stored order with their language directories, each of
// those checked once however many entries share it.
Result<std::vector<Listed>> Collect(std::span<const uint8_t> root, std::size_t rootAt,
                                    const ResourceName& type) {
  std::vector<Listed> listed;
  if (root.empty()) return listed;
  NameBudget budget;
  Result<std::optional<Directory>> types = OpenType(root, rootAt, type, budget);
  if (!types) return Error{types.error()};
  if (!*types) return listed;

  std::set<uint16_t> seenIds;
  std::set<std::u16string> seenStrings;
  std::set<uint32_t> checked;
  for (std::size_t i = 0; i < (*types)->count; ++i) {
    Result<ResourceName> name = (*types)->NameOf(i, budget);
    if (!name) return Error{name.error()};
    Result<uint32_t> languagesAt = (*types)->Subdirectory(i, {0, (*types)->offset});
    if (!languagesAt) return Error{languagesAt.error()};
    // Checked here so that a name listed is a name that can be looked up.
    Result<Directory> languages = Directory::Open(root, rootAt, *languagesAt);
    if (!languages) return Error{languages.error()};
    if (checked.insert(*languagesAt).second) {
      Result<bool> ok = languages->CheckLanguages();
      if (!ok) return Error{ok.error()};
    }
    bool fresh =
        name->isString ? seenStrings.insert(name->text).second : seenIds.insert(name->id).second;
    if (fresh) listed.push_back(Listed{std::move(*name), *languages});
  }
  return listed;
}

// The names of `type` under the resource root `root` (a span of `file`), or the fault that
// kept the root or the listing from being read.
Result<std::vector<Listed>> CollectType(const Result<std::span<const uint8_t>>& root,
                                        std::span<const uint8_t> file, const ResourceName& type) {
  if (!root) return Error{root.error()};
  return Collect(*root, static_cast<std::size_t>(root->data() - file.data()), type);
}

}  // namespace

Result<PeImage> PeImage::Parse(std::span<const uint8_t> file) {
  ByteReader reader(file);
  if (file.size() < kDosHeaderSize) return Error{"file too small for a DOS header"};
  if (file[0] != 'M' || file[1] != 'Z') return Error{"not an executable (no MZ signature)"};
  (void)reader.Seek(kLfanewOffset);
  uint32_t peOffset = reader.ReadU32().value_or(0);
  if (!reader.Seek(peOffset) || reader.remaining() < 4 + kCoffHeaderSize) {
    return Error{"e_lfanew " + Hex(peOffset) + " points past the end of the file"};
  }
  if (file[peOffset] != 'P' || file[peOffset + 1] != 'E' || file[peOffset + 2] != 0 ||
      file[peOffset + 3] != 0) {
    return Error{"no PE signature at e_lfanew " + Hex(peOffset)};
  }
  (void)reader.Skip(4);

  PeImage image;
  image.file_ = file;
  // IMAGE_FILE_HEADER: Machine, NumberOfSections, TimeDateStamp, PointerToSymbolTable,
  // NumberOfSymbols, SizeOfOptionalHeader, Characteristics. All in bounds (checked above).
  image.machine_ = reader.ReadU16().value_or(0);
  uint16_t sectionCount = reader.ReadU16().value_or(0);
  (void)reader.Skip(12);
  uint16_t optionalSize = reader.ReadU16().value_or(0);
  (void)reader.Skip(2);

  std::size_t optionalAt = reader.offset();
  if (reader.remaining() < optionalSize) return Error{"optional header is truncated"};
  std::span<const uint8_t> optional = file.subspan(optionalAt, optionalSize);
  ByteReader header(optional);
  std::optional<uint16_t> magic = header.ReadU16();
  if (!magic) return Error{"optional header is too small for its magic"};
  if (*magic != kMagicPe32 && *magic != kMagicPe32Plus) {
    return Error{"unknown optional header magic " + Hex(*magic)};
  }
  image.magic_ = *magic;
  std::size_t fixedPart = *magic == kMagicPe32 ? kFixedPartPe32 : kFixedPartPe32Plus;
  if (optionalSize < fixedPart) {
    return Error{"optional header of " + std::to_string(optionalSize) + " bytes is too small"};
  }
  (void)header.Seek(kSizeOfHeadersOffset);
  image.sizeOfHeaders_ = header.ReadU32().value_or(0);
  (void)header.Seek(fixedPart - 4);
  uint32_t directoryCount = header.ReadU32().value_or(0);
  // A module whose data directories stop before the resource entry has no resources.
  if (directoryCount > kResourceDirectoryIndex &&
      header.Skip(kResourceDirectoryIndex * kDataDirectorySize)) {
    std::optional<uint32_t> rva = header.ReadU32();
    if (rva && header.ReadU32()) image.resourceRva_ = *rva;
  }

  ByteReader table(file, optionalAt + optionalSize);
  if (sectionCount > table.remaining() / kSectionHeaderSize) {
    return Error{"section table of " + std::to_string(sectionCount) +
                 " entries runs past the end of the file"};
  }
  image.sections_.reserve(sectionCount);
  for (uint16_t i = 0; i < sectionCount; ++i) {
    Section section;
    for (int c = 0; c < 8; ++c) {
      uint8_t byte = table.ReadU8().value_or(0);
      if (byte != 0) section.name.push_back(static_cast<char>(byte));
    }
    section.virtualSize = table.ReadU32().value_or(0);
    section.virtualAddress = table.ReadU32().value_or(0);
    section.sizeOfRawData = table.ReadU32().value_or(0);
    section.pointerToRawData = table.ReadU32().value_or(0);
    (void)table.Skip(kSectionHeaderSize - 24);
    image.sections_.push_back(std::move(section));
  }
  return image;
}

Result<std::span<const uint8_t>> PeImage::MapRva(uint32_t rva) const {
  uint64_t start = 0;
  uint64_t end = 0;  // one past the last byte the mapping provides
  auto section = std::find_if(sections_.begin(), sections_.end(), [rva](const Section& s) {
    return s.virtualAddress <= rva && rva - s.virtualAddress < s.sizeOfRawData;
  });
  if (section != sections_.end()) {
    start = uint64_t{section->pointerToRawData} + (rva - section->virtualAddress);
    end = uint64_t{section->pointerToRawData} + section->sizeOfRawData;
  } else if (rva < sizeOfHeaders_) {
    start = rva;
    end = sizeOfHeaders_;
  } else {
    return Error{"RVA " + Hex(rva) + " lies in no section"};
  }
  // SizeOfRawData may claim more than the file holds; only bytes present count.
  end = std::min<uint64_t>(end, file_.size());
  if (start >= end) return Error{"RVA " + Hex(rva) + " lies past the end of the file"};
  return file_.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

Result<std::span<const uint8_t>> PeImage::BytesAt(uint32_t rva, uint32_t size) const {
  Result<std::span<const uint8_t>> mapped = MapRva(rva);
  if (!mapped) return mapped;
  if (mapped->size() < size) {
    return Error{"RVA " + Hex(rva) + " size " + Hex(size) +
                 " runs past the data present in the file"};
  }
  return mapped->first(size);
}

Result<std::span<const uint8_t>> PeImage::ResourceBytes() const {
  if (resourceRva_ == 0) return std::span<const uint8_t>();
  Result<std::span<const uint8_t>> root = MapRva(resourceRva_);
  if (!root) return Error{"resource directory at " + root.error()};
  return root;
}

Result<ResourceData> PeImage::DataOf(std::span<const uint8_t> root, uint32_t dataEntry) const {
  // IMAGE_RESOURCE_DATA_ENTRY: OffsetToData (an RVA, not root-relative), Size, CodePage.
  ByteReader reader(root, dataEntry);
  uint32_t rva = reader.ReadU32().value_or(0);
  uint32_t size = reader.ReadU32().value_or(0);
  uint32_t codePage = reader.ReadU32().value_or(0);
  Result<std::span<const uint8_t>> bytes = BytesAt(rva, size);
  if (!bytes) {
    std::size_t at = static_cast<std::size_t>(root.data() - file_.data()) + dataEntry;
    return Error{"resource data entry at file offset " + Hex(at) + ": data at " + bytes.error()};
  }
  return ResourceData{*bytes, 0, codePage};
}

Result<std::vector<ResourceName>> PeImage::ListNames(const ResourceName& type) const {
  Result<std::vector<Listed>> listed = CollectType(ResourceBytes(), file_, type);
  if (!listed) return Error{listed.error()};
  std::vector<ResourceName> names;
  names.reserve(listed->size());
  for (Listed& entry : *listed) names.push_back(std::move(entry.name));
  return names;
}

Result<std::vector<PeImage::NamedResource>> PeImage::ListResources(const ResourceName& type,
                                                                   uint16_t preferred) const {
  Result<std::span<const uint8_t>> root = ResourceBytes();
  Result<std::vector<Listed>> listed = CollectType(root, file_, type);
  if (!listed) return Error{listed.error()};
  std::vector<NamedResource> resources;
  resources.reserve(listed->size());
  // Names sharing a language directory share its choice: each directory is scanned once.
  std::map<uint32_t, Result<ResourceData>> chosen;
  for (Listed& entry : *listed) {
    auto it = chosen.find(entry.languages.offset);
    if (it == chosen.end()) {
      Result<std::size_t> index = entry.languages.ChooseLanguage(preferred);
      Result<ResourceData> data = Error{""};
      if (!index) {
        data = Error{index.error()};
      } else {
        // In bounds: Collect checked every data entry of this directory.
        data = DataOf(*root, entry.languages.DataEntry(*index).value());
        if (data) data->language = static_cast<uint16_t>(entry.languages.At(*index).name);
      }
      it = chosen.emplace(entry.languages.offset, std::move(data)).first;
    }
    resources.push_back(NamedResource{std::move(entry.name), it->second});
  }
  return resources;
}

Result<ResourceData> PeImage::FindData(const ResourceName& type, const ResourceName& name,
                                       uint16_t preferred) const {
  Result<std::span<const uint8_t>> root = ResourceBytes();
  if (!root) return Error{root.error()};
  if (root->empty()) return Error{"the module has no resource directory"};
  std::size_t rootAt = static_cast<std::size_t>(root->data() - file_.data());

  NameBudget budget;
  Result<std::optional<Directory>> types = OpenType(*root, rootAt, type, budget);
  if (!types) return Error{types.error()};
  if (!*types) return Error{"no resource of the requested type"};
  Result<std::optional<std::size_t>> index = (*types)->Find(name, budget);
  if (!index) return Error{index.error()};
  if (!*index) return Error{"no resource of the requested name"};
  Result<uint32_t> languagesAt = (*types)->Subdirectory(**index, {0, (*types)->offset});
  if (!languagesAt) return Error{languagesAt.error()};
  Result<Directory> languages = Directory::Open(*root, rootAt, *languagesAt);
  if (!languages) return Error{languages.error()};
  Result<std::size_t> chosen = languages->ChooseLanguage(preferred);
  if (!chosen) return Error{chosen.error()};
  Result<uint32_t> dataEntry = languages->DataEntry(*chosen);
  if (!dataEntry) return Error{dataEntry.error()};
  Result<ResourceData> data = DataOf(*root, *dataEntry);
  if (data) data->language = static_cast<uint16_t>(languages->At(*chosen).name);
  return data;
}

}  // namespace quillet::pe
