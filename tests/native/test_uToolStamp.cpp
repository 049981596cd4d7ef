// `exeadder stamp`, run in-process on files in a folder of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "exeadder/uExeAdderTool.h"
#include "support/ToolFolder.h"

namespace {

namespace fs = std::filesystem;

using exeaddertool::RunExeAdder;
using exeaddertool::TToolResult;
using testsupport::ItemsOf;
using testsupport::kToolGuid;
using testsupport::ToolFolder;

TEST(ToolStamp, MakesTheUninstallerAndPrintsTheRegistryValues) {
  ToolFolder F;
  TToolResult R = RunExeAdder({"stamp", F("Uninst.exe"), "--product", "Sample", "--mutex", kToolGuid, "--out", F.Dir().string(),
                               "--install-dir", "C:\\Program Files\\Sample\\"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Err, "");
  EXPECT_NE(R.Out.find("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample\n"),
            std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  UninstallString       \"C:\\Program Files\\Sample\\SampleUninst.exe\"\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  QuietUninstallString  \"C:\\Program Files\\Sample\\SampleUninst.exe\" /S\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find(u8"  DisplayName           Sampleスクリーンセーバー\n"), std::string::npos) << R.Out;

  // The program's bytes, then one compressed "GUID" item; no temporary file is left.
  const std::string Made = F.Read("SampleUninst.exe");
  EXPECT_EQ(Made.substr(0, F.Read("Uninst.exe").size()), F.Read("Uninst.exe"));
  EXPECT_EQ(ItemsOf(F("SampleUninst.exe")), std::vector<std::string>{std::string("GUID=") + kToolGuid + " (z)"});
  EXPECT_EQ(F.Names().size(), ToolFolder().Names().size() + 1);

  // Stamping again replaces the block only when asked; --in-place writes over the file itself.
  R = RunExeAdder({"stamp", F("SampleUninst.exe"), "--product", "Sample", "--mutex", "{other}", "--out", F.Dir().string(),
                   "--replace"});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_NE(R.Err.find("--in-place"), std::string::npos) << R.Err;
  R = RunExeAdder({"stamp", F("SampleUninst.exe"), "--product", "Sample", "--mutex", "{other}", "--out", F.Dir().string(),
                   "--replace", "--in-place"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(ItemsOf(F("SampleUninst.exe")), std::vector<std::string>{"GUID={other} (z)"});
}

TEST(ToolStamp, WritesIntoTheCurrentFolderByDefault) {
  ToolFolder F;
  const fs::path Was = fs::current_path();
  fs::current_path(F.Dir());
  const TToolResult R = RunExeAdder({"stamp", "Uninst.exe", "--product", "Foo", "--mutex", "m"});
  fs::current_path(Was);
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out.rfind("wrote FooUninst.exe:", 0), 0u) << R.Out;
  EXPECT_EQ(ItemsOf(F("FooUninst.exe")), std::vector<std::string>{"GUID=m (z)"});
  EXPECT_NE(R.Out.find("\"<install folder>\\FooUninst.exe\" /S"), std::string::npos) << R.Out;
}

}  // namespace
