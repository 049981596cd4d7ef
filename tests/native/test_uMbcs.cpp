#include <gtest/gtest.h>

#include "system/uMbcs.h"

namespace {

// "表" is 0x95 0x5C in code page 932: its second byte is "\".
const std::string kHyou = "\x95\x5C";
// "ア" (0x83 0x41): its second byte is the ASCII letter "A".
const std::string kA = "\x83\x41";

TEST(Mbcs, LiteralsAreCodePage932Bytes) {
  EXPECT_EQ(std::string("表"), kHyou);
  EXPECT_EQ(std::string("以下"), "\x88\xC8\x89\xBA");
}

TEST(Mbcs, TrailBackslashIsNoDelimiter) {
  struct Case { std::string path, name, folder; } cases[] = {
      {"C:\\dir\\" + kHyou + ".scr", kHyou + ".scr", "C:\\dir\\"},
      {"C:\\" + kHyou, kHyou, "C:\\"},
      {"C:" + kHyou + "x", kHyou + "x", "C:"},
      {"plain", "plain", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(mbcs::ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(mbcs::ExtractFilePath(c.path), c.folder) << c.path;
  }
}

TEST(Mbcs, UpperCaseLeavesSecondBytesAlone) {
  EXPECT_EQ(mbcs::UpperCase("fooUninst" + kA + "a"), "FOOUNINST" + kA + "A");
  EXPECT_EQ(mbcs::UpperCase("\x83\x61"), "\x83\x61");  // "ャ"-like pair whose trail is 'a'
}

TEST(Mbcs, FindOnlyAtCharacterBoundaries) {
  // The trail byte 0x55 ('U') of 0x83 0x55 must not start a match of "UNINST".
  const std::string hay = std::string("\x83") + "UNINSTxUNINST";
  EXPECT_EQ(mbcs::FindAtCharBoundary(hay, "UNINST"), 8u);
  EXPECT_EQ(mbcs::FindAtCharBoundary("abc", "UNINST"), std::string::npos);
  // First bytes that match without the rest, a match that ends the text, a needle too long.
  EXPECT_EQ(mbcs::FindAtCharBoundary("UNUNINUNINST", "UNINST"), 6u);
  EXPECT_EQ(mbcs::FindAtCharBoundary("UNINS", "UNINST"), std::string::npos);
  EXPECT_EQ(mbcs::FindAtCharBoundary("x", ""), 0u);
}

TEST(Mbcs, LastDelimiterOfAnySetOnCharacterBoundaries) {
  EXPECT_EQ(mbcs::LastDelimiter("\\:", "a:b\\c"), 3u);
  EXPECT_EQ(mbcs::LastDelimiter(".", "a.b.c"), 3u);
  EXPECT_EQ(mbcs::LastDelimiter("\\", "a\\" + kHyou), 1u);  // the 0x5C of the trail byte is skipped
  EXPECT_EQ(mbcs::LastDelimiter("", "a\\b"), std::string::npos);
  EXPECT_EQ(mbcs::LastDelimiter("\\:", ""), std::string::npos);
}

TEST(Mbcs, ChangeFileExt) {
  EXPECT_EQ(mbcs::ChangeFileExt("C:\\a.b\\Foo.scr", ".txt"), "C:\\a.b\\Foo.txt");
  EXPECT_EQ(mbcs::ChangeFileExt("C:\\a.b\\Foo", ".txt"), "C:\\a.b\\Foo.txt");
}

}  // namespace
