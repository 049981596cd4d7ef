// `exeadder --help`, alone or among any command's options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exeadder/uExeAdderTool.h"

namespace {

using exeaddertool::RunExeAdder;
using exeaddertool::TToolResult;

TEST(ToolUsage, HelpDescribesEveryCommand) {
  for (const std::vector<std::string>& Args : {std::vector<std::string>{"--help"}, {"add", "--help"}, {"list", "x", "--help"}}) {
    const TToolResult R = RunExeAdder(Args);
    EXPECT_EQ(R.ExitCode, 0);
    EXPECT_EQ(R.Err, "");
    for (const char* Word : {"exeadder stamp", "exeadder add", "exeadder list", "exeadder strip", "--replace", "--in-place",
                             "--behind-image", "--trailer", "--key", "--ztext", "--zfile", "--for-signing", "--unsign",
                             "Authenticode", "Exit status"})
      EXPECT_NE(R.Out.find(Word), std::string::npos) << Word;
  }
}

}  // namespace
