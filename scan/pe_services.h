// Resource services that read the module file itself and never run any of its code.
#pragma once

#include <cstdint>
#include <memory>

#include "scan/resource_services.h"
#include "text/codepage.h"

namespace quillet {

// `language`: the LANGID preferred among a name's language variants (after the neutral one).
std::unique_ptr<ResourceServices> MakePeResourceServices(CodePage codePage, uint16_t language);

}  // namespace quillet
