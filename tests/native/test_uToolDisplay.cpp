// How the builder's tool shows bytes on a Linux terminal (UTF-8): quoted names and texts,
// previews of data, numbers and counts.
#include <gtest/gtest.h>

#include <string>

#include "exeadder/uToolDisplay.h"

namespace {

using namespace tooldisplay;

TEST(ToolDisplay, QuotesTextAsTheConsoleShowsIt) {
  struct Case { std::string Bytes; std::string Shown; } cases[] = {
      {"GUID", "\"GUID\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"Readme\r\n\t", "\"Readme\\r\\n\\t\""},
      {std::string("\x01\0\x7F", 3), "\"\\x01\\x00\\x7F\""},
      {"\x83\x54\x83\x93\x83\x76\x83\x8B", u8"\"サンプル\""},      // code page 932, shown as UTF-8
      {"\x95\x5C", u8"\"表\""},                                    // a second byte 0x5C is no backslash
      {"\xB1\xB2", u8"\"ｱｲ\""},                                    // half-width katakana
      {"x\x83", "\"x\\x83\""},                                     // a lead byte without its second byte
  };
  for (const Case& c : cases) EXPECT_EQ(Quoted(c.Bytes), c.Shown) << c.Shown;
  EXPECT_EQ(Quoted("abcdef", 3), "\"abc\"...");
  // A pair that code page 932 has no character for: everything beyond ASCII escaped.
  EXPECT_EQ(ConsoleText("a\x85\x40"), "a\\x85@");
  EXPECT_EQ(ConsoleText("\x83\x54"), u8"サ");
}

TEST(ToolDisplay, PreviewsTextOrTheFirstBytesInHex) {
  EXPECT_EQ(Preview("Readme\r\n"), "\"Readme\\r\\n\"");
  EXPECT_EQ(Preview(std::string(60, 'x')), "\"" + std::string(48, 'x') + "\"...");
  EXPECT_EQ(Preview(std::string("\x01\x02\xFF", 3)), "hex 01 02 FF");
  EXPECT_EQ(Preview(std::string(20, '\0')), "hex 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ...");
}

TEST(ToolDisplay, NumbersAndCounts) {
  EXPECT_EQ(Hex2(0x0A), "0A");
  EXPECT_EQ(HexNumber(0x1234A5), "0x001234A5");
  EXPECT_EQ(ByteCount(1), "1 byte");
  EXPECT_EQ(ByteCount(0), "0 bytes");
  EXPECT_EQ(ByteCount(-3), "-3 bytes");
}

}  // namespace
