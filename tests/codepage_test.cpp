// Code-page byte strings: lead bytes, character-wise search, folding, conversion.
#include "text/codepage.h"

#include <gtest/gtest.h>

namespace quillet {
namespace {

constexpr auto npos = std::string_view::npos;

TEST(CodePage, LeadBytesOf932) {
  const CodePage cp;
  struct Case {
    unsigned char byte;
    bool lead;
  } cases[] = {{0x80, false}, {0x81, true}, {0x9F, true}, {0xA0, false}, {0xB1, false},
               {0xDF, false}, {0xE0, true}, {0xFC, true}, {0xFD, false}, {0x41, false}};
  for (const Case& c : cases) EXPECT_EQ(cp.IsLeadByte(c.byte), c.lead) << int(c.byte);
  EXPECT_FALSE(CodePage(1252).IsLeadByte(0x81));
}

TEST(CodePage, FindStepsWholeCharacters) {
  const CodePage cp;
  // 0x83 0x28 would be a lead byte followed by '(' as its trail byte: no match there.
  const std::string text = "\x83\x28(x)";
  struct Case {
    char c;
    std::size_t start;
    std::size_t want;
  } cases[] = {
      {'(', 0, 2},                      // skips the trail byte
      {'(', 2, 2},                      // start is inclusive
      {'(', 3, npos},                   // nothing after
      {')', 3, 4},     {'(', 5, npos},  // start at the end
      {'(', 99, npos},                  // start past the end
  };
  for (const Case& c : cases) EXPECT_EQ(cp.Find(text, c.c, c.start), c.want) << c.c << c.start;
  EXPECT_EQ(cp.Find("ab\x82\x61"
                    "copyright",
                    std::string_view("copyright")),
            4u);
  // A lead byte as the last byte does not read past the end.
  EXPECT_EQ(cp.Find("a\x82", '&'), npos);
}

TEST(CodePage, FoldLowerOnlyAsciiLettersOfSingleByteCharacters) {
  const CodePage cp;
  EXPECT_EQ(cp.FoldLower("ABC xyz @[`{"), "abc xyz @[`{");
  // A trail byte in 'A'-'Z' stays; one-byte katakana stays.
  EXPECT_EQ(cp.FoldLower("\x83\x41Z\xB1"), "\x83\x41z\xB1");
}

TEST(CodePage, ConvertsBetweenUtf8AndCp932) {
  const CodePage cp;
  struct Case {
    const char* utf8;
    const char* cp932;
  } cases[] = {
      {"ファイル(&F)", "\x83\x74\x83\x40\x83\x43\x83\x8B(&F)"},
      {"（&Ｆ）", "\x81\x69&\x82\x65\x81\x6A"},
      {"ｱ", "\xB1"},
      {"～", "\x81\x60"},  // FULLWIDTH TILDE as Windows maps it
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cp.FromUtf8(c.utf8), std::string(c.cp932)) << c.utf8;
    EXPECT_EQ(cp.ToUtf8(c.cp932), std::string(c.utf8)) << c.utf8;
  }
}

TEST(CodePage, CharactersTheCodePageLacksBecomeQuestionMarks) {
  const CodePage cp;
  EXPECT_EQ(cp.FromUtf16(u"a\u00E9b"), "a?b");     // é is not in code page 932
  EXPECT_EQ(cp.FromUtf16(u"x\xD800y"), "x?y");     // unpaired surrogate
  EXPECT_EQ(cp.FromUtf16(u"\U0001F600"), "??");    // one per UTF-16 unit
  EXPECT_EQ(cp.ToUtf8("a\x81"), "a\xEF\xBF\xBD");  // truncated double-byte character
}

TEST(CodePage, RejectsInvalidUtf8) {
  const char* bad[] = {
      "\x80",              // lone continuation byte
      "\xC3",              // truncated sequence
      "\xC0\xAF",          // overlong '/'
      "\xE0\x80\xAF",      // overlong three-byte form
      "\xED\xA0\x80",      // encoded surrogate
      "\xF4\x90\x80\x80",  // past U+10FFFF
      "\xFF",
  };
  for (const char* b : bad) EXPECT_FALSE(Utf8ToUtf16(b).has_value()) << b;
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), std::u16string(u"\U0001F600"));
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace quillet
