// Which process shows the window: only an exact "START" makes the program the temporary copy;
// anything else makes it copy itself to the temporary folder and hand over, and where that copy
// cannot be made the program ends without a window.
#include <gtest/gtest.h>

#include "uUninstallScenario.h"

namespace e2e {
namespace {

struct TArgumentCase {
  const char* name;
  std::string argument;
};

std::ostream& operator<<(std::ostream& os, const TArgumentCase& c) { return os << c.name; }

const TArgumentCase kArgumentCases[] = {
    {"LowerCaseStart", "start"},
    {"MixedCaseStart", "Start"},
    {"LongerThanStart", "STARTED"},
};

class RelaunchArgumentTest : public TUninstallScenario, public ::testing::WithParamInterface<TArgumentCase> {};

TEST_P(RelaunchArgumentTest, CountsAsANormalStartAndHandsOverToACopy) {
  const TArgumentCase& c = GetParam();
  TSampleOptions o;
  o.appendedBlock = GuidBlock(FreshGuid());
  const TSample sample = InstallUninstallable(o);
  const std::string copyPath = TempCopyPath(sample);

  TRunningUninstaller run = StartAsAddRemovePrograms(sample, " " + c.argument);
  ASSERT_TRUE(run.started.handle);
  ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
  EXPECT_NE(run.copy.pid, run.started.pid) << "the started program took the argument for START";
  const std::string image = ProcessImagePath(run.copy.pid);
  EXPECT_EQ(lstrcmpiA(image.c_str(), copyPath.c_str()), 0) << Show(image);
  EXPECT_TRUE(WaitForExit(run.started));
  // Only the copy is to go at the restart, never the installed file that was started.
  const std::vector<std::string> pending = PendingRenames();
  EXPECT_EQ(pending, (std::vector<std::string>{"\\??\\" + copyPath, ""})) << Show(pending);

  ASSERT_TRUE(ClickChild(run.window, kCancelButtonId));
  EXPECT_TRUE(WaitForExit(run.copy));
  EXPECT_TRUE(FileExists(sample.uninstallerPath));
}

INSTANTIATE_TEST_SUITE_P(Installed, RelaunchArgumentTest, ::testing::ValuesIn(kArgumentCases),
                         [](const ::testing::TestParamInfo<TArgumentCase>& info) { return info.param.name; });

class RelaunchFromTempTest : public TUninstallScenario {};

// The copy's source and destination are the running file itself: the copy fails, nothing starts.
TEST_F(RelaunchFromTempTest, StartedFromTheTemporaryFolderEndsWithoutAWindow) {
  TSampleOptions o;
  o.appendedBlock = GuidBlock(FreshGuid());
  const TSample sample = InstallUninstallable(o);
  const std::string copyPath = TempCopyPath(sample);
  ASSERT_TRUE(CopyFileA(sample.uninstallerPath.c_str(), copyPath.c_str(), FALSE));
  const std::string bytes = ReadFileBytes(copyPath);
  const TSampleState before = CaptureState(sample);

  TProcess started = StartCommandLine("\"" + copyPath + "\"");
  ASSERT_TRUE(started.handle);
  DWORD code = 0;
  ASSERT_TRUE(WaitForExit(started, kDefaultWaitMs, &code)) << "the program did not end";
  EXPECT_EQ(code, 0u);

  // Had it started anything, a window or a box would come: give that ample time.
  TWindowQuery main;
  main.className = kMainClass;
  EXPECT_EQ(WaitForWindow(main, 10000), nullptr) << "a main window appeared";
  EXPECT_EQ(WaitForMessageBox(0, kAppTitle, 0), nullptr) << "a message box appeared: " << VisibleMessage();
  EXPECT_EQ(ReadFileBytes(copyPath), bytes) << "the file in the temporary folder changed";
  EXPECT_TRUE(PendingRenames().empty()) << Show(PendingRenames());
  EXPECT_EQ(CaptureState(sample), before);
}

}  // namespace
}  // namespace e2e
