// Started normally with a temporary folder that cannot be used, the program must not copy itself
// anywhere or start anything; it says so in an error box, with the system's reason, and ends
// with 1603, so that a Remove in Add/Remove Programs never ends without a word. A temporary folder
// that is a link (which its user can make, to a folder of their own) is not used: the copy, which
// runs with administrator rights, goes to the system's temporary folder, and no default log is
// written.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "uUninstallScenario.h"

namespace e2e {
namespace {

struct TTempCase {
  const char* name;
  std::string folder;  // TMP and TEMP
  bool windows98;
};

std::ostream& operator<<(std::ostream& os, const TTempCase& c) { return os << c.name; }

const TTempCase kTempCases[] = {
    // GetTempPathA takes TMP first; a folder of 300 bytes cannot come back in 260.
    {"LongerThan260Bytes", "C:\\" + std::string(296, 'x'), false},
    // A folder that no longer exists: the private folder cannot be made in it.
    {"MissingFolder", "C:\\KorvaneNoSuchFolder", false},
    // Windows 95/98/Me copy into it directly: the copy cannot be made.
    {"Windows98MissingFolder", "C:\\KorvaneNoSuchFolder", true},
};

class RelaunchTempFolderTest : public TUninstallScenario, public ::testing::WithParamInterface<TTempCase> {};

TEST_P(RelaunchTempFolderTest, ShowsTheReasonStartsNothingAndEndsWith1603) {
  const TTempCase& c = GetParam();
  TSampleOptions options;
  const TSample sample = InstallUninstallable(options);
  if (c.windows98) RunAsWindows98(sample);
  const TSampleState before = CaptureState(sample);
  const std::vector<std::string> foldersBefore = PrivateFolders();

  DWORD exitCode = 0;
  std::string text;
  {
    TScopedEnvironment tmp("TMP", c.folder);
    TScopedEnvironment temp("TEMP", c.folder);
    const TProcess& started = Start(sample.UninstallString());
    ASSERT_TRUE(started.handle);
    // Before the relaunch is decided the application's title is the executable's name.
    const HWND box = WaitForMessageBox(started.pid, ProgramTitle(sample));
    ASSERT_NE(box, nullptr) << "no error box";
    text = MessageBoxText(box);
    PressMessageBoxOk(box);
    ASSERT_TRUE(WaitForExit(started, kDefaultWaitMs, &exitCode));
  }
  EXPECT_EQ(exitCode, 1603u);
  // What could not be done, where (when there is a path to name), the system's reason, the end.
  const std::string head = "アンインストーラーを一時フォルダーから起動できませんでした\r\n\r\n";
  const std::string tail = "\r\n\r\nアンインストールに失敗しました";
  EXPECT_EQ(text.rfind(head, 0), 0u) << Show(text);
  ASSERT_GT(text.size(), head.size() + tail.size()) << Show(text);
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << Show(text);
  const std::string middle = text.substr(head.size(), text.size() - head.size() - tail.size());
  const std::size_t reasonAt = middle.rfind("\r\n");
  if (c.folder.size() < MAX_PATH) {
    ASSERT_NE(reasonAt, std::string::npos) << Show(text);
    EXPECT_EQ(middle.rfind(c.folder, 0), 0u) << "the path is not named: " << Show(text);
  }
  EXPECT_FALSE(middle.substr(reasonAt == std::string::npos ? 0 : reasonAt + 2).empty()) << "no reason: " << Show(text);

  EXPECT_FALSE(FileExists(TempCopyPath(sample))) << "a copy went to the usual temporary folder";
  EXPECT_EQ(PrivateFolders(), foldersBefore) << "a copy went to a private folder";
  TWindowQuery main;
  main.className = kMainClass;
  EXPECT_TRUE(FindTopWindows(main).empty()) << "a window was shown";
  const TSampleState after = CaptureState(sample);
  EXPECT_TRUE(after == before) << "before:\n" << before.Describe() << "after:\n" << after.Describe();
}

INSTANTIATE_TEST_SUITE_P(Installed, RelaunchTempFolderTest, ::testing::ValuesIn(kTempCases), TCaseName());

class TemporaryFolderBehindALinkTest : public TUninstallScenario {
 protected:
  void SetUp() override {
    TUninstallScenario::SetUp();
    folder_ = FreshTempFolder("KorvaneE2E-link");
    ASSERT_TRUE(CreateDirectoryA((folder_ + "target").c_str(), nullptr));
    link_ = std::make_unique<TFolderLink>(folder_, "temp", "target");
    if (!link_->Made()) GTEST_SKIP() << "no folder link can be made here";
  }
  void TearDown() override {
    link_.reset();
    RemoveFolderTree(folder_);
    TUninstallScenario::TearDown();
  }

  // Runs the sample's uninstaller unattended, with the link as its temporary folder; its exit
  // code, ~0u when it does not end.
  DWORD RunWithTheLinkAsTemporaryFolder(const TSample& sample, const std::string& switches) {
    TScopedEnvironment tmp("TMP", link_->Path());
    TScopedEnvironment temp("TEMP", link_->Path());
    const TProcess started = StartCommandLine(sample.UninstallString() + switches);
    DWORD code = ~0u;
    if (!started.handle || !WaitForExit(started, kDefaultWaitMs, &code)) return ~0u;
    return code;
  }

  // What is left in the folder the link leads to.
  std::vector<std::string> InTheTarget() const {
    std::vector<std::string> names;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder_ + "target\\*")) names.push_back(entry.cFileName);
    return names;
  }

  std::string folder_;
  std::unique_ptr<TFolderLink> link_;
};

TEST_F(TemporaryFolderBehindALinkTest, CopyGoesToTheSystemsTemporaryFolder) {
  const TSample sample = InstallUninstallable(GuidSample());
  const std::string logPath = TempFolder() + "KorvaneE2E-link.log";
  DeleteFileA(logPath.c_str());

  EXPECT_EQ(RunWithTheLinkAsTemporaryFolder(sample, " /S /LOG=\"" + logPath + "\""), 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, sample.keyPath)) << "the uninstall did not run";
  EXPECT_TRUE(InTheTarget().empty()) << "written where the link leads: " << InTheTarget().front();

  const std::string log = ReadFileBytes(logPath);
  const std::string systemTemp = WindowsFolder() + "temp\\";
  const std::string refused = "一時フォルダーはリパースポイントを経由しているため使いません: " + link_->Path() + "\\";
  EXPECT_NE(log.find(refused), std::string::npos) << Show(log);
  EXPECT_NE(log.find("代わりにシステムの一時フォルダーを使います: "), std::string::npos) << Show(log);
  const std::string made = "一時コピーを作成しました: ";
  const std::size_t at = log.find(made);
  ASSERT_NE(at, std::string::npos) << Show(log);
  const std::string copy = log.substr(at + made.size(), log.find("\r\n", at) - at - made.size());
  const std::string copyFolder = files::ExtractFilePath(copy);
  EXPECT_EQ(lstrcmpiA(files::ExtractFilePath(copyFolder.substr(0, copyFolder.size() - 1)).c_str(), systemTemp.c_str()),
            0)
      << Show(copy);
  EXPECT_TRUE(privatefolder::IsPrivateFolderName(files::ExtractFileName(copyFolder.substr(0, copyFolder.size() - 1))))
      << Show(copy);
  // The copy schedules itself and that folder, and nothing more, for the restart (in the case of
  // the folders' names on disk).
  const std::vector<std::string> pending = PendingRenameStrings();
  const std::vector<std::string> expected = CopyPendingStrings(copy, false);
  ASSERT_EQ(pending.size(), expected.size()) << Show(pending);
  for (std::size_t i = 0; i < pending.size(); ++i) {
    EXPECT_EQ(lstrcmpiA(pending[i].c_str(), expected[i].c_str()), 0) << Show(pending[i]);
  }

  // Gone once the copy has ended, rather than waiting for a restart of the test machine.
  EXPECT_TRUE(WaitUntil([&] { return DeleteFileA(copy.c_str()) || !FileExists(copy); }));
  RemoveDirectoryA(copyFolder.c_str());
  DeleteFileA(logPath.c_str());
}

TEST_F(TemporaryFolderBehindALinkTest, NoDefaultLogIsWritten) {
  const TSample sample = InstallUninstallable(GuidSample());

  EXPECT_EQ(RunWithTheLinkAsTemporaryFolder(sample, " /S /LOG"), 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, sample.keyPath)) << "the uninstall did not run";
  EXPECT_TRUE(InTheTarget().empty()) << "written where the link leads: " << InTheTarget().front();

  // The copy in the system's temporary folder goes as soon as it has ended.
  for (const std::string& pending : PendingRenameStrings()) {
    if (pending.size() <= 4) continue;
    const std::string path = pending.substr(4);  // after "\\??\\"
    WaitUntil([&] { return DeleteFileA(path.c_str()) || !FileExists(path); });
    RemoveDirectoryA(path.c_str());
  }
}

}  // namespace
}  // namespace e2e
