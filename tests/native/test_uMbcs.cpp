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

TEST(Mbcs, UpperCaseLeavesSecondBytesAlone) {
  EXPECT_EQ(mbcs::UpperCase("fooUninst" + kA + "a"), "FOOUNINST" + kA + "A");
  EXPECT_EQ(mbcs::UpperCase("\x83\x61"), "\x83\x61");  // "ャ"-like pair whose trail is 'a'
}

TEST(Mbcs, LastDelimiterSkipsSecondBytes) {
  EXPECT_EQ(mbcs::LastDelimiter("\\", "C:\\dir\\" + kHyou), 6u);
  EXPECT_EQ(mbcs::LastDelimiter("\\:", kHyou), std::string::npos);
  EXPECT_EQ(mbcs::LastDelimiter("\\", "a\\" + kHyou + "\\"), 4u);
  // Any set of delimiter bytes, the last of any of them; none in an empty set or text.
  EXPECT_EQ(mbcs::LastDelimiter("\\:", "a:b\\c"), 3u);
  EXPECT_EQ(mbcs::LastDelimiter(".\\:", "a\\b.c:d"), 5u);
  EXPECT_EQ(mbcs::LastDelimiter("", "a\\b"), std::string::npos);
  EXPECT_EQ(mbcs::LastDelimiter("\\:", ""), std::string::npos);
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

TEST(Mbcs, TrimControlBytesRemovesBytesUpToBlankAtBothEnds) {
  EXPECT_EQ(mbcs::TrimControlBytes(std::string(" \t\r\n\0C:\\x y\0\0 ", 14)), "C:\\x y");
  EXPECT_EQ(mbcs::TrimControlBytes(std::string("\0\0", 2)), "");
  EXPECT_EQ(mbcs::TrimControlBytes(""), "");
  EXPECT_EQ(mbcs::TrimControlBytes("\x81\x40"), "\x81\x40");  // a double-byte blank is not a control byte
  EXPECT_EQ(mbcs::TrimControlBytes(" \t\x1a[rename]\r\x01 "), "[rename]");
  EXPECT_EQ(mbcs::TrimControlBytes(" \t "), "");
  // Bytes above 0x20 stay, including the lead bytes of code page 932.
  EXPECT_EQ(mbcs::TrimControlBytes("\x81\x40x"), "\x81\x40x");
}


TEST(Mbcs, FormatTextSubstitutesTheArgumentWithoutReadingItAsAFormat) {
  struct Case {
    std::string format, arg, expected;
  } cases[] = {
      {"%sスクリーンセーバー Uninstaller", "Foo", "Fooスクリーンセーバー Uninstaller"},
      {"%s のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました", "100%s%d",
       "100%s%d のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました"},
      {"%s", "", ""},
      {"a%%b%s", "x", "a%bx"},
      {"tail%", "x", "tail%"},
      {"%d%s", "x", "%dx"},
      {"no format", "x", "no format"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(mbcs::FormatText(c.format, c.arg), c.expected) << c.format;
  }
}

}  // namespace
