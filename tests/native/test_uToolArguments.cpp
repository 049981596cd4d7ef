// The builder's tool's command line: positional arguments, the options a command allows, items,
// --key and the output file. A wrong command line is a refusal with exit status 2.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exeadder/uToolArguments.h"
#include "exeadder/uToolRefusal.h"
#include "support/ToolFolder.h"

namespace {

using toolarguments::OutputOf;
using toolarguments::Parse;
using toolarguments::ParseKey;
using toolarguments::TCommandLine;

// The message of the usage refusal that call throws; "" when it throws none.
template <typename TCall>
std::string UsageError(TCall call) {
  const toolrefusal::TRefusal refusal = testsupport::RefusalOf(call);
  if (!refusal.Message.empty()) {
    EXPECT_EQ(refusal.ExitCode, exeaddertool::kExitUsage) << refusal.Message;
  }
  return refusal.Message;
}

TEST(ToolArguments, SplitsPositionalsOptionsAndItems) {
  const TCommandLine line = Parse({"in.exe", "--key", "7", "--in-place", "--ztext", "GUID", "--flag-like text", "--",
                                   "--text", "out.exe"},
                                  {"--key"}, {"--in-place"}, true);
  EXPECT_EQ(line.Positional, (std::vector<std::string>{"in.exe", "--text", "out.exe"}));
  EXPECT_EQ(line.Value("--key"), "7");
  EXPECT_EQ(line.Value("--trailer", "none"), "none");
  EXPECT_TRUE(line.Has("--in-place"));
  ASSERT_EQ(line.Items.size(), 1u);
  EXPECT_EQ(line.Items[0].Name, "GUID");
  EXPECT_EQ(line.Items[0].Value, "--flag-like text");
  EXPECT_FALSE(line.Items[0].FromFile);
  EXPECT_TRUE(line.Items[0].Compressed);

  EXPECT_THROW(Parse({"x", "--help"}, {}, {}, false), toolrefusal::THelpWanted);
  struct Case { std::vector<std::string> Args; bool AllowItems; const char* Says; } cases[] = {
      {{"--text", "GUID", "x"}, false, "unknown option --text"},
      {{"--zfile", "GUID"}, true, "--zfile needs a name and a file"},
      {{"--key"}, false, "--key needs a value"},
      {{"--key", "1", "--key", "2"}, false, "--key is given twice"},
  };
  for (const Case& c : cases) {
    const std::string message = UsageError([&] { Parse(c.Args, {"--key"}, {}, c.AllowItems); });
    EXPECT_EQ(message, std::string(c.Says) + " (exeadder --help describes the commands)") << c.Says;
  }
}

TEST(ToolArguments, KeyIsDecimalOrHexadecimalIn32Bits) {
  EXPECT_EQ(ParseKey("0"), 0u);
  EXPECT_EQ(ParseKey("90"), 0x5Au);
  EXPECT_EQ(ParseKey("0x1234a5"), 0x1234A5u);
  EXPECT_EQ(ParseKey("0XFFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(ParseKey("4294967295"), 0xFFFFFFFFu);
  for (const char* text : {"0x5G", "-1", "1.5", "0x", ""})
    EXPECT_NE(UsageError([&] { ParseKey(text); }), "") << text;
  EXPECT_NE(UsageError([] { ParseKey("4294967296"); }).find("does not fit 32 bits"), std::string::npos);
  EXPECT_NE(UsageError([] { ParseKey("0x100000000"); }).find("does not fit 32 bits"), std::string::npos);
}

TEST(ToolArguments, OutputIsOutOrInItselfInPlace) {
  EXPECT_EQ(OutputOf(Parse({"in", "out"}, {}, {"--in-place"}, false), "add"), "out");
  EXPECT_EQ(OutputOf(Parse({"in", "--in-place"}, {}, {"--in-place"}, false), "strip"), "in");
  EXPECT_NE(UsageError([] { OutputOf(Parse({"in"}, {}, {"--in-place"}, false), "strip"); }).find("strip needs IN and OUT"),
            std::string::npos);
  EXPECT_NE(UsageError([] { OutputOf(Parse({"a", "b", "c"}, {}, {}, false), "add"); }), "");
}

}  // namespace
