#include <gtest/gtest.h>

#include "system/uWininit.h"

using wininit::TLines;

namespace {

const wininit::TSameText kSame = wininit::SameTextAscii;

TEST(Wininit, SplitLinesAcceptsEveryLineEnd) {
  EXPECT_EQ(wininit::SplitLines("a\r\nb\nc\rd"), (TLines{"a", "b", "c", "d"}));
  EXPECT_EQ(wininit::SplitLines("a\r\n\r\nb\r\n"), (TLines{"a", "", "b"}));
  EXPECT_EQ(wininit::SplitLines("a\n\rb"), (TLines{"a", "", "b"}));
  EXPECT_EQ(wininit::SplitLines(""), TLines{});
  EXPECT_EQ(wininit::SplitLines("\r\n"), TLines{""});
}

TEST(Wininit, JoinLinesEndsEveryLineWithCrLf) {
  EXPECT_EQ(wininit::JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(wininit::JoinLines({}), "");
}

TEST(Wininit, RenameHeaderFollowsTheProfileFunctionsReading) {
  struct TCase {
    const char* line;
    bool rename;
  };
  const TCase cases[] = {
      {"[rename]", true},
      {"[RENAME]", true},
      {"[ReNaMe]", true},
      {"  [rename]  ", true},
      {"\t[rename]\t", true},
      {"[rename] ; comment", true},   // the name ends at the last "]"
      {"[rename]]", false},           // name "rename]"
      {"[ rename ]", false},          // blanks inside the brackets belong to the name
      {"[renamed]", false},
      {"[rename", false},             // no "]": not a header at all
      {"rename", false},
      {"NUL=[rename]", false},
      {"", false},
      // 0x5D as the second byte of a double-byte character is no closing bracket.
      {"[rename\x81]", false},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(wininit::IsRenameHeader(c.line, kSame), c.rename) << '"' << c.line << '"';
  }
}

TEST(Wininit, ParseSectionHeaderGivesTheName) {
  std::string name;
  ASSERT_TRUE(wininit::ParseSectionHeader("  [boot] x", &name));
  EXPECT_EQ(name, "boot");
  ASSERT_TRUE(wininit::ParseSectionHeader("[]", &name));
  EXPECT_EQ(name, "");
  EXPECT_FALSE(wininit::ParseSectionHeader("[boot", &name));
  EXPECT_FALSE(wininit::ParseSectionHeader("x[boot]", &name));
}

TEST(Wininit, CollectsEntriesUnchangedSkippingBlankLines) {
  const TLines lines = {
      "[boot]",        "shell=Explorer.exe",   "",
      "[Rename]",      "NUL=C:\\OLD1.TXT",      "   ",
      "  NUL=C:\\OLD2.TXT", "C:\\NEW.TXT=C:\\SRC.TXT", "\t",
      "[other]",       "NUL=C:\\NOT.TXT",
  };
  EXPECT_EQ(wininit::CollectRenameEntries(lines, kSame),
            (TLines{"NUL=C:\\OLD1.TXT", "  NUL=C:\\OLD2.TXT", "C:\\NEW.TXT=C:\\SRC.TXT"}));
}

TEST(Wininit, CollectsFromEveryRenameSectionTheProfileFunctionsSee) {
  const TLines lines = {
      "NUL=C:\\BEFORE.TXT",  // outside every section
      " [rename] ",          "NUL=C:\\A.TXT",
      "[ rename ]",          "NUL=C:\\IGNORED.TXT",
      "[RENAME]",            "NUL=C:\\B.TXT",
      "[unclosed",           "NUL=C:\\C.TXT",  // still inside [RENAME] for the profile functions
      "[x]",                 "NUL=C:\\D.TXT",
  };
  EXPECT_EQ(wininit::CollectRenameEntries(lines, kSame),
            (TLines{"NUL=C:\\A.TXT", "NUL=C:\\B.TXT", "[unclosed", "NUL=C:\\C.TXT"}));
}

TEST(Wininit, NoRenameSectionCollectsNothing) {
  EXPECT_TRUE(wininit::CollectRenameEntries({"[boot]", "a=b"}, kSame).empty());
  EXPECT_TRUE(wininit::CollectRenameEntries({}, kSame).empty());
  EXPECT_TRUE(wininit::CollectRenameEntries({"[rename]", "", " "}, kSame).empty());
}

TEST(Wininit, TheComparisonIsTheCallersToChoose) {
  const wininit::TSameText exact = [](const std::string& a, const std::string& b) { return a == b; };
  EXPECT_TRUE(wininit::IsRenameHeader("[rename]", exact));
  EXPECT_FALSE(wininit::IsRenameHeader("[RENAME]", exact));
}

TEST(Wininit, BuildPutsTheNewSectionLast) {
  EXPECT_EQ(wininit::BuildWininitContent({}, {wininit::DeleteEntry("C:\\TEMP\\A.EXE")}),
            "[rename]\r\nNUL=C:\\TEMP\\A.EXE\r\n");
  EXPECT_EQ(wininit::BuildWininitContent({"", "[boot]", "a=b", "", "[x]"}, {"  NUL=C:\\O", "NUL=C:\\N"}),
            "\r\n[boot]\r\na=b\r\n\r\n[x]\r\n[rename]\r\n  NUL=C:\\O\r\nNUL=C:\\N\r\n");
}

TEST(Wininit, RoundTripOfCollectAndBuildKeepsEarlierEntriesFirst) {
  // Two calls in a row, the second reading what the first wrote (its old section erased).
  std::string file = wininit::BuildWininitContent({}, {wininit::DeleteEntry("C:\\A")});
  TLines entries = wininit::CollectRenameEntries(wininit::SplitLines(file), kSame);
  entries.push_back(wininit::DeleteEntry("C:\\B"));
  file = wininit::BuildWininitContent({}, entries);
  EXPECT_EQ(file, "[rename]\r\nNUL=C:\\A\r\nNUL=C:\\B\r\n");
}

}  // namespace
