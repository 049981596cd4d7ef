#include <gtest/gtest.h>

#include "system/uPaths_win.h"
#include "win32/win32_test_support.h"

namespace {

using testsupport::SystemShortPath;

class ShortPath : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = testsupport::FreshTempFolder("uninst short path test"); }
  std::string folder_;
};

TEST_F(ShortPath, LongPathsGiveTheSystemsShortForm) {
  const std::string file = folder_ + "A Rather Long File Name.scr";
  const std::string japanese = folder_ + "表示スクリーンセーバー.scr";  // Wine: an ASCII alias
  const std::string folder = folder_ + "Long Folder Name";
  ASSERT_TRUE(testsupport::WriteFileBytes(file, "x"));
  ASSERT_TRUE(testsupport::WriteFileBytes(japanese, "x"));
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  for (const std::string& path : {file, japanese, folder, folder + "\\"}) {
    const std::string expected = SystemShortPath(path);
    ASSERT_FALSE(expected.empty()) << path;
    ASSERT_LT(expected.size(), path.size()) << path;
    EXPECT_EQ(paths::GetShortPath(path), expected) << path;
  }
}

TEST_F(ShortPath, FallsBackToTheInput) {
  const std::string shortFile = SystemShortPath(folder_) + "A.TXT";
  ASSERT_TRUE(testsupport::WriteFileBytes(shortFile, "x"));
  const std::string cases[] = {
      folder_ + "Missing File Name.scr",  // no such path
      shortFile,                          // already short: the short form does not fit
      "C:\\",
      "",
  };
  for (const std::string& path : cases) EXPECT_EQ(paths::GetShortPath(path), path) << path;
}

}  // namespace
