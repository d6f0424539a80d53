// Byte strings in a multibyte code page: lead bytes, character-wise search, folding, conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// A Windows ANSI code page. Only the double-byte code pages named in IsLeadByte have lead
// bytes; every other code page is treated as single-byte.
class CodePage {
 public:
  static constexpr unsigned kDefault = 932;

  constexpr CodePage() = default;
  constexpr explicit CodePage(unsigned id) : id_(id) {}

  constexpr unsigned id() const { return id_; }

  // True when b starts a double-byte character.
  constexpr bool IsLeadByte(unsigned char b) const {
    switch (id_) {
      case 932:  // Shift_JIS as Windows extends it
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
      case 936:  // GBK
      case 949:  // Unified Hangul Code
      case 950:  // Big5
        return b >= 0x81 && b <= 0xFE;
      default:
        return false;
    }
  }

  // Position of the first `c` at or after `start`, stepping whole characters so that a match
  // never starts on a trail byte; npos when there is none or start lies at or past the end.
  std::size_t Find(std::string_view text, char c, std::size_t start = 0) const;
  // The same for a multi-byte needle.
  std::size_t Find(std::string_view text, std::string_view needle, std::size_t start = 0) const;

  // Copy with the one-byte characters 'A'-'Z' folded to 'a'-'z'; double-byte characters are
  // copied unchanged.
  std::string FoldLower(std::string_view text) const;

  // Conversions. Characters the code page lacks become '?', as the platform's "A" calls do.
  std::string FromUtf16(std::u16string_view text) const;
  // Invalid UTF-8 gives nullopt.
  std::optional<std::string> FromUtf8(std::string_view utf8) const;
  // Bytes that are not valid in the code page become U+FFFD.
  std::string ToUtf8(std::string_view text) const;

 private:
  unsigned id_ = kDefault;
};

// Validates UTF-8 and decodes it to UTF-16; nullopt when the input is not valid UTF-8.
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);
// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace quillet
