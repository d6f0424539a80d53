// Turns the hand-drawn icon source (res/icon.txt) into an .ico file: one 8-bit palette image
// per "image N" block, each with its transparency mask.
// Usage: make_icon icon.txt quillet.ico
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Image {
  int size = 0;
  std::vector<std::string> rows;
};

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// An icon image is a DIB with doubled height: BITMAPINFOHEADER, the palette, the colour
// pixels bottom-up, then the 1-bit AND mask bottom-up; every row padded to 4 bytes.
std::string Dib(const Image& image, const std::map<char, int>& index,
                const std::vector<uint32_t>& palette) {
  const auto n = static_cast<uint32_t>(image.size);
  const uint32_t pixelRow = (n + 3) / 4 * 4;
  const uint32_t maskRow = (n + 31) / 32 * 4;
  std::string out;
  Put32(out, 40);
  Put32(out, n);
  Put32(out, 2 * n);
  Put16(out, 1);  // planes
  Put16(out, 8);  // bits per pixel
  Put32(out, 0);  // BI_RGB
  Put32(out, (pixelRow + maskRow) * n);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 256);  // colours used
  Put32(out, 0);
  for (int i = 0; i < 256; ++i) {
    const uint32_t rgb = i < static_cast<int>(palette.size()) ? palette[i] : 0;
    out += static_cast<char>(rgb & 0xFF);  // RGBQUAD: blue, green, red, reserved
    out += static_cast<char>((rgb >> 8) & 0xFF);
    out += static_cast<char>((rgb >> 16) & 0xFF);
    out += '\0';
  }
  for (uint32_t y = n; y-- > 0;) {
    std::string row(pixelRow, '\0');
    for (uint32_t x = 0; x < n; ++x) row[x] = static_cast<char>(index.at(image.rows[y][x]));
    out += row;
  }
  for (uint32_t y = n; y-- > 0;) {
    std::string row(maskRow, '\0');
    for (uint32_t x = 0; x < n; ++x) {
      if (image.rows[y][x] == '.') row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    }
    out += row;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_icon SOURCE.txt OUTPUT.ico\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "make_icon: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::map<char, int> index{{'.', 0}};  // transparent pixels are black under the mask
  std::vector<uint32_t> palette{0};
  std::vector<Image> images;
  std::string line;
  int lineNo = 0;
  auto fail = [&](const std::string& why) {
    std::cerr << argv[1] << ":" << lineNo << ": " << why << "\n";
    return 1;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "colour") {
      char c = 0;
      std::string hex;
      words >> c >> hex;
      if (hex.size() != 6 || index.count(c)) return fail("bad colour line");
      index[c] = static_cast<int>(palette.size());
      palette.push_back(static_cast<uint32_t>(std::stoul(hex, nullptr, 16)));
    } else if (word == "image") {
      Image image;
      words >> image.size;
      if (image.size <= 0 || image.size > 256) return fail("bad image size");
      images.push_back(image);
    } else {
      if (images.empty()) return fail("pixels before any image line");
      Image& image = images.back();
      if (static_cast<int>(line.size()) != image.size) return fail("row of the wrong width");
      for (char c : line) {
        if (!index.count(c)) return fail(std::string("unknown colour ") + c);
      }
      image.rows.push_back(line);
    }
  }
  for (const Image& image : images) {
    if (static_cast<int>(image.rows.size()) != image.size) return fail("image of the wrong height");
  }

  // ICONDIR, then one ICONDIRENTRY per image, then the images.
  std::string out;
  Put16(out, 0);
  Put16(out, 1);  // an icon, not a cursor
  Put16(out, static_cast<uint32_t>(images.size()));
  std::vector<std::string> dibs;
  for (const Image& image : images) dibs.push_back(Dib(image, index, palette));
  auto offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const auto n = static_cast<uint32_t>(images[i].size);
    out += static_cast<char>(n == 256 ? 0 : n);
    out += static_cast<char>(n == 256 ? 0 : n);
    out += '\0';  // 256 colours
    out += '\0';
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, static_cast<uint32_t>(dibs[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(dibs[i].size());
  }
  for (const std::string& dib : dibs) out += dib;

  std::ofstream file(argv[2], std::ios::binary);
  file << out;
  if (!file) {
    std::cerr << "make_icon: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
