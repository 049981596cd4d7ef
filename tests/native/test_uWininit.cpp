#include <gtest/gtest.h>

#include "support/WininitText.h"
#include "system/uWininit.h"

using wininit::TLines;

namespace {

const wininit::TSameText kSame = testsupport::SameTextAscii;

TEST(Wininit, SplitLinesAcceptsEveryLineEnd) {
  EXPECT_EQ(wininit::SplitLines("a\r\nb\nc\rd"), (TLines{"a", "b", "c", "d"}));
  EXPECT_EQ(wininit::SplitLines("a\r\n\r\nb\r\n"), (TLines{"a", "", "b"}));
  EXPECT_EQ(wininit::SplitLines("a\n\rb"), (TLines{"a", "", "b"}));
  EXPECT_EQ(wininit::SplitLines(""), TLines{});
  EXPECT_EQ(wininit::SplitLines("\r\n"), TLines{""});
  // A lone CR or LF at either end, CR CR LF, and breaks of one kind far apart from the other.
  EXPECT_EQ(wininit::SplitLines("\r"), TLines{""});
  EXPECT_EQ(wininit::SplitLines("\na"), (TLines{"", "a"}));
  EXPECT_EQ(wininit::SplitLines("a\r\r\nb"), (TLines{"a", "", "b"}));
  EXPECT_EQ(wininit::SplitLines("a\nb\nc\rd\r\n\n"), (TLines{"a", "b", "c", "d", ""}));
  EXPECT_EQ(wininit::SplitLines("no break"), TLines{"no break"});
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
    EXPECT_EQ(testsupport::IsRenameHeader(c.line, kSame), c.rename) << '"' << c.line << '"';
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
  EXPECT_TRUE(testsupport::IsRenameHeader("[rename]", exact));
  EXPECT_FALSE(testsupport::IsRenameHeader("[RENAME]", exact));
}

TEST(Wininit, BuildPutsTheNewSectionLast) {
  EXPECT_EQ(wininit::BuildWininitContent({}, {wininit::DeleteEntry("C:\\TEMP\\A.EXE")}, kSame),
            "[rename]\r\nNUL=C:\\TEMP\\A.EXE\r\n");
  EXPECT_EQ(wininit::BuildWininitContent({"", "[boot]", "a=b", "", "[x]"}, {"  NUL=C:\\O", "NUL=C:\\N"}, kSame),
            "\r\n[boot]\r\na=b\r\n\r\n[x]\r\n[rename]\r\n  NUL=C:\\O\r\nNUL=C:\\N\r\n");
}

// Whatever the profile erase left of the old sections, the result holds one, at the end.
TEST(Wininit, BuildDropsEveryRenameSectionLeftInTheFile) {
  struct TCase {
    const char* what;
    TLines current;
    TLines kept;
  };
  const TCase cases[] = {
      {"two sections", {"[RENAME]", "NUL=A", "[x]", "k=v", "[rename]", "NUL=B"}, {"[x]", "k=v"}},
      {"header only, then blanks", {"  [rename]  ", "[boot]", "", "[Rename]", " ", ""}, {"[boot]", ""}},
      {"lines before any header stay", {"top", "[rename]", "NUL=A", "[ rename ]", "NUL=C"},
       {"top", "[ rename ]", "NUL=C"}},
      {"an unclosed bracket is no header", {"[rename]", "[unclosed", "[x]", "[unclosed"}, {"[x]", "[unclosed"}},
      {"no rename section", {"[boot]", "a = 1"}, {"[boot]", "a = 1"}},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(wininit::WithoutRenameSections(c.current, kSame), c.kept) << c.what;
    TLines expected = c.kept;
    expected.push_back("[rename]");
    expected.push_back("NUL=N");
    EXPECT_EQ(wininit::BuildWininitContent(c.current, {"NUL=N"}, kSame), wininit::JoinLines(expected)) << c.what;
  }
}

TEST(Wininit, RoundTripOfCollectAndBuildKeepsEarlierEntriesFirst) {
  // Calls in a row, each reading what the last wrote; the profile erase is left out, as though it
  // had removed nothing, and the entries still appear once each.
  const TLines before = {"[RENAME]", "NUL=C:\\A", "[x]", "k=v", "[rename]", "NUL=C:\\B", "NUL=C:\\A"};
  std::string file = wininit::JoinLines(before);
  for (const char* path : {"C:\\N1", "C:\\N2"}) {
    TLines entries = wininit::CollectRenameEntries(wininit::SplitLines(file), kSame);
    entries.push_back(wininit::DeleteEntry(path));
    file = wininit::BuildWininitContent(wininit::SplitLines(file), entries, kSame);
  }
  EXPECT_EQ(file, "[x]\r\nk=v\r\n[rename]\r\nNUL=C:\\A\r\nNUL=C:\\B\r\nNUL=C:\\A\r\nNUL=C:\\N1\r\nNUL=C:\\N2\r\n");
}

}  // namespace
