// A minimal PNG writer for the GUI tests' screenshots: RGB, 8 bits, stored (uncompressed).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::testing {

// `rgb` holds width * height pixels, three bytes each, top row first.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace quillet::testing
