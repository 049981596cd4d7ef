// The program started with arguments of no known form ends at once with 1639
// (ERROR_INVALID_COMMAND_LINE), nothing shown and nothing changed, so that a tool that guessed a
// switch learns it did not work; "/?" shows the switches.
#include <gtest/gtest.h>

#include "uUninstallScenario.h"

namespace e2e {
namespace {

struct TUnknownCase {
  const char* name;
  std::string arguments;  // after the UninstallString
  std::string unknown;    // the first of them that the log names
};

std::ostream& operator<<(std::ostream& os, const TUnknownCase& c) { return os << c.name; }

const TUnknownCase kUnknownCases[] = {
    {"Silent", "/SILENT", "/SILENT"},
    {"DashS", "-s", "-s"},
    {"SWithValue", "/S=1", "/S=1"},
    {"QuietAfterAKnownSwitch", "/S /quiet", "/quiet"},
    // Only an exact "START" makes the temporary copy; no other spelling is a normal start.
    {"LowerCaseStart", "start", "start"},
    {"MixedCaseStart", "Start", "Start"},
    {"LongerThanStart", "STARTED", "STARTED"},
};

class UnknownArgumentTest : public TUninstallScenario, public ::testing::WithParamInterface<TUnknownCase> {};

TEST_P(UnknownArgumentTest, EndsWith1639AndChangesNothing) {
  const TUnknownCase& c = GetParam();
  const TSample sample = InstallUninstallable(GuidSample());
  const TSampleState before = CaptureState(sample);
  const std::vector<std::string> pendingBefore = PendingRenameStrings();
  const std::vector<std::string> foldersBefore = PrivateFolders();
  const std::string logPath = TempFolder() + "KorvaneE2E-unknown-" + c.name + ".log";
  DeleteFileA(logPath.c_str());

  // The log, asked for among them, records the line.
  const std::string commandLine = sample.UninstallString() + " " + c.arguments + " /LOG=\"" + logPath + "\"";
  TProcess started = StartCommandLine(commandLine);
  ASSERT_TRUE(started.handle);
  DWORD code = ~0u;
  ASSERT_TRUE(WaitForExit(started, kDefaultWaitMs, &code));
  EXPECT_EQ(code, 1639u);

  // Ended before any copy or window could be made.
  TWindowQuery main;
  main.className = kMainClass;
  EXPECT_TRUE(FindTopWindows(main).empty()) << "a window was shown";
  TWindowQuery box;
  box.className = "#32770";
  box.title = kAppTitle;
  EXPECT_TRUE(FindTopWindows(box).empty()) << "a message box was shown";
  EXPECT_FALSE(PathExists(TempCopyPath(sample)));
  EXPECT_EQ(PrivateFolders(), foldersBefore) << "a temporary copy was made";
  EXPECT_EQ(PendingRenameStrings(), pendingBefore);
  const TSampleState after = CaptureState(sample);
  EXPECT_EQ(after, before) << "before:\n" << before.Describe() << "after:\n" << after.Describe();

  const std::string log = ReadFileBytes(logPath);
  for (const std::string& line : {"; コマンドライン " + commandLine + "; ",
                                  "不明な引数があるため何もせずに終了します: " + c.unknown + "\r\n",
                                  std::string("終了コード: 1639\r\n")}) {
    EXPECT_NE(log.find(line), std::string::npos) << Show(line) << " not in the log:\n" << Show(log);
  }
  DeleteFileA(logPath.c_str());
}

INSTANTIATE_TEST_SUITE_P(Installed, UnknownArgumentTest, ::testing::ValuesIn(kUnknownCases), TCaseName());

class UsageTest : public TUninstallScenario {};

TEST_F(UsageTest, QuestionMarkShowsTheSwitchesAndEndsWith0) {
  const TSample sample = InstallUninstallable(GuidSample());
  const TSampleState before = CaptureState(sample);
  const std::vector<std::string> foldersBefore = PrivateFolders();

  TProcess started = StartCommandLine(sample.UninstallString() + " /?");
  ASSERT_TRUE(started.handle);
  const HWND box = WaitForMessageBox(started.pid, kAppTitle);
  ASSERT_NE(box, nullptr) << "no usage box";
  const std::string text = MessageBoxText(box);
  const std::string wanted =
      "使い方: SampleUninst.exe [/S] [/LOG | /LOG=ファイル名]\r\n\r\n"
      "/S : 何も表示せずにアンインストールします\r\n"
      "/LOG : 一時フォルダーにログを記録します\r\n"
      "/LOG=ファイル名 : 指定したファイルにログを記録します\r\n"
      "/? : この説明を表示します";
  EXPECT_EQ(text, wanted) << Show(text);
  PressMessageBoxOk(box);
  DWORD code = ~0u;
  ASSERT_TRUE(WaitForExit(started, kDefaultWaitMs, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(PrivateFolders(), foldersBefore) << "a temporary copy was made";
  EXPECT_EQ(CaptureState(sample), before);
}

}  // namespace
}  // namespace e2e
