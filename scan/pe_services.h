// Resource services that read the module file itself and never run any of its code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "scan/resource_services.h"
#include "text/codepage.h"

namespace quillet {

// Many names may share one large template, so the work of a scan is bounded per module, not
// only per template: menus and dialogs are read from at most this many bytes in all (each
// counted up to the most one template is read from), and those past it fail. Real modules
// use a few hundred kilobytes.
inline constexpr std::size_t kMaxTemplateBytesPerModule = std::size_t{16} << 20;

// `language`: the LANGID preferred among a name's language variants (after the neutral one).
std::unique_ptr<ResourceServices> MakePeResourceServices(CodePage codePage, uint16_t language);

}  // namespace quillet
