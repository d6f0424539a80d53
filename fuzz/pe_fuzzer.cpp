// libFuzzer target: any bytes through the PE reader, the menu and dialog template parsers and
// the dialog instantiation model. Build and run with fuzz/run.
#include <cstddef>
#include <cstdint>
#include <span>

#include "scan/pe/dialog_template.h"
#include "scan/pe/menu_template.h"
#include "scan/pe/pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillet::pe;
  const std::span<const uint8_t> file(data, size);
  auto image = PeImage::Parse(file);
  if (!image) return 0;
  for (uint16_t type : {kRtMenu, kRtDialog}) {
    auto named = image->ListResources(ResourceName::Id(type));
    if (!named) continue;
    for (const auto& entry : *named) {
      if (!entry.data) continue;
      if (type == kRtMenu) {
        (void)ParseMenuTemplate(entry.data->bytes);
      } else if (auto dialog = ParseDialogTemplate(entry.data->bytes)) {
        (void)InstantiateDialog(*dialog);
      }
    }
  }
  return 0;
}
