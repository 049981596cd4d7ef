#include <gtest/gtest.h>

#include <string>

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

}  // namespace
