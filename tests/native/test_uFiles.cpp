#include <gtest/gtest.h>

#include "system/uFiles.h"

namespace {

// "表" is 0x95 0x5C in code page 932: its second byte is "\".
const std::string kHyou = "\x95\x5C";

TEST(Files, TrailBackslashIsNoDelimiter) {
  struct Case { std::string path, name, folder; } cases[] = {
      {"C:\\dir\\" + kHyou + ".scr", kHyou + ".scr", "C:\\dir\\"},
      {"C:\\" + kHyou, kHyou, "C:\\"},
      {"C:" + kHyou + "x", kHyou + "x", "C:"},
      {"plain", "plain", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(files::ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(files::ExtractFilePath(c.path), c.folder) << c.path;
  }
}

TEST(Files, ChangeFileExt) {
  EXPECT_EQ(files::ChangeFileExt("C:\\a.b\\Foo.scr", ".txt"), "C:\\a.b\\Foo.txt");
  EXPECT_EQ(files::ChangeFileExt("C:\\a.b\\Foo", ".txt"), "C:\\a.b\\Foo.txt");
  // The extension taken off: the application's title from its file name.
  EXPECT_EQ(files::ChangeFileExt(files::ExtractFileName("C:\\x\\FooUninst.exe"), ""), "FooUninst");
}

TEST(Files, FolderLinesEndInTheirDelimiter) {
  struct Case {
    std::string path;
    bool endsWithDelimiter;
    std::string withDelimiter;
  } cases[] = {
      {"C:\\dir\\", true, "C:\\dir\\"},
      {"C:\\dir", false, "C:\\dir\\"},
      {"C:\\" + kHyou, false, "C:\\" + kHyou + "\\"},  // the trail byte 0x5C is no delimiter
      {"", false, "\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(files::EndsWithDelimiter(c.path), c.endsWithDelimiter) << c.path;
    EXPECT_EQ(files::IncludeTrailingDelimiter(c.path), c.withDelimiter) << c.path;
  }
}

}  // namespace
