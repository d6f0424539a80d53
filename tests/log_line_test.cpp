// LogLine and the report's templates. Compiled with -fexec-charset=CP932.
#include "report/log_line.h"

#include <gtest/gtest.h>

#include "recording_view.h"
#include "report/templates.h"

namespace quillet {
namespace {

using testing::RecordingOwner;

TEST(LogLine, RunsTheSevenOperationsInOrder) {
  RecordingOwner owner;
  owner.view.text = "earlier\r\n";
  LogLine(owner, LineSeverity::kInfo, "File : %s", "a.exe");
  const std::vector<std::string> want = {
      "GetTextLength", "ExSetSel 9 9",   "SetCharFormat", "ReplaceSel",
      "GetLineCount",  "LineScroll 0 3", "RedrawNow",
  };
  EXPECT_EQ(owner.view.calls, want);
  EXPECT_EQ(owner.view.text, "earlier\r\nFile : a.exe\r\n");
}

TEST(LogLine, CharacterFormatBySeverity) {
  RecordingOwner owner;
  LogLine(owner, LineSeverity::kInfo, "one");
  owner.windowText = 0x00ABCDEF;  // the user changed the colour scheme
  LogLine(owner, LineSeverity::kInfo, "two");
  LogLine(owner, LineSeverity::kError, "three");
  ASSERT_EQ(owner.view.formats.size(), 3u);
  const CharFormat want[] = {
      {60, 0x40000001, 0, 0x00123456},
      {60, 0x40000001, 0, 0x00ABCDEF},
      {60, 0x40000001, 0, 0x000000FF},
  };
  for (int i = 0; i < 3; ++i) EXPECT_EQ(owner.view.formats[i], want[i]) << i;
  EXPECT_EQ(owner.colorReads, 2);  // read anew per info line, not for errors
  EXPECT_EQ(owner.errorCount, 1);
}

// The counter is raised before the line goes in, and even when the view ignores the line.
TEST(LogLine, ErrorCountRaisedBeforeInsertion) {
  struct Owner : RecordingOwner {
    struct View : testing::RecordingView {
      Owner* owner = nullptr;
      std::vector<int32_t> countAtInsert;
      void ReplaceSel(std::string_view) override { countAtInsert.push_back(owner->errorCount); }
    } deaf;
    LogView& Log() override { return deaf; }
  } owner;
  owner.deaf.owner = &owner;
  LogLine(owner, LineSeverity::kError, "x");
  LogLine(owner, LineSeverity::kInfo, "y");
  LogLine(owner, LineSeverity::kError, "z");
  EXPECT_EQ(owner.deaf.countAtInsert, (std::vector<int32_t>{1, 1, 2}));
}

TEST(LogLine, ExpandsArgumentsWithoutTreatingThemAsTemplates) {
  RecordingOwner owner;
  const std::string longText(10000, 'x');
  LogLine(owner, LineSeverity::kInfo, templates::kTitle, "");
  LogLine(owner, LineSeverity::kInfo, templates::kFile, "C:\\100%s%d%n.exe");
  LogLine(owner, LineSeverity::kInfo, templates::kMenuId, 128);
  LogLine(owner, LineSeverity::kInfo, templates::kDialogId, -1);
  LogLine(owner, LineSeverity::kInfo, templates::kBlank);
  LogLine(owner, LineSeverity::kInfo, "%s", longText.c_str());
  const std::vector<std::string> want = {
      "Title : \r\n",
      "File : C:\\100%s%d%n.exe\r\n",
      "MenuID : 128\r\n",
      "DialogID : -1\r\n",
      " \r\n",
      longText + "\r\n",
  };
  EXPECT_EQ(owner.view.inserted, want);
}

// The templates must reach the view as code page 932 bytes, byte for byte.
TEST(Templates, AreCodePage932Bytes) {
  struct Case {
    const char* templ;
    const char* bytes;
  } cases[] = {
      {templates::kFileLoadFailed,
       "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCC\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xC9\x8E\xB8"
       "\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42"},
      {templates::kMisplacedAmpersand,
       "  &\x82\xCC\x88\xCA\x92\x75\x82\xAA\x88\xD9\x8F\xED \x81\x46%s"},
      {templates::kDoubleByteKey,
       "  \x83\x41\x83\x4E\x83\x5A\x83\x58\x83\x4C\x81\x5B\x82\xAA"
       "2"
       "\x83\x6F\x83\x43\x83\x67\x95\xB6\x8E\x9A : %s"},
      {templates::kFinished,
       "\x8F\x49\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42  \x83\x47\x83\x89\x81\x5B\x90"
       "\x94 : %d"},
      {templates::kDuplicateKey,
       "  \x83\x41\x83\x4E\x83\x5A\x83\x58\x83\x4C\x81\x5B\x82\xCC\x8F\x64\x95\xA1 : %s, %s"},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.templ, c.bytes);
  EXPECT_EQ(std::string(templates::kSeparator), std::string(58, '-'));
  EXPECT_STREQ(templates::kBlank, " ");
}

}  // namespace
}  // namespace quillet
