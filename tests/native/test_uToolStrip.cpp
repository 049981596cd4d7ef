// `exeadder strip`, run in-process on files in a folder of its own.
#include <gtest/gtest.h>

#include <string>

#include "exeadder/uExeAdderTool.h"
#include "support/ToolFolder.h"

namespace {

using exeaddertool::RunExeAdder;
using exeaddertool::TToolResult;
using testsupport::ToolFolder;

// Stripping keeps the data behind the block; in place, OUT may be left out.
TEST(ToolStrip, KeepsTheDataBehindTheBlock) {
  ToolFolder F;
  ASSERT_EQ(testsupport::AddEveryKindBehindTheImage(F).ExitCode, 0);
  const TToolResult R = RunExeAdder({"strip", "--in-place", F("out.exe")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(F.Read("out.exe"), F.Read("Uninst.exe") + "Readme\r\n");
  EXPECT_EQ(F.Names().size(), ToolFolder().Names().size() + 1);
}

}  // namespace
