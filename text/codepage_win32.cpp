// Code-page conversion through the Win32 conversion calls (Windows builds).
#include <windows.h>

#include <string>

#include "text/platform_convert.h"

namespace quillet::platform {

std::string Utf16ToCodePage(unsigned codePage, std::u16string_view text) {
  if (text.empty()) return {};
  const auto* src = reinterpret_cast<const wchar_t*>(text.data());
  const int srcLen = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(codePage, 0, src, srcLen, nullptr, 0, "?", nullptr);
  if (n <= 0) return std::string(text.size(), '?');
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, src, srcLen, out.data(), n, "?", nullptr);
  return out;
}

std::u16string CodePageToUtf16(unsigned codePage, std::string_view text) {
  if (text.empty()) return {};
  const int srcLen = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(codePage, 0, text.data(), srcLen, nullptr, 0);
  if (n <= 0) return std::u16string(text.size(), u'\uFFFD');
  std::u16string out(static_cast<std::size_t>(n), u'\0');
  MultiByteToWideChar(codePage, 0, text.data(), srcLen, reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

}  // namespace quillet::platform
