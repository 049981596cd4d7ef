#include <windows.h>

#include <gtest/gtest.h>

#include "system/uMbcs.h"

// Under Wine with LC_ALL=ja_JP.UTF-8 the ANSI code page is 932, as on a Japanese system.
TEST(Mbcs, AnsiCodePageIs932) { EXPECT_EQ(GetACP(), 932u); }

TEST(Mbcs, SystemLeadBytesAgreeWithTheTable) {
  for (int b = 0; b < 256; ++b) {
    const bool table = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    EXPECT_EQ(mbcs::IsLeadByte(static_cast<unsigned char>(b)), table) << b;
  }
}

TEST(Mbcs, TrailBackslashIsNoDelimiter) {
  const std::string path = "C:\\dir\\\x95\x5CUninst.exe";
  EXPECT_EQ(mbcs::LastDelimiter("\\", path), 6u);
  EXPECT_EQ(mbcs::UpperCase("fooUninst.exe"), "FOOUNINST.EXE");
}
