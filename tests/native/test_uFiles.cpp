#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Paths that a program writing with administrator rights must not open as files: they reach a
// device, a pipe whose server could act as the program, or skip the system's reading of paths.
TEST(Files, DeviceAndRawPaths) {
  struct Case {
    std::string path;
    bool refused;
  } cases[] = {
      {"\\\\.\\C:", true},
      {"\\\\.\\pipe\\x", true},
      {"\\\\?\\C:\\x.log", true},
      {"\\??\\C:\\x.log", true},
      {"//./pipe/x", true},
      {"\\\\.", true},
      {"\\\\server\\PIPE\\x", true},
      {"\\\\127.0.0.1\\pipe", true},
      {"\\\\server\\share\\x.log", false},
      {"\\\\server\\pipes\\x.log", false},
      {"C:\\Logs\\x.log", false},
      {"C:\\" + kHyou + "\\.\\x.log", false},
      {"x.log", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(files::IsDeviceOrRawPath(c.path), c.refused) << c.path;
}

TEST(Files, FoldersOnTheWayBelowTheRoot) {
  using TFolders = std::vector<std::string>;
  struct Case {
    std::string folder;
    TFolders folders;
  } cases[] = {
      {"C:\\Users\\u\\Temp\\", {"C:\\Users", "C:\\Users\\u", "C:\\Users\\u\\Temp"}},
      {"c:/a/b", {"c:\\a", "c:\\a\\b"}},
      {"C:\\a\\\\b\\", {"C:\\a", "C:\\a\\\\b"}},
      // The second byte of "表" is no delimiter.
      {"C:\\" + kHyou + "\\x", {"C:\\" + kHyou, "C:\\" + kHyou + "\\x"}},
      {"\\\\server\\share\\a\\", {"\\\\server\\share\\a"}},
      {"C:\\", {}},
      {"\\\\server\\share", {}},
      {"\\\\server\\share\\", {}},
      {"Temp\\", {}},
      {"\\Temp\\", {}},
      {"\\\\?\\C:\\Temp\\", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(files::FoldersOnTheWay(c.folder), c.folders) << c.folder;
}

TEST(Files, RootFolders) {
  for (const char* root : {"C:\\", "z:/", "\\\\server\\share", "\\\\server\\share\\", "//server/share/"}) {
    EXPECT_TRUE(files::IsRootFolder(root)) << root;
  }
  for (const char* other : {"C:", "C:\\a", "C:\\a\\", "\\\\server\\share\\a", "\\\\server", "Temp\\", "\\Temp\\",
                            "\\\\?\\C:\\", "\\\\.\\C:", "\\\\server\\pipe\\", "1:\\", ""}) {
    EXPECT_FALSE(files::IsRootFolder(other)) << other;
  }
}

}  // namespace
