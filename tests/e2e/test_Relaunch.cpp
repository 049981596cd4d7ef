// Which process shows the window: only an exact "START" makes the program the temporary copy;
// anything else makes it copy itself to the temporary folder and hand over, and where that copy
// cannot be made the program ends without a window.
#include <gtest/gtest.h>

#include "uUninstallScenario.h"

namespace e2e {
namespace {

struct TArgumentCase {
  const char* name;
  std::string argument;  // after the UninstallString; empty: none
  bool staleCopy;        // a file of the copy's name already in the temporary folder
};

std::ostream& operator<<(std::ostream& os, const TArgumentCase& c) { return os << c.name; }

const TArgumentCase kArgumentCases[] = {
    {"LowerCaseStart", "start", false},
    {"MixedCaseStart", "Start", false},
    {"LongerThanStart", "STARTED", false},
    // An earlier run's copy is overwritten, not run.
    {"StaleCopyInTemporaryFolder", "", true},
};

class RelaunchArgumentTest : public TUninstallScenario, public ::testing::WithParamInterface<TArgumentCase> {};

TEST_P(RelaunchArgumentTest, CountsAsANormalStartAndHandsOverToACopy) {
  const TArgumentCase& c = GetParam();
  TSampleOptions o;
  o.appendedBlock = GuidBlock(FreshGuid());
  const TSample sample = InstallUninstallable(o);
  const std::string copyPath = TempCopyPath(sample);
  if (c.staleCopy) {
    ASSERT_TRUE(WriteFileBytes(copyPath, "MZ left over from an earlier run"));
  }

  TRunningUninstaller run =
      StartAsAddRemovePrograms(sample, c.argument.empty() ? std::string() : " " + c.argument);
  ASSERT_TRUE(run.started.handle);
  ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
  EXPECT_NE(run.copy.pid, run.started.pid) << "the started program took the argument for START";
  const std::string image = ProcessImagePath(run.copy.pid);
  EXPECT_EQ(lstrcmpiA(image.c_str(), copyPath.c_str()), 0) << Show(image);
  EXPECT_TRUE(WaitForExit(run.started));
  EXPECT_EQ(ReadFileBytes(copyPath), ReadFileBytes(sample.uninstallerPath)) << "the copy is not the program";
  // Only the copy is to go at the restart, never the installed file that was started.
  const std::vector<std::string> pending = PendingRenameStrings();
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
  EXPECT_TRUE(PendingRenameStrings().empty()) << Show(PendingRenameStrings());
  EXPECT_EQ(CaptureState(sample), before);
}


class StartedAsCopyTest : public TUninstallScenario {};

// Started with "START" where it is installed, the program is its own copy: it schedules the
// installed file at once, cannot delete it while running, and so lists it for the restart.
TEST_F(StartedAsCopyTest, InstalledFileStartedWithStartIsLeftForTheRestart) {
  TSampleOptions o;
  o.appendedBlock = GuidBlock(FreshGuid());
  const TSample sample = InstallUninstallable(o);

  TRunningUninstaller run =
      StartAndWaitForWindow(sample, sample.UninstallString() + " START " + ShortPathOf(sample.uninstallerPath));
  ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
  EXPECT_EQ(run.copy.pid, run.started.pid) << "it handed over to another copy";
  EXPECT_FALSE(PathExists(TempCopyPath(sample)));

  ASSERT_TRUE(ClickChild(run.window, kUninstallButtonId));
  const HWND box = WaitForMessageBox(run.started.pid, kAppTitle);
  ASSERT_NE(box, nullptr);
  const std::string text = MessageBoxText(box);
  EXPECT_EQ(text, DoneAfterRestartText({sample.uninstallerPath})) << Show(text);
  PressMessageBoxOk(box);
  EXPECT_TRUE(WaitForExit(run.started));
  EXPECT_FALSE(FileExists(sample.scrPath));
  EXPECT_FALSE(FileExists(sample.txtPath));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, sample.keyPath));
  const std::string scheduled = "\\??\\" + sample.uninstallerPath;
  const std::vector<std::string> pending = PendingRenameStrings();
  EXPECT_EQ(pending, (std::vector<std::string>{scheduled, "", scheduled, ""})) << Show(pending);

  ASSERT_TRUE(RestartWine());
  EXPECT_FALSE(PathExists(sample.uninstallerPath));
}

}  // namespace
}  // namespace e2e
