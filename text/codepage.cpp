// Character-wise search, folding and UTF-8/UTF-16 handling; the code-page tables come from
// the platform (codepage_iconv.cpp or codepage_win32.cpp).
#include "text/codepage.h"

#include "text/platform_convert.h"

namespace quillet {

std::size_t CodePage::Find(std::string_view text, char c, std::size_t start) const {
  return Find(text, std::string_view(&c, 1), start);
}

std::size_t CodePage::Find(std::string_view text, std::string_view needle,
                           std::size_t start) const {
  if (needle.empty()) return std::string_view::npos;
  for (std::size_t i = start; i < text.size();) {
    if (text.substr(i, needle.size()) == needle) return i;
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  return std::string_view::npos;
}

std::string CodePage::FoldLower(std::string_view text) const {
  std::string out(text);
  for (std::size_t i = 0; i < out.size();) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(b)) {
      i += 2;
      continue;
    }
    if (b >= 'A' && b <= 'Z') out[i] = static_cast<char>(b - 'A' + 'a');
    ++i;
  }
  return out;
}

std::string CodePage::FromUtf16(std::u16string_view text) const {
  return platform::Utf16ToCodePage(id_, text);
}

std::optional<std::string> CodePage::FromUtf8(std::string_view utf8) const {
  auto wide = Utf8ToUtf16(utf8);
  if (!wide) return std::nullopt;
  return FromUtf16(*wide);
}

std::string CodePage::ToUtf8(std::string_view text) const {
  return Utf16ToUtf8(platform::CodePageToUtf16(id_, text));
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b0 = static_cast<unsigned char>(utf8[i]);
    std::size_t len;
    char32_t cp;
    if (b0 < 0x80) {
      len = 1, cp = b0;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      len = 2, cp = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      len = 3, cp = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      len = 4, cp = b0 & 0x07u;
    } else {
      return std::nullopt;
    }
    if (utf8.size() - i < len) return std::nullopt;
    for (std::size_t k = 1; k < len; ++k) {
      const auto b = static_cast<unsigned char>(utf8[i + k]);
      if ((b & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (b & 0x3Fu);
    }
    // Reject overlong forms, surrogates and values past U+10FFFF.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return std::nullopt;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace quillet
