// libFuzzer target: any bytes through the PE reader alone (headers, RVA mapping, resource
// directory), in memory. Checks that the one-pass listing agrees with the name-by-name lookups
// in two preferred languages, and that every span handed out lies inside the input. Build and
// run with fuzz/run.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
#include "scan/pe/pe_image.h"

namespace {

using namespace quillet::pe;

// FindData scans the type's directory per call; a hostile directory has thousands of names,
// so only the first few are looked up one by one.
constexpr std::size_t kLookups = 64;

bool Inside(std::span<const uint8_t> part, std::span<const uint8_t> file) {
  if (part.empty()) return true;
  return part.data() >= file.data() && part.data() + part.size() <= file.data() + file.size();
}

void CheckType(const PeImage& image, std::span<const uint8_t> file, uint16_t type,
               uint16_t preferred) {
  const ResourceName typeName = ResourceName::Id(type);
  Result<std::vector<PeImage::NamedResource>> listed = image.ListResources(typeName, preferred);
  Result<std::vector<ResourceName>> names = image.ListNames(typeName);
  FUZZ_CHECK(listed.ok() == names.ok());
  if (!listed) return;
  FUZZ_CHECK(listed->size() == names->size());
  for (std::size_t i = 0; i < listed->size(); ++i) {
    const PeImage::NamedResource& entry = (*listed)[i];
    FUZZ_CHECK(entry.name == (*names)[i]);
    if (entry.data) FUZZ_CHECK(Inside(entry.data->bytes, file));
    if (i >= kLookups) continue;
    Result<ResourceData> one = image.FindData(typeName, entry.name, preferred);
    FUZZ_CHECK(one.ok() == entry.data.ok());
    if (!one) continue;
    FUZZ_CHECK(one->bytes.data() == entry.data->bytes.data());
    FUZZ_CHECK(one->bytes.size() == entry.data->bytes.size());
    FUZZ_CHECK(one->language == entry.data->language);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> file(data, size);
  Result<PeImage> image = PeImage::Parse(file);
  if (!image) return 0;
  for (const Section& section : image->sections()) {
    Result<std::span<const uint8_t>> bytes = image->BytesAt(section.virtualAddress, 1);
    if (bytes) FUZZ_CHECK(Inside(*bytes, file) && bytes->size() == 1);
  }
  // The tool's default language, and any other taken from the last two bytes (padding in a
  // real module), so that every rank of the language choice is reached.
  const uint16_t other = static_cast<uint16_t>(data[size - 2] | data[size - 1] << 8);
  for (uint16_t preferred : {kDefaultLanguage, other}) {
    CheckType(*image, file, kRtMenu, preferred);
    CheckType(*image, file, kRtDialog, preferred);
  }
  return 0;
}
