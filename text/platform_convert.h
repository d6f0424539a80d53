// Code-page tables supplied by the platform: iconv on POSIX, the Win32 conversion calls on Windows.
#pragma once

#include <string>
#include <string_view>

namespace quillet::platform {

// Characters the code page lacks become '?', one per UTF-16 code unit that could not be
// converted (an unpaired surrogate included).
std::string Utf16ToCodePage(unsigned codePage, std::u16string_view text);
// Bytes that do not form a character of the code page become U+FFFD.
std::u16string CodePageToUtf16(unsigned codePage, std::string_view text);

}  // namespace quillet::platform
