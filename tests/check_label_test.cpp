// Access-key rules. Compiled with -fexec-charset=CP932: the Japanese literals below are code
// page 932 bytes, as labels read from a module are.
#include "rules/check_label.h"

#include <gtest/gtest.h>

#include <vector>

#include "recording_view.h"

namespace quillet {
namespace {

using testing::RecordingOwner;

// The finding lines that a sequence of labels of one container gives.
std::vector<std::string> Check(const std::vector<std::string>& labels) {
  RecordingOwner owner;
  KeyRegistry registry;
  for (const std::string& label : labels) CheckLabel(owner, label, registry);
  return owner.view.Lines();
}

const std::string kMissing = "  &の付け忘れ : ";
const std::string kMisplaced = "  &の位置が異常 ：";
const std::string kDoubleByte = "  アクセスキーが2バイト文字 : ";
const std::string kFullWidth = "  アクセスキーのカッコが全角 : ";
const std::string kDuplicate = "  アクセスキーの重複 : ";

TEST(CheckLabel, SingleLabels) {
  struct Case {
    std::string label;
    std::string want;  // the whole finding line, or "" for none
  } cases[] = {
      // No '&' and no "(x)".
      {"x", ""},
      {"ファイル", ""},
      {"ファイル＆編集", ""},  // the full-width ampersand is no '&'
      // Missing ampersand: one byte between the first '(' and the first ')' after it.
      {"ファイル(F)", kMissing + "ファイル(F)"},
      {"Step (1)", kMissing + "Step (1)"},
      {"(x) more", kMissing + "(x) more"},
      {")(F)", kMissing + ")(F)"},  // a ')' before the first '(' is ignored
      {"ファイル＆(F)", kMissing + "ファイル＆(F)"},
      {"(C) All rights reserved", kMissing + "(C) All rights reserved"},
      {"Copyright (C) X", ""},
      {"(c) X COPYRIGHT", ""},
      {"(c) CopyRight", ""},
      {"(F) copyright", kMissing + "(F) copyright"},  // the exemption is for C only
      {"Open (recent) (F)", ""},                      // only the first '(' counts
      {"()", ""},
      {"(AB)", ""},
      {"abc(", ""},
      {"ファイル(Ｆ)", ""},  // three bytes between the parentheses
      // A ')' that is the trail byte of a double-byte character is not a ')'.
      {"(\x83)", ""},
      // Misplaced ampersand: the first '&' is the last byte.
      {"&", kMisplaced + "&"},
      {"Save&", kMisplaced + "Save&"},
      // Double-byte key.
      {"&ファイル", kDoubleByte + "&ファイル"},
      {"（&Ｆ）", kDoubleByte + "（&Ｆ）"},  // lead-byte test comes first
      {"&\x81", kDoubleByte + "&\x81"},      // a lead byte at the very end
      // Full-width parentheses.
      {"ファイル（&F）", kFullWidth + "ファイル（&F）"},
      {"（&F）", kFullWidth + "（&F）"},  // through the test after the key
      {"（&F)", ""},                      // '&' at byte 2: the test before it is skipped
      {"X（&F)", kFullWidth + "X（&F)"},  // '&' at byte 3
      {"&F）", kFullWidth + "&F）"},
      {"&F\x81", ""},  // only one byte after the key
      // Raw bytes, not characters: ａ (0x82 0x81) then 'i' forms 0x81 0x69 before the '&'.
      {"\x82\x81\x69&x", kFullWidth + "\x82\x81\x69&x"},
      // Clean keys.
      {"&x", ""},
      {"A&B&", ""},
      {"クリア(&C)", ""},
      {"&Open\tCtrl+O", ""},
  };
  for (const Case& c : cases) {
    const auto lines = Check({c.label});
    if (c.want.empty()) {
      EXPECT_TRUE(lines.empty()) << c.label;
    } else {
      EXPECT_EQ(lines, std::vector<std::string>{c.want}) << c.label;
    }
  }
}

TEST(CheckLabel, SequencesInOneContainer) {
  struct Case {
    const char* why;
    std::vector<std::string> labels;
    std::vector<std::string> want;
  } cases[] = {
      {"duplicates name the first claimant, whatever the case",
       {"&Open", "&ok", "&OK"},
       {kDuplicate + "&ok, &Open", kDuplicate + "&OK, &Open"}},
      {"only the first '&' counts", {"A&B&", "&b"}, {kDuplicate + "&b, A&B&"}},
      {"'&&' claims the key '&'",
       {"Save && Exit", "Load && Run"},
       {kDuplicate + "Load && Run, Save && Exit"}},
      {"a space is a key", {"A & B", "C & D"}, {kDuplicate + "C & D, A & B"}},
      {"one-byte katakana is not folded", {"&ｱ", "&ｲ", "&ｱx"}, {kDuplicate + "&ｱx, &ｱ"}},
      {"a label with a finding claims nothing",
       {"ファイル（&F）", "&File", "&fix"},
       {kFullWidth + "ファイル（&F）", kDuplicate + "&fix, &File"}},
      {"'（&F)' claims f", {"（&F)", "&f"}, {kDuplicate + "&f, （&F)"}},
      {"a label without '&' claims nothing", {"File", "&File"}, {}},
      {"a '%' in a label is text, not a directive",
       {"100%&s", "&S%d"},
       {kDuplicate + "&S%d, 100%&s"}},
      {"a tab and accelerator stay in the line",
       {"&Open\tCtrl+O", "&Other\tCtrl+T"},
       {kDuplicate + "&Other\tCtrl+T, &Open\tCtrl+O"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Check(c.labels), c.want) << c.why;
}

TEST(CheckLabel, RegistryGetsOnlyCleanKeysFoldedAndKeepsTheFirst) {
  KeyRegistry registry;
  for (const char* label : {"&File", "(F)", "&", "&ファイル", "&fun", "&Edit"}) {
    JudgeLabel(label, registry);
  }
  ASSERT_EQ(registry.size(), 2u);
  EXPECT_EQ(*registry.Find('f'), "&File");
  EXPECT_EQ(*registry.Find('e'), "&Edit");
  EXPECT_EQ(registry.Find('F'), nullptr);
}

TEST(CheckLabel, SeparateContainersDoNotClash) {
  RecordingOwner owner;
  KeyRegistry first, second;
  CheckLabel(owner, "&File", first);
  CheckLabel(owner, "&File", second);
  EXPECT_TRUE(owner.view.inserted.empty());
}

TEST(CheckLabel, FindingsAreCountedErrorLines) {
  RecordingOwner owner;
  KeyRegistry registry;
  for (const char* label : {"(F)", "&a", "&A", "plain"}) CheckLabel(owner, label, registry);
  EXPECT_EQ(owner.errorCount, 2);
  ASSERT_EQ(owner.view.formats.size(), 2u);
  for (const CharFormat& f : owner.view.formats) EXPECT_EQ(f.crTextColor, CharFormat::kRed);
  EXPECT_EQ(owner.view.text, kMissing + "(F)\r\n" + kDuplicate + "&A, &a\r\n");
}

}  // namespace
}  // namespace quillet
