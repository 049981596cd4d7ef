// Which process shows the window: only an exact "START" makes the program the temporary copy;
// a normal start (no argument, or a word that is no switch: "start" in lower case, a word left in
// an UninstallString) makes it copy itself to the temporary folder and hand over, and where that
// copy cannot be made the program ends without a window. (Switches: test_UnknownArguments.)
#include <gtest/gtest.h>

#include "uUninstallScenario.h"

namespace e2e {
namespace {

struct TArgumentCase {
  const char* name;
  std::string argument;  // after the UninstallString; empty: none. A word is also logged, with /LOG
  bool planted;  // a program of the copy's name already in the temporary folder
};

std::ostream& operator<<(std::ostream& os, const TArgumentCase& c) { return os << c.name; }

const TArgumentCase kArgumentCases[] = {
    {"NoArgument", "", false},
    // A file of the copy's name planted in the temporary folder is neither run nor overwritten:
    // the copy goes into a folder of its own.
    {"FileOfTheCopysNameInTemporaryFolder", "", true},
    // "START" is exact: any other spelling is a word, and a word is a normal start.
    {"LowerCaseStart", "start", false},
    {"MixedCaseStart", "Start", false},
    {"LongerThanStart", "STARTED", false},
    {"StrayWord", "uninstall", false},
};

class RelaunchArgumentTest : public TUninstallScenario, public ::testing::WithParamInterface<TArgumentCase> {};

TEST_P(RelaunchArgumentTest, CountsAsANormalStartAndHandsOverToACopy) {
  const TArgumentCase& c = GetParam();
  const TSample sample = InstallUninstallable(GuidSample());
  const std::string planted = TempCopyPath(sample);
  const std::string plantedBytes = ReadFileBytes(ToolPath("hold_named_mutex"));
  if (c.planted) {
    // A real program: had it been started, it would show up as the window's process.
    ASSERT_TRUE(WriteFileBytes(planted, plantedBytes));
  }

  const std::string logPath = TempFolder() + "KorvaneE2E-word-" + c.name + ".log";
  DeleteFileA(logPath.c_str());
  TRunningUninstaller run = StartAsAddRemovePrograms(
      sample, c.argument.empty() ? std::string() : " " + c.argument + " /LOG=\"" + logPath + "\"");
  ASSERT_TRUE(run.started.handle);
  ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
  EXPECT_NE(run.copy.pid, run.started.pid) << "the started program took the argument for START";
  const std::string image = ProcessImagePath(run.copy.pid);
  EXPECT_TRUE(IsPrivateCopyPath(image, sample)) << Show(image);
  // The copy holds its folder while it runs: nobody can put another folder under its name.
  const std::string copyFolder = files::ExtractFilePath(image);
  const std::string renamed = TempFolder() + "KorvaneE2E-renamed";
  EXPECT_FALSE(MoveFileA(copyFolder.substr(0, copyFolder.size() - 1).c_str(), renamed.c_str()))
      << "the running copy's folder was renamed";
  EXPECT_TRUE(WaitForExit(run.started));
  EXPECT_EQ(ReadFileBytes(image), ReadFileBytes(sample.uninstallerPath)) << "the copy is not the program";
  if (c.planted) {
    EXPECT_EQ(ReadFileBytes(planted), plantedBytes) << "the planted file was overwritten";
  } else {
    EXPECT_FALSE(PathExists(planted)) << "something was written to the shared temporary folder";
  }
  // Only the copy and its folder are to go at the restart, never the installed file.
  const std::vector<std::string> pending = PendingRenameStrings();
  EXPECT_EQ(pending, CopyPendingStrings(image, false)) << Show(pending);

  ASSERT_TRUE(ClickChild(run.window, kCancelButtonId));
  EXPECT_TRUE(WaitForExit(run.copy));
  EXPECT_TRUE(FileExists(sample.uninstallerPath));
  if (c.planted) {
    EXPECT_EQ(ReadFileBytes(planted), plantedBytes);
  }
  DeleteFileA(planted.c_str());
  if (!c.argument.empty()) {
    const std::string log = ReadFileBytes(logPath);
    const std::string line = "スイッチではない引数は使いません: " + c.argument + "\r\n";
    EXPECT_NE(log.find(line), std::string::npos) << Show(line) << " not in the log:\n" << Show(log);
    DeleteFileA(logPath.c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(Installed, RelaunchArgumentTest, ::testing::ValuesIn(kArgumentCases), TCaseName());

class RelaunchFromTempTest : public TUninstallScenario, public ::testing::WithParamInterface<bool> {};

// Started from the temporary folder itself: on Windows 95/98/Me the copy's source and destination
// are the running file, the copy fails, nothing starts and an error box says why; on the NT family
// the copy goes into a private folder as from anywhere else.
TEST_P(RelaunchFromTempTest, StartedFromTheTemporaryFolder) {
  const bool windows98 = GetParam();
  const TSample sample = InstallUninstallable(GuidSample());
  if (windows98) RunAsWindows98(sample);
  const std::string copyPath = TempCopyPath(sample);
  ASSERT_TRUE(CopyFileA(sample.uninstallerPath.c_str(), copyPath.c_str(), FALSE));
  const std::string bytes = ReadFileBytes(copyPath);
  const TSampleState before = CaptureState(sample);

  if (!windows98) {
    TRunningUninstaller run = StartAndWaitForWindow(sample, "\"" + copyPath + "\"");
    ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
    EXPECT_TRUE(IsPrivateCopyPath(ProcessImagePath(run.copy.pid), sample));
    ASSERT_TRUE(ClickChild(run.window, kCancelButtonId));
    EXPECT_TRUE(WaitForExit(run.copy));
    EXPECT_EQ(ReadFileBytes(copyPath), bytes);
    return;
  }
  TProcess started = StartCommandLine("\"" + copyPath + "\"");
  ASSERT_TRUE(started.handle);
  // Before the relaunch is decided the application's title is the executable's name.
  const HWND box = WaitForMessageBox(started.pid, ProgramTitle(sample));
  ASSERT_NE(box, nullptr) << "no error box";
  const std::string text = MessageBoxText(box);
  const std::string head = "アンインストーラーを一時フォルダーから起動できませんでした\r\n\r\n" + copyPath + "\r\n";
  EXPECT_EQ(text.rfind(head, 0), 0u) << Show(text);
  PressMessageBoxOk(box);
  DWORD code = 1;
  ASSERT_TRUE(WaitForExit(started, kDefaultWaitMs, &code)) << "the program did not end";
  EXPECT_EQ(code, 1603u);

  // Had it started anything, a window or another box would come: give that ample time.
  TWindowQuery main;
  main.className = kMainClass;
  EXPECT_EQ(WaitForWindow(main, 10000), nullptr) << "a main window appeared";
  EXPECT_EQ(WaitForMessageBox(0, kAppTitle, 0), nullptr) << "a message box appeared: " << VisibleMessage();
  EXPECT_EQ(WaitForMessageBox(0, ProgramTitle(sample), 0), nullptr) << "a second message box appeared";
  EXPECT_EQ(ReadFileBytes(copyPath), bytes) << "the file in the temporary folder changed";
  EXPECT_TRUE(PendingRenameStrings().empty()) << Show(PendingRenameStrings());
  EXPECT_FALSE(PathExists(WininitPath()));
  EXPECT_EQ(CaptureState(sample), before);
}

INSTANTIATE_TEST_SUITE_P(Installed, RelaunchFromTempTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("Windows98") : std::string("NtFamily");
                         });

class StartedAsCopyTest : public TUninstallScenario {};

// Started with "START" where it is installed, the program is its own copy: it schedules the
// installed file at once, cannot delete it while running, and so lists it for the restart.
TEST_F(StartedAsCopyTest, InstalledFileStartedWithStartIsLeftForTheRestart) {
  const TSample sample = InstallUninstallable(GuidSample());

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

// On Windows 95/98/Me the copy schedules its own file in WININIT.INI as it starts; where that file
// cannot be read, its start-up ends with the error report. It comes before the relaunch is
// decided, so it carries the executable's name as its title, as the starter's own failures do
// (RelaunchFromTempTest), never the application's title.
TEST_F(StartedAsCopyTest, Windows98CopyStartUpErrorCarriesTheExecutablesName) {
  const TSample sample = InstallUninstallable(GuidSample());
  RunAsWindows98(sample);
  const std::string ini = WininitPath();
  ASSERT_TRUE(WriteFileBytes(ini, "[rename]\r\n"));
  THeldByHelper locker("lock_files", "", "\"" + ini + "\"");
  ASSERT_TRUE(locker.Ready());
  const TSampleState before = CaptureState(sample);

  const TProcess& started = Start(sample.UninstallString());
  ASSERT_TRUE(started.handle);
  const HWND box = WaitForMessageBox(0, ProgramTitle(sample));
  ASSERT_NE(box, nullptr) << "no error box under the executable's name; under the title: " << VisibleMessage();
  const std::string text = MessageBoxText(box);
  const std::string prefix = "ファイル \"" + ini + "\". ";
  const std::string suffix = " は開けません";
  EXPECT_EQ(text.rfind(prefix, 0), 0u) << Show(text);
  EXPECT_TRUE(text.size() > prefix.size() + suffix.size() && text.substr(text.size() - suffix.size()) == suffix)
      << Show(text);
  const TProcess copy = OpenProcessById(WindowProcessId(box));
  EXPECT_NE(copy.pid, started.pid) << "the starter failed, not the copy";
  PressMessageBoxOk(box);
  DWORD code = ~0u;
  EXPECT_TRUE(WaitForExit(copy, kDefaultWaitMs, &code));
  EXPECT_EQ(code, 1603u);
  EXPECT_TRUE(WaitForExit(started, kDefaultWaitMs, &code));
  EXPECT_EQ(code, 0u);
  TWindowQuery main;
  main.className = kMainClass;
  EXPECT_TRUE(FindTopWindows(main).empty()) << "a window was shown";
  ASSERT_TRUE(locker.End());
  EXPECT_EQ(CaptureState(sample), before);
}

}  // namespace
}  // namespace e2e
