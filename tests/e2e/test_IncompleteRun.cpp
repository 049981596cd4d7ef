// Runs that cannot do all they set out to do, as a user meets them: a file that neither goes now
// nor can be scheduled for the restart, an uninstall entry that survives its deletion, and a
// user without the rights to delete the entry. The outcome says so, never "done".
#include <gtest/gtest.h>

#include <memory>

#include "uUninstallScenario.h"

namespace e2e {
namespace {

std::string IncompleteText(const std::vector<std::string>& remaining, bool entryRemains,
                           const std::vector<std::string>& afterRestart) {
  std::string text = "アンインストールを完了できませんでした";
  if (!remaining.empty()) {
    text += "\r\n\r\n下記のファイルは削除できなかったため残っています\r\n";
    for (const std::string& p : remaining) text += "\r\n" + p;
  }
  if (entryRemains) text += "\r\n\r\nアンインストール情報を削除できなかったため\r\n「アプリケーションの追加と削除」の項目が残っています";
  if (!afterRestart.empty()) {
    text += "\r\n\r\n下記のファイルは再起動後に削除されます\r\n";
    for (const std::string& p : afterRestart) text += "\r\n" + p;
  }
  return text;
}

enum class TResist {
  SchedulingRefused,  // the text file is in use and the deletion at the restart refuses it too
  EntrySubkeyReadOnly,  // a subkey of the entry does not open for deletion
  EntryReadOnly,        // the entry's key itself does not (Windows 95/98/Me ask no rights first)
};

struct TIncompleteCase {
  const char* name;
  bool windows98;
  TResist resist;
  bool txtLocked;  // also in use while the run deletes (goes to the restart unless refused)
};

std::ostream& operator<<(std::ostream& os, const TIncompleteCase& c) { return os << c.name; }

const TIncompleteCase kIncompleteCases[] = {
    {"RestartSchedulingRefused", false, TResist::SchedulingRefused, true},
    {"EntrySurvives", false, TResist::EntrySubkeyReadOnly, false},
    // Files that went to the restart do not make the outcome a success.
    {"EntrySurvivesAndAFileWaitsForTheRestart", false, TResist::EntrySubkeyReadOnly, true},
    {"Windows98EntrySurvives", true, TResist::EntryReadOnly, false},
};

class IncompleteRunTest : public TUninstallScenario, public ::testing::WithParamInterface<TIncompleteCase> {};

TEST_P(IncompleteRunTest, ShowsWhatRemainsInAnErrorBoxAndEndsWith1603) {
  const TIncompleteCase& c = GetParam();
  const TSample sample = InstallUninstallable(GuidSample());
  if (c.windows98) RunAsWindows98(sample);

  const std::string logPath = TempFolder() + "KorvaneE2E-incomplete-" + c.name + ".log";
  DeleteFileA(logPath.c_str());
  TRunningUninstaller run = StartAsAddRemovePrograms(sample, " /LOG=\"" + logPath + "\"");
  ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
  ASSERT_TRUE(WaitForExit(run.started));

  // Set up once the copy has scheduled itself: only the run's own scheduling meets it.
  std::unique_ptr<TReadOnlyKey> readOnlyKey;
  if (c.resist == TResist::SchedulingRefused) {
    ASSERT_TRUE(BlockPendingRenames());
  } else {
    readOnlyKey = std::make_unique<TReadOnlyKey>(
        HKEY_LOCAL_MACHINE, c.resist == TResist::EntryReadOnly ? sample.keyPath : sample.keyPath + "\\Components\\Nested");
    if (!readOnlyKey->Refuses()) GTEST_SKIP() << "this system does not enforce registry key access lists";
  }
  std::unique_ptr<THeldByHelper> locker;
  if (c.txtLocked) {
    locker = std::make_unique<THeldByHelper>("lock_files", "", "\"" + sample.txtPath + "\"");
    ASSERT_TRUE(locker->Ready());
  }
  const std::vector<std::string> pendingBefore = PendingRenameStrings();

  HWND box = nullptr;
  const std::string text = ClickUninstallAndReadBox(run, &box);
  ASSERT_NE(box, nullptr) << "no outcome box";
  const bool refused = c.resist == TResist::SchedulingRefused;
  const std::vector<std::string> remaining = refused ? std::vector<std::string>{sample.txtPath} : std::vector<std::string>{};
  const std::vector<std::string> afterRestart =
      c.txtLocked && !refused ? std::vector<std::string>{sample.txtPath} : std::vector<std::string>{};
  const std::string wanted = IncompleteText(remaining, !refused, afterRestart);
  EXPECT_EQ(text, wanted) << "got " << Show(text) << "\nwanted " << Show(wanted);
  PressMessageBoxOk(box);
  EXPECT_TRUE(WaitForWindowGone(run.window)) << "the window stays after the outcome";
  DWORD code = ~0u;
  EXPECT_TRUE(WaitForExit(run.copy, kDefaultWaitMs, &code));
  EXPECT_EQ(code, 1603u);

  // Everything else went as usual.
  EXPECT_FALSE(FileExists(sample.scrPath));
  EXPECT_FALSE(FileExists(sample.uninstallerPath));
  EXPECT_EQ(FileExists(sample.txtPath), c.txtLocked);
  EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, sample.keyPath), !refused) << "the entry's key";
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, sample.siblingKeyPath + "\\Components")) << "the sibling entry is hurt";
  std::vector<std::string> pending = pendingBefore;
  if (!afterRestart.empty()) {
    pending.push_back("\\??\\" + sample.txtPath);
    pending.push_back("");
  }
  EXPECT_EQ(PendingRenameStrings(), pending) << Show(PendingRenameStrings());
  if (locker) {
    EXPECT_TRUE(locker->End());
  }

  // The log names what stays with the system's reasons: the file in use, the entry refused.
  const std::string log = ReadFileBytes(logPath);
  const std::string named = refused ? "削除できませんでした: " + sample.txtPath + " (削除: エラー 32"
                                    : "レジストリキーを削除できませんでした: HKEY_LOCAL_MACHINE\\" + sample.keyPath + "\\ (エラー 5";
  EXPECT_NE(log.find(named), std::string::npos) << Show(named) << " not in the log:\n" << Show(log);
  EXPECT_NE(log.find("終了コード: 1603\r\n"), std::string::npos) << Show(log);
  DeleteFileA(logPath.c_str());
}

INSTANTIATE_TEST_SUITE_P(Installed, IncompleteRunTest, ::testing::ValuesIn(kIncompleteCases), TCaseName());

// Windows 95/98/Me: a WININIT.INI that cannot be read stops the run with its own message, before
// the file in use is listed anywhere; the window stays, and closing it ends with 1603.
class StoppedRunTest : public TUninstallScenario {};

TEST_F(StoppedRunTest, Windows98WininitThatCannotBeReadStopsTheRunWithItsMessage) {
  const TSample sample = InstallUninstallable(GuidSample());
  RunAsWindows98(sample);
  TRunningUninstaller run = StartAsAddRemovePrograms(sample);
  ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
  ASSERT_TRUE(WaitForExit(run.started));
  const std::string ini = WininitPath();
  const std::string iniBefore = ReadFileBytes(ini);
  ASSERT_FALSE(iniBefore.empty()) << "the copy scheduled nothing for itself";
  THeldByHelper locker("lock_files", "", "\"" + sample.txtPath + "\" \"" + ini + "\"");
  ASSERT_TRUE(locker.Ready());

  HWND box = nullptr;
  const std::string text = ClickUninstallAndReadBox(run, &box);
  ASSERT_NE(box, nullptr) << "no message";
  const std::string prefix = "ファイル \"" + ini + "\". ";
  const std::string suffix = " は開けません";
  EXPECT_EQ(text.rfind(prefix, 0), 0u) << Show(text);
  EXPECT_TRUE(text.size() > prefix.size() + suffix.size() && text.substr(text.size() - suffix.size()) == suffix)
      << Show(text);
  PressMessageBoxOk(box);
  ASSERT_TRUE(WaitForWindowGone(box));
  ASSERT_TRUE(Settle(run.window));
  EXPECT_TRUE(IsWindow(run.window) && IsWindowVisible(run.window)) << "the window closed";
  ASSERT_TRUE(locker.End());
  EXPECT_EQ(ReadFileBytes(ini), iniBefore) << "the file in use was scheduled after all";
  EXPECT_TRUE(FileExists(sample.txtPath));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, sample.keyPath));

  ASSERT_TRUE(ClickChild(run.window, kCancelButtonId));
  DWORD code = ~0u;
  EXPECT_TRUE(WaitForExit(run.copy, kDefaultWaitMs, &code));
  EXPECT_EQ(code, 1603u);
}

// A user without the rights to delete the entry (Windows 2000 and XP start the program without
// elevating it): nothing is deleted, an error box says why, and the program ends with 1603.
TEST_F(StoppedRunTest, WithoutTheRightsToDeleteTheEntryNothingChanges) {
  const TSample sample = InstallUninstallable(GuidSample());
  TRunningUninstaller run = StartAsAddRemovePrograms(sample);
  ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
  ASSERT_TRUE(WaitForExit(run.started));
  const TReadOnlyKey readOnlyKey(HKEY_LOCAL_MACHINE, sample.keyPath);
  if (!readOnlyKey.Refuses()) GTEST_SKIP() << "this system does not enforce registry key access lists";
  const TSampleState before = CaptureState(sample);
  const std::vector<std::string> pendingBefore = PendingRenameStrings();

  HWND box = nullptr;
  const std::string text = ClickUninstallAndReadBox(run, &box);
  ASSERT_NE(box, nullptr) << "no error box";
  const std::string wanted = "Sample のアンインストールには管理者の権限が必要です\r\n\r\nアンインストールに失敗しました";
  EXPECT_EQ(text, wanted) << Show(text);
  PressMessageBoxOk(box);
  EXPECT_TRUE(WaitForWindowGone(run.window));
  DWORD code = ~0u;
  EXPECT_TRUE(WaitForExit(run.copy, kDefaultWaitMs, &code));
  EXPECT_EQ(code, 1603u);
  const TSampleState after = CaptureState(sample);
  EXPECT_EQ(after, before) << "before:\n" << before.Describe() << "after:\n" << after.Describe();
  EXPECT_EQ(PendingRenameStrings(), pendingBefore);
}

}  // namespace
}  // namespace e2e
