// ByteReader: little-endian reads, strings and alignment, and that a failed read moves nothing.
#include "scan/pe/byte_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillet::pe {
namespace {

TEST(ByteReaderTest, ReadsLittleEndianAndStopsAtTheEnd) {
  const std::vector<uint8_t> bytes = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12};
  ByteReader reader(bytes);
  EXPECT_EQ(reader.ReadU8(), 0x01);
  EXPECT_EQ(reader.ReadU16(), 0x1234);
  EXPECT_EQ(reader.ReadU32(), 0x12345678u);
  EXPECT_EQ(reader.remaining(), 0u);
  EXPECT_EQ(reader.ReadU8(), std::nullopt);

  // Three bytes left: a u32 fails and leaves the cursor for the u16 that fits.
  ASSERT_TRUE(reader.Seek(4));
  EXPECT_EQ(reader.ReadU32(), std::nullopt);
  EXPECT_EQ(reader.offset(), 4u);
  EXPECT_EQ(reader.ReadU16(), 0x3456);
}

TEST(ByteReaderTest, SeekAndSkipAllowTheEndButNotBeyond) {
  const std::vector<uint8_t> bytes(8);
  ByteReader reader(bytes);
  EXPECT_TRUE(reader.Seek(8));
  EXPECT_FALSE(reader.Seek(9));
  EXPECT_EQ(reader.offset(), 8u);
  ASSERT_TRUE(reader.Seek(2));
  EXPECT_FALSE(reader.Skip(7));
  EXPECT_TRUE(reader.Skip(6));
  // A start offset past the end is clamped rather than trusted.
  EXPECT_EQ(ByteReader(bytes, 100).remaining(), 0u);
}

TEST(ByteReaderTest, ReadString16) {
  struct Case {
    const char* why;
    std::vector<uint8_t> bytes;
    std::size_t maxChars;
    std::optional<std::u16string> expected;
    std::size_t offsetAfter;
  };
  const Case cases[] = {
      {"text and NUL", {'A', 0, 'b', 0, 0, 0, 'x', 0}, SIZE_MAX, u"Ab", 6},
      {"empty", {0, 0}, SIZE_MAX, u"", 2},
      {"non-ASCII unit", {0x42, 0x30, 0, 0}, SIZE_MAX, u"\u3042", 4},
      {"no NUL before the end", {'A', 0, 'b', 0}, SIZE_MAX, std::nullopt, 0},
      {"odd byte count hides the NUL", {'A', 0, 0}, SIZE_MAX, std::nullopt, 0},
      {"NUL is the last unit the cap allows", {'A', 0, 'b', 0, 0, 0}, 3, u"Ab", 6},
      {"NUL just past the cap", {'A', 0, 'b', 0, 0, 0}, 2, std::nullopt, 0},
  };
  for (const Case& c : cases) {
    ByteReader reader(c.bytes);
    EXPECT_EQ(reader.ReadString16(c.maxChars), c.expected) << c.why;
    EXPECT_EQ(reader.offset(), c.offsetAfter) << c.why;
  }
}

TEST(ByteReaderTest, ReadChars16NeedsEveryUnit) {
  const std::vector<uint8_t> bytes = {'a', 0, 'b', 0, 'c'};
  ByteReader reader(bytes);
  EXPECT_EQ(reader.ReadChars16(3), std::nullopt);
  EXPECT_EQ(reader.ReadChars16(2), u"ab");
}

TEST(ByteReaderTest, AlignToCountsFromTheOrigin) {
  struct Case {
    std::size_t offset;
    std::size_t alignment;
    std::size_t origin;
    std::optional<std::size_t> expected;  // nullopt: alignment would pass the end
  };
  const Case cases[] = {
      {0, 4, 0, 0},
      {1, 4, 0, 4},
      {4, 4, 0, 4},
      {5, 2, 0, 6},
      {3, 4, 2, 6},             // 1 byte past the origin: 3 more
      {6, 4, 2, 6},             // already aligned relative to the origin
      {9, 4, 0, std::nullopt},  // 12 lies past the 10 bytes
      {1, 4, 2, std::nullopt},  // before the origin
  };
  const std::vector<uint8_t> bytes(10);
  for (const Case& c : cases) {
    ByteReader reader(bytes, c.offset);
    bool ok = reader.AlignTo(c.alignment, c.origin);
    EXPECT_EQ(ok, c.expected.has_value()) << c.offset << " " << c.alignment << " " << c.origin;
    EXPECT_EQ(reader.offset(), c.expected.value_or(c.offset));
  }
}

}  // namespace
}  // namespace quillet::pe
