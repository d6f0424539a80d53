// Code-page conversion through iconv (POSIX builds).
#include <iconv.h>

#include <cerrno>
#include <string>

#include "text/platform_convert.h"

namespace quillet::platform {
namespace {

std::string IconvName(unsigned codePage) {
  if (codePage == 65001) return "UTF-8";
  if (codePage == 20127) return "ASCII";
  return "CP" + std::to_string(codePage);
}

// RAII holder for one conversion descriptor.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much of [in, in+inLeft) as possible, appending to out. Returns the number of
  // input bytes consumed; stops at the first byte sequence it cannot convert.
  std::size_t Run(const char* in, std::size_t inLeft, std::string& out) {
    char* src = const_cast<char*>(in);
    const std::size_t total = inLeft;
    char buf[1024];
    while (inLeft > 0) {
      char* dst = buf;
      std::size_t dstLeft = sizeof buf;
      const std::size_t rc = iconv(cd_, &src, &inLeft, &dst, &dstLeft);
      out.append(buf, static_cast<std::size_t>(dst - buf));
      if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) break;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    return total - inLeft;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string Utf16ToCodePage(unsigned codePage, std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  std::string out;
  Converter conv(IconvName(codePage), "UTF-16LE");
  if (!conv.ok()) return std::string(text.size(), '?');
  for (std::size_t pos = 0; pos < bytes.size();) {
    pos += conv.Run(bytes.data() + pos, bytes.size() - pos, out);
    if (pos < bytes.size()) {
      out.push_back('?');
      pos += 2;  // one UTF-16 code unit
    }
  }
  return out;
}

std::u16string CodePageToUtf16(unsigned codePage, std::string_view text) {
  std::string wide;
  Converter conv("UTF-16LE", IconvName(codePage));
  if (!conv.ok()) return std::u16string(text.size(), u'\uFFFD');
  for (std::size_t pos = 0; pos < text.size();) {
    pos += conv.Run(text.data() + pos, text.size() - pos, wide);
    if (pos < text.size()) {
      wide.append("\xFD\xFF", 2);  // U+FFFD, little-endian
      ++pos;
    }
  }
  std::u16string out(wide.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(wide[2 * i]) |
                                   (static_cast<unsigned char>(wide[2 * i + 1]) << 8));
  }
  return out;
}

}  // namespace quillet::platform
