#include <gtest/gtest.h>

#include "system/uRegistry.h"

namespace {

using registry::DequoteString;
using registry::SplitRegistryPath;
using registry::StripTrailingDelimiter;

// "表" (0x95 0x5C) ends in the byte of "\"; "ソ" (0x83 0x5C) too.
const std::string kHyou = "\x95\x5C";
const std::string kSo = "\x83\x5C";

TEST(SplitRegistryPath, SplitsAtTheLastDelimiterOutsideDoubleByteCharacters) {
  struct Case {
    std::string path, key, value;
  } cases[] = {
      {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Foo\\UninstallString",
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Foo", "UninstallString"},
      {"ValueOnly", "", "ValueOnly"},
      {"", "", ""},
      {"\\Key\\Value", "Key", "Value"},
      {"\\Value", "", "Value"},
      {"Key\\", "Key", ""},
      {"Key\\Sub\\\\Value", "Key\\Sub\\", "Value"},  // only one trailing "\" goes
      {"Key\\" + kHyou + "Value", "Key", kHyou + "Value"},
      {"Key\\Val" + kSo, "Key", "Val" + kSo},
      {"Key\\drive:value", "Key\\drive:", "value"},  // ":" splits and stays with the key
      {"C:Value", "C:", "Value"},
      {"Key\\" + kHyou, "Key", kHyou},
  };
  for (const auto& c : cases) {
    const auto split = SplitRegistryPath(c.path);
    EXPECT_EQ(split.KeyPath, c.key) << c.path;
    EXPECT_EQ(split.ValueName, c.value) << c.path;
  }
}

TEST(StripTrailingDelimiter, RemovesOneMatchingLastByte) {
  struct Case {
    std::string text, delimiter, expected;
  } cases[] = {
      {"", "\\", ""},
      {"Key\\", "\\", "Key"},
      {"Key\\\\", "\\", "Key\\"},
      {"Key", "\\", "Key"},
      {"\\", "\\", ""},
      {"Key\\", "\\\\", "Key\\"},  // a delimiter longer than one byte never matches
      {"Key\\", "", "Key\\"},
      {kHyou, "\\", "\x95"},  // only the last byte is looked at
      {"a/", "/", "a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StripTrailingDelimiter(c.text, c.delimiter), c.expected) << c.text;
  }
}

TEST(DequoteString, TakesTheQuotedPartOrFallsBackToTheText) {
  struct Case {
    std::string text, expected;
  } cases[] = {
      {"\"C:\\Program Files\\Foo\\FooUninst.exe\"", "C:\\Program Files\\Foo\\FooUninst.exe"},
      {"\"C:\\Foo\\FooUninst.exe\" /S arg", "C:\\Foo\\FooUninst.exe"},
      {"C:\\Foo\\FooUninst.exe", "C:\\Foo\\FooUninst.exe"},
      {"C:\\Foo\\\"x\"", "C:\\Foo\\\"x\""},
      {"", ""},
      {"\"\"", "\"\""},                // an empty quoted part gives the text back
      {"\"\" rest", "\"\" rest"},
      {"\"", "\""},                    // a lone quote
      {"\"a\"\"b\"", "a\"b"},          // a doubled quote is one quote
      {"\"a\"\"\"", "a\""},
      {"\"\"\"\"", "\""},
      // Never closed: everything after the opening quote, what the user meant as the path.
      {"\"C:\\Foo\\FooUninst.exe", "C:\\Foo\\FooUninst.exe"},
      {"\"a\"\"b", "a\"b"},
      // The second byte of a double-byte character is never a quote or a delimiter.
      {"\"C:\\" + kHyou + "\\x.exe\"", "C:\\" + kHyou + "\\x.exe"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DequoteString(c.text, '"'), c.expected) << c.text;
  }
}

TEST(DequoteString, TrailByteEqualToTheQuoteDoesNotClose) {
  // With "\" as the quote, the trail byte 0x5C of "表" must not close the quoted part.
  EXPECT_EQ(DequoteString("\\a" + kHyou + "b\\c", '\\'), "a" + kHyou + "b");
  EXPECT_EQ(DequoteString("'it''s' x", '\''), "it's");
}

}  // namespace
