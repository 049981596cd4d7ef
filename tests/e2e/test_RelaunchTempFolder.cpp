// Started normally with a temporary folder that cannot be used, the program must not copy itself
// anywhere or start anything; it says so in an error box, with the system's reason, and ends
// with 1603, so that a Remove in Add/Remove Programs never ends without a word.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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
    const HWND box = WaitForMessageBox(started.pid, kAppTitle);
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

INSTANTIATE_TEST_SUITE_P(Installed, RelaunchTempFolderTest, ::testing::ValuesIn(kTempCases),
                         [](const ::testing::TestParamInfo<TTempCase>& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
