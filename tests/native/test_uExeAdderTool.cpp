// The builder's tool as a whole, run in-process on files in a folder of its own: every refusal
// of every command is one line on standard error and leaves the folder as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exeadder/uExeAdderTool.h"
#include "support/ToolFolder.h"

namespace {

using exeaddertool::RunExeAdder;
using exeaddertool::TToolResult;
using testsupport::kToolGuid;
using testsupport::ToolFolder;

// Refusals: exit status, one line on standard error that says why, nothing on standard output,
// and no file written, changed or left behind.
TEST(ExeAdderTool, RefusalsWriteNothing) {
  ToolFolder F;
  struct Case { const char* What; std::vector<std::string> Args; int Exit; std::string Says; } Cases[] = {
      {"missing IN", {"add", F("none.exe"), F("out.exe"), "--text", "GUID", "x"}, 1, "none.exe: no such file"},
      {"IN a folder", {"add", F.Dir().string(), F("out.exe"), "--text", "GUID", "x"}, 1, "no such file"},
      {"item file missing", {"add", F("Uninst.exe"), F("out.exe"), "--text", "a", "b", "--zfile", "GUID", F("none.txt")}, 1,
       "item 2: cannot read its file"},
      {"trailer missing", {"add", F("Uninst.exe"), F("out.exe"), "--behind-image", "--trailer", F("none"), "--text", "GUID", "x"}, 1,
       "cannot read the trailer"},
      {"a second block", {"add", F("Stamped.exe"), F("out.exe"), "--text", "GUID", "x"}, 1,
       "already carries a block, at offset 1536 (--replace replaces it)"},
      {"a second block by stamp", {"stamp", F("Stamped.exe"), "--product", "Sample", "--mutex", "m", "--out", F("")}, 1,
       "already carries a block"},
      {"a damaged block", {"add", F("Damaged.exe"), F("out.exe"), "--replace", "--text", "GUID", "x"}, 1,
       "ends in a damaged block (Bad Block)"},
      {"OUT is IN", {"add", F("Uninst.exe"), F("Uninst.exe"), "--text", "GUID", "x"}, 1, "give --in-place"},
      {"OUT is IN, spelt otherwise", {"add", F("Uninst.exe"), F("./Uninst.exe"), "--text", "GUID", "x"}, 1, "give --in-place"},
      {"strip in place", {"strip", F("Stamped.exe"), F("Stamped.exe")}, 1, "give --in-place"},
      {"behind the image of no image", {"add", F("Plain.bin"), F("out.exe"), "--behind-image", "--text", "GUID", "x"}, 1,
       "is not a PE image (Bad Signature)"},
      {"a block that would overwrite a section", {"add", F("Overlap.exe"), F("out.exe"), "--behind-image", "--text", "GUID", "x"}, 1,
       "past the end of the last section-table entry"},
      {"a trailer the reader takes for a block",
       {"add", F("Uninst.exe"), F("out.exe"), "--behind-image", "--trailer", F("plws.bin"), "--text", "GUID", "x"}, 1, "\"PLWS\""},
      {"a signed input", {"add", F("Signed.exe"), F("out.exe"), "--text", "GUID", "x"}, 1,
       "Signed.exe carries an Authenticode signature (certificate table of 1024 bytes at offset 1536), which this change "
       "would invalidate: give --unsign to remove it, then sign the written file again"},
      {"a signature whose table is not behind the image", {"strip", F("BadSigned.exe"), F("out.exe"), "--unsign"}, 1,
       "names a certificate table of 1024 bytes at offset 256, which does not lie behind the image inside the file"},
      {"behind a 64-bit image", {"add", F("Uninst64.exe"), F("out.exe"), "--behind-image", "--text", "GUID", "x"}, 1,
       "is a 64-bit image (PE32+)"},
      {"a 64-bit image for signing", {"stamp", F("Uninst64.exe"), "--product", "P", "--mutex", "m", "--for-signing", "--out", F("")},
       1, "is a 64-bit image (PE32+)"},
      {"OUT in a missing folder", {"add", F("Uninst.exe"), F("none/out.exe"), "--text", "GUID", "x"}, 1, "cannot create a file beside"},
      {"a product name with Uninst", {"stamp", F("Uninst.exe"), "--product", "MyUninstaller", "--mutex", "m", "--out", F("")}, 1,
       "would take its product name as \"My\""},
      {"a product name with a folder", {"stamp", F("Uninst.exe"), "--product", "a/b", "--mutex", "m", "--out", F("")}, 1,
       "a character that a file name cannot"},
      {"an empty product name", {"stamp", F("Uninst.exe"), "--product", "", "--mutex", "m", "--out", F("")}, 1, "product name is empty"},
      {"an empty mutex name", {"stamp", F("Uninst.exe"), "--product", "P", "--mutex", "", "--out", F("")}, 1, "mutex name is empty"},
      {"strip without a block", {"strip", F("Uninst.exe"), F("out.exe")}, 1, "Uninst.exe: carries no block"},
      {"list without a block", {"list", F("Uninst.exe")}, 1, "carries no block that the uninstaller finds"},
      {"list of a damaged block", {"list", F("Damaged.exe")}, 1, "Damaged.exe: Bad Block"},
      {"list of a stream that does not inflate", {"list", F("BadStream.exe")}, 1, "BadStream.exe: data error"},
      {"list of no program", {"list", F("Plain.bin")}, 1, "Plain.bin: Bad Signature"},
      {"no command", {}, 2, "no command"},
      {"unknown command", {"append"}, 2, "unknown command append"},
      {"unknown option", {"add", F("Uninst.exe"), F("out.exe"), "--compress", "--text", "GUID", "x"}, 2, "unknown option --compress"},
      {"item without its text", {"add", F("Uninst.exe"), F("out.exe"), "--text", "GUID"}, 2, "--text needs a name and a text"},
      {"no items", {"add", F("Uninst.exe"), F("out.exe")}, 2, "at least one item"},
      {"no OUT", {"add", F("Uninst.exe"), "--text", "GUID", "x"}, 2, "add needs IN and OUT"},
      {"key not a number", {"add", F("Uninst.exe"), F("out.exe"), "--key", "0x5G", "--text", "GUID", "x"}, 2, "not a number"},
      {"key too large", {"add", F("Uninst.exe"), F("out.exe"), "--key", "4294967296", "--text", "GUID", "x"}, 2, "32 bits"},
      {"trailer without behind-image", {"add", F("Uninst.exe"), F("out.exe"), "--trailer", F("plws.bin"), "--text", "GUID", "x"}, 2,
       "--trailer goes with --behind-image"},
      {"stamp without a mutex", {"stamp", F("Uninst.exe"), "--product", "P"}, 2, "--mutex"},
      {"an option twice", {"stamp", F("Uninst.exe"), "--product", "P", "--product", "Q", "--mutex", "m"}, 2, "given twice"},
  };
  const auto Before = F.Snapshot();
  for (const Case& C : Cases) {
    const TToolResult R = RunExeAdder(C.Args);
    EXPECT_EQ(R.ExitCode, C.Exit) << C.What;
    EXPECT_EQ(R.Out, "") << C.What;
    EXPECT_EQ(R.Err.rfind("exeadder: ", 0), 0u) << C.What << ": " << R.Err;
    EXPECT_NE(R.Err.find(C.Says), std::string::npos) << C.What << ": " << R.Err;
    EXPECT_EQ(R.Err.find('\n'), R.Err.size() - 1) << C.What << ": not one line: " << R.Err;
    EXPECT_TRUE(F.Snapshot() == Before) << C.What << ": the folder changed";
  }
}

// A "GUID" that CreateMutexA can never take would have the uninstaller report a running screen
// saver (1618) on every run: both commands refuse one, with the reason, and write nothing.
TEST(ExeAdderTool, RefusesGuidValuesThatNoMutexCanTake) {
  ToolFolder F;
  F.Put("nul.txt", std::string("{5A3C}\0tail", 11));
  const auto Before = F.Snapshot();
  const std::vector<std::string> Commands[] = {
      {"stamp", F("Uninst.exe"), "--product", "Sample", "--mutex", "Korvane\\Sample", "--out", F("")},
      {"add", F("Uninst.exe"), F("out.exe"), "--text", "GUID", std::string(300, 'x')},
      {"add", F("Uninst.exe"), F("out.exe"), "--text", "Version", "1.0", "--zfile", "GUID", F("nul.txt")},
  };
  for (const std::vector<std::string>& Args : Commands) {
    const TToolResult R = RunExeAdder(Args);
    EXPECT_EQ(R.ExitCode, 1) << Args[0];
    EXPECT_NE(R.Err.find("the uninstaller would"), std::string::npos) << R.Err;
    EXPECT_EQ(R.Err.find('\n'), R.Err.size() - 1) << R.Err;
  }
  EXPECT_TRUE(F.Snapshot() == Before);
  // Only the first "GUID" is the uninstaller's; an empty one means no check at all.
  EXPECT_EQ(RunExeAdder({"add", F("Uninst.exe"), F("out.exe"), "--text", "GUID", "", "--text", "GUID", "a\\b"}).ExitCode, 0);
}

}  // namespace
