// PeImage: the headers, section table and resource directory of a PE file, read from its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "scan/pe/result.h"

namespace quillet::pe {

inline constexpr uint16_t kRtMenu = 4;
inline constexpr uint16_t kRtDialog = 5;
// The language the platform prefers on a Japanese system.
inline constexpr uint16_t kDefaultLanguage = 0x0411;

// A resource type or name: an id, or a string stored without NUL.
struct ResourceName {
  bool isString = false;
  uint16_t id = 0;
  std::u16string text;

  static ResourceName Id(uint16_t id) { return ResourceName{false, id, {}}; }
  static ResourceName String(std::u16string text) { return ResourceName{true, 0, std::move(text)}; }
  friend bool operator==(const ResourceName&, const ResourceName&) = default;
};

struct Section {
  std::string name;  // up to 8 bytes, NULs dropped
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t sizeOfRawData = 0;
  uint32_t pointerToRawData = 0;
};

// One language variant's data, as chosen by FindData.
struct ResourceData {
  std::span<const uint8_t> bytes;  // inside the file given to Parse
  uint16_t language = 0;
  uint32_t codePage = 0;
};

class PeImage {
 public:
  // Reads the headers of `file`, which must outlive the image and every span it returns. A
  // module without a resource directory parses; a resource directory whose RVA cannot be
  // mapped is reported by the resource calls, so the rest of the headers stay usable.
  static Result<PeImage> Parse(std::span<const uint8_t> file);

  bool is64() const { return magic_ == kMagicPe32Plus; }
  uint16_t machine() const { return machine_; }
  uint32_t sizeOfHeaders() const { return sizeOfHeaders_; }
  const std::vector<Section>& sections() const { return sections_; }

  // The file bytes holding [rva, rva + size): the first section with VirtualAddress <= rva <
  // VirtualAddress + SizeOfRawData, limited to the raw data present in the file; RVAs below
  // SizeOfHeaders map one to one. Fails when any byte of the range is not in the file.
  Result<std::span<const uint8_t>> BytesAt(uint32_t rva, uint32_t size) const;

  bool hasResources() const { return resourceRva_ != 0; }

  // The names of `type` in the order stored, each once whatever its languages. No resource
  // directory, or no such type, gives an empty list; a corrupt directory gives an error.
  Result<std::vector<ResourceName>> ListNames(const ResourceName& type) const;

  // The data of (type, name) in the language the platform would choose: neutral 0x0000, then
  // `preferred`, then its primary language with SUBLANG_NEUTRAL, then 0x0409, then the first
  // stored. Names compare exactly (as ListNames returns them). Each call scans the type's
  // directory; to read every name of a type, ListResources does it in one pass.
  Result<ResourceData> FindData(const ResourceName& type, const ResourceName& name,
                                uint16_t preferred = kDefaultLanguage) const;

  // ListNames and FindData together, in time linear in the directory's size whatever a
  // hostile file repeats: the names in stored order, each with its data or the fault that
  // keeps that one name from being read. The listing itself fails as ListNames does.
  struct NamedResource {
    ResourceName name;
    Result<ResourceData> data;
  };
  Result<std::vector<NamedResource>> ListResources(const ResourceName& type,
                                                   uint16_t preferred = kDefaultLanguage) const;

 private:
  static constexpr uint16_t kMagicPe32Plus = 0x20b;

  // All bytes the mapping provides from `rva` on (at least one).
  Result<std::span<const uint8_t>> MapRva(uint32_t rva) const;
  // The bytes from the resource root on; empty when the module has no resource directory.
  Result<std::span<const uint8_t>> ResourceBytes() const;
  Result<ResourceData> DataOf(std::span<const uint8_t> root, uint32_t dataEntry) const;

  std::span<const uint8_t> file_;
  uint16_t machine_ = 0;
  uint16_t magic_ = 0;
  uint32_t sizeOfHeaders_ = 0;
  uint32_t resourceRva_ = 0;
  std::vector<Section> sections_;
};

}  // namespace quillet::pe
