#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "base/uWholeFile.h"
#include "support/TempFolder.h"

namespace {

// What the callers tell apart: the bytes, no file (a folder counts as none), and other errors,
// with the content left as it was on every failure.
TEST(WholeFile, ReadsTheBytesOrTellsWhyNot) {
  testsupport::TempFolder folder;
  const std::string bytes("[rename]\r\nNUL=C:\\x\0y", 20);
  folder.Put("a.ini", bytes);
  folder.Put("empty.ini", "");
  std::string content = "untouched";
  EXPECT_EQ(ReadWholeFile(folder("missing.ini"), content), kNoSuchFile);
  EXPECT_EQ(ReadWholeFile(folder("missing/a.ini"), content), kNoSuchFile);
  EXPECT_EQ(ReadWholeFile(folder.Dir().string(), content), kNoSuchFile);
  EXPECT_EQ(content, "untouched");
  EXPECT_EQ(ReadWholeFile(folder("a.ini"), content), 0u);
  EXPECT_EQ(content, bytes);
  EXPECT_EQ(ReadWholeFile(folder("empty.ini"), content), 0u);
  EXPECT_EQ(content, "");
}

// Whether the file opened, for the callers that say which of opening and reading failed: only a
// file that was there and opened counts as opened, one too large to take included.
TEST(WholeFile, SaysWhetherTheFileOpened) {
  testsupport::TempFolder folder;
  folder.Put("a.ini", "x");
  folder.Put("large.bin", "");
  std::error_code error;
  std::filesystem::resize_file(folder("large.bin"), std::uintmax_t{1} << 31, error);
  const struct {
    std::string path;
    unsigned long code;
    bool opened;
  } cases[] = {
      {folder("missing.ini"), kNoSuchFile, false},
      {folder.Dir().string(), kNoSuchFile, false},
      {folder("a.ini"), 0, true},
      {folder("large.bin"), kFileTooLarge, true},
  };
  for (const auto& c : cases) {
    if (c.code == kFileTooLarge && error) continue;  // no sparse file of 2 GiB here
    std::string content;
    bool opened = !c.opened;
    EXPECT_EQ(ReadWholeFile(c.path, content, &opened), c.code) << c.path;
    EXPECT_EQ(opened, c.opened) << c.path;
  }
}

}  // namespace
