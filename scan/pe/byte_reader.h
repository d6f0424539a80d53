// ByteReader: a bounds-checked little-endian cursor over untrusted bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quillet::pe {

// Every read checks the bytes left first. A failed read returns nullopt (or false) and leaves
// the cursor where it was, so the caller can name the fault at the offset it happened.
class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> bytes, std::size_t offset = 0)
      : bytes_(bytes), offset_(offset <= bytes.size() ? offset : bytes.size()) {}

  std::span<const uint8_t> bytes() const { return bytes_; }
  std::size_t offset() const { return offset_; }
  std::size_t size() const { return bytes_.size(); }
  std::size_t remaining() const { return bytes_.size() - offset_; }

  // Moves to `offset`; the end itself is a valid position.
  [[nodiscard]] bool Seek(std::size_t offset) {
    if (offset > bytes_.size()) return false;
    offset_ = offset;
    return true;
  }
  [[nodiscard]] bool Skip(std::size_t count) {
    if (count > remaining()) return false;
    offset_ += count;
    return true;
  }
  // Moves to the next multiple of `alignment` counted from `origin` (templates align
  // relative to the start of their resource data, not of the file).
  [[nodiscard]] bool AlignTo(std::size_t alignment, std::size_t origin = 0) {
    if (alignment == 0 || origin > offset_) return false;
    std::size_t misalign = (offset_ - origin) % alignment;
    return misalign == 0 || Skip(alignment - misalign);
  }

  std::optional<uint8_t> ReadU8() {
    if (remaining() < 1) return std::nullopt;
    return bytes_[offset_++];
  }
  std::optional<uint16_t> ReadU16() {
    if (remaining() < 2) return std::nullopt;
    uint16_t value = static_cast<uint16_t>(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
    offset_ += 2;
    return value;
  }
  std::optional<uint32_t> ReadU32() {
    if (remaining() < 4) return std::nullopt;
    uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) value = (value << 8) | bytes_[offset_ + i];
    offset_ += 4;
    return value;
  }

  // Exactly `count` UTF-16 units, as in a counted resource name.
  std::optional<std::u16string> ReadChars16(std::size_t count) {
    if (count > remaining() / 2) return std::nullopt;
    std::u16string text(count, u'\0');
    for (std::size_t i = 0; i < count; ++i) text[i] = UnitAt(offset_ + 2 * i);
    offset_ += 2 * count;
    return text;
  }

  // A NUL-terminated UTF-16 string; the NUL is consumed, not returned. Fails when no NUL lies
  // within the first `maxChars` characters or before the bytes end.
  std::optional<std::u16string> ReadString16(std::size_t maxChars = SIZE_MAX) {
    std::size_t units = remaining() / 2;
    std::size_t limit = maxChars < units ? maxChars : units;
    for (std::size_t i = 0; i < limit; ++i) {
      if (UnitAt(offset_ + 2 * i) == 0) {
        std::optional<std::u16string> text = ReadChars16(i);
        offset_ += 2;
        return text;
      }
    }
    return std::nullopt;
  }

 private:
  char16_t UnitAt(std::size_t at) const {
    return static_cast<char16_t>(bytes_[at] | (bytes_[at + 1] << 8));
  }

  std::span<const uint8_t> bytes_;
  std::size_t offset_ = 0;
};

}  // namespace quillet::pe
