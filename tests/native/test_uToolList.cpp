// `exeadder list`, run in-process on files in a folder of its own.
#include <gtest/gtest.h>

#include <string>

#include "exeadder/uExeAdderTool.h"
#include "support/ToolFolder.h"

namespace {

using exeaddertool::RunExeAdder;
using exeaddertool::TToolResult;
using testsupport::kToolGuid;
using testsupport::ToolFolder;

// Where the block lies, its key, every item (stored size, preview of text or bytes) and the item
// that the uninstaller takes for the mutex name.
TEST(ToolList, ShowsTheBlockAndEveryItem) {
  ToolFolder F;
  ASSERT_EQ(testsupport::AddEveryKindBehindTheImage(F).ExitCode, 0);
  const TToolResult R = RunExeAdder({"list", F("out.exe")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("at offset 1536, found behind the image, 8 bytes of other data behind it\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("key 0x001234A5 (names scrambled with 0xA5), 5 items\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  1. \"GUID\"  compressed, "), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find(std::string("38 bytes inflated  \"") + kToolGuid + "\"\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find(u8"  2. \"サンプル\"  plain, 8 bytes  \"Readme\\r\\n\"\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  3. \"Empty\"  plain, 0 bytes\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  4. \"Bytes\"  plain, 3 bytes  hex 01 02 FF\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("the uninstaller checks the mutex named by item 1 \"GUID\"\n"), std::string::npos) << R.Out;
}

}  // namespace
