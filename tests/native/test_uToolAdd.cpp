// `exeadder add`, run in-process on files in a folder of its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exeadder/uExeAdderTool.h"
#include "support/ToolFolder.h"

namespace {

using exeaddertool::TToolResult;
using testsupport::ItemsOf;
using testsupport::kSampleName932;
using testsupport::kToolGuid;
using testsupport::ToolFolder;

// Items of every kind (compressed text, a file, empty, bytes that are not text, a name that looks
// like an option), in the order given, behind the image with a trailer behind the block.
TEST(ToolAdd, EveryKindOfItemBehindTheImage) {
  ToolFolder F;
  const TToolResult R = testsupport::AddEveryKindBehindTheImage(F);
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(ItemsOf(F("out.exe")), (std::vector<std::string>{std::string("GUID=") + kToolGuid + " (z)", kSampleName932 + "=Readme\r\n",
                                                              "Empty=", std::string("Bytes=\x01\x02\xFF", 9), "--help=--"}));
  EXPECT_EQ(F.Read("out.exe").substr(F.Read("out.exe").size() - 8), "Readme\r\n");
}

}  // namespace
