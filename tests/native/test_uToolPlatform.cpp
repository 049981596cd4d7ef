// What the builder's tool takes from the operating system, on Linux: files, writing beside a
// file and renaming, the console's encoding.
#include <gtest/gtest.h>

#include <string>

#include "appended/uStreamUtils.h"
#include "exeadder/uToolPlatform.h"
#include "support/TempFolder.h"

namespace {

using testsupport::TempFolder;

TEST(ToolPlatform, TellsFilesAndTheSameFileSpeltOtherwise) {
  TempFolder folder("toolplatform_test_");
  folder.Put("a.exe", "a");
  folder.Put("b.exe", "a");
  EXPECT_TRUE(toolplatform::IsFile(folder("a.exe")));
  EXPECT_FALSE(toolplatform::IsFile(folder.Dir().string()));
  EXPECT_FALSE(toolplatform::IsFile(folder("none.exe")));
  EXPECT_TRUE(toolplatform::SameFile(folder("a.exe"), folder("./a.exe")));
  EXPECT_FALSE(toolplatform::SameFile(folder("a.exe"), folder("b.exe")));
  EXPECT_FALSE(toolplatform::SameFile(folder("a.exe"), folder("none.exe")));
}

// The temporary file lies beside the target and takes its place whole; one that cannot be
// created leaves nothing.
TEST(ToolPlatform, WritesBesideAndReplaces) {
  TempFolder folder("toolplatform_test_");
  folder.Put("out.exe", "old");
  const std::string temp = toolplatform::WriteTempBeside(folder("out.exe"), "new contents");
  EXPECT_EQ(temp.rfind(folder("out.exe."), 0), 0u) << temp;
  EXPECT_EQ(folder.Read("out.exe"), "old");
  toolplatform::ReplaceWith(temp, folder("out.exe"));
  EXPECT_EQ(folder.Read("out.exe"), "new contents");
  EXPECT_FALSE(toolplatform::IsFile(temp));

  EXPECT_THROW(toolplatform::WriteTempBeside(folder("none/out.exe"), "x"), EWriteError);
  EXPECT_THROW(toolplatform::ReplaceWith(folder("gone.tmp"), folder("out.exe")), EWriteError);
  toolplatform::RemoveFile(folder("out.exe"));
  toolplatform::RemoveFile(folder("out.exe"));  // quietly, when nothing is there
  EXPECT_FALSE(toolplatform::IsFile(folder("out.exe")));
}

TEST(ToolPlatform, ConsoleShowsCodePage932AsUtf8) {
  std::string shown;
  ASSERT_TRUE(toolplatform::ToConsoleText("GUID \x83\x54\x83\x93\x83\x76\x83\x8B", shown));
  EXPECT_EQ(shown, u8"GUID サンプル");
  EXPECT_FALSE(toolplatform::ToConsoleText("\x83", shown));  // a lead byte without its second byte
}

}  // namespace
