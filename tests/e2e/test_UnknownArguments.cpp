// What the command line may ask. A switch of no known form ends the program with 1639
// (ERROR_INVALID_COMMAND_LINE) and changes nothing: with "/S" nothing is shown, so that a tool
// that guessed a switch learns it from the code; without it, a person sees the switches and the
// one that was not understood. A word that is no switch is not read: the start is a normal one
// (test_Relaunch). "/?" shows the switches.
#include <gtest/gtest.h>

#include "uUninstallScenario.h"

namespace e2e {
namespace {

const char kUsageText[] =
    "使い方: SampleUninst.exe [/S] [/LOG | /LOG=ファイル名]\r\n\r\n"
    "/S : 何も表示せずにアンインストールします\r\n"
    "/LOG : 一時フォルダーにログを記録します\r\n"
    "/LOG=ファイル名 : 指定したファイルにログを記録します\r\n"
    "/? : この説明を表示します";

struct TSwitchCase {
  const char* name;
  std::string unknown;  // the switch of no known form, as written after the UninstallString
};

std::ostream& operator<<(std::ostream& os, const TSwitchCase& c) { return os << c.name; }

const TSwitchCase kSwitchCases[] = {
    {"Silent", "/SILENT"},
    {"Quiet", "/quiet"},
    {"DashS", "-s"},
    {"SWithValue", "/S=1"},
    {"LogWithColon", "/LOG:x"},
};

class TCommandLineScenario : public TUninstallScenario {
 protected:
  // Runs the sample's uninstaller with arguments; when a box comes, reads it into boxText and
  // presses OK. The exit code, ~0u when it did not end.
  DWORD Run(const TSample& sample, const std::string& arguments, std::string* boxText) {
    TProcess started = StartCommandLine(sample.UninstallString() + " " + arguments);
    if (!started.handle) return ~0u;
    if (boxText) {
      const HWND box = WaitForMessageBox(started.pid, ProgramTitle(sample));
      *boxText = box ? MessageBoxText(box) : std::string("(no box)");
      if (box) PressMessageBoxOk(box);
    }
    DWORD code = ~0u;
    WaitForExit(started, kDefaultWaitMs, &code);
    return code;
  }

  // Nothing of the sample changed, no copy was made, and no window or box of the program is left.
  void ExpectNothingChanged(const TSample& sample) {
    TWindowQuery main;
    main.className = kMainClass;
    EXPECT_TRUE(FindTopWindows(main).empty()) << "a window was shown";
    for (const std::string& title : {std::string(kAppTitle), ProgramTitle(sample)}) {
      TWindowQuery box;
      box.className = "#32770";
      box.title = title;
      EXPECT_TRUE(FindTopWindows(box).empty()) << "a message box is left: " << title;
    }
    EXPECT_FALSE(PathExists(TempCopyPath(sample)));
    EXPECT_EQ(PrivateFolders(), foldersBefore_) << "a temporary copy was made";
    EXPECT_EQ(PendingRenameStrings(), pendingBefore_);
    const TSampleState after = CaptureState(sample);
    EXPECT_EQ(after, before_) << "before:\n" << before_.Describe() << "after:\n" << after.Describe();
  }

  TSample InstallAndRecord() {
    const TSample sample = InstallUninstallable(GuidSample());
    before_ = CaptureState(sample);
    pendingBefore_ = PendingRenameStrings();
    foldersBefore_ = PrivateFolders();
    return sample;
  }

 private:
  TSampleState before_;
  std::vector<std::string> pendingBefore_;
  std::vector<std::string> foldersBefore_;
};

class UnknownSwitchTest : public TCommandLineScenario, public ::testing::WithParamInterface<TSwitchCase> {};

// With "/S" among the arguments nothing is shown at all; the log, asked for beside it, records
// the line and the switch.
TEST_P(UnknownSwitchTest, WithSilentSwitchEndsWith1639ShowingNothing) {
  const TSwitchCase& c = GetParam();
  const TSample sample = InstallAndRecord();
  const std::string logPath = TempFolder() + "KorvaneE2E-unknown-" + c.name + ".log";
  DeleteFileA(logPath.c_str());

  const std::string arguments = "/S " + c.unknown + " /LOG=\"" + logPath + "\"";
  EXPECT_EQ(Run(sample, arguments, nullptr), 1639u);
  ExpectNothingChanged(sample);

  const std::string log = ReadFileBytes(logPath);
  for (const std::string& line : {"; コマンドライン " + sample.UninstallString() + " " + arguments + "; ",
                                  "不明なスイッチがあるため何もせずに終了します: " + c.unknown + "\r\n",
                                  std::string("終了コード: 1639\r\n")}) {
    EXPECT_NE(log.find(line), std::string::npos) << Show(line) << " not in the log:\n" << Show(log);
  }
  DeleteFileA(logPath.c_str());
}

// Without "/S" a person typed it: the switches, with the one not understood named above them.
TEST_P(UnknownSwitchTest, WithoutSilentSwitchShowsTheSwitchesAndEndsWith1639) {
  const TSwitchCase& c = GetParam();
  const TSample sample = InstallAndRecord();
  std::string text;
  EXPECT_EQ(Run(sample, c.unknown, &text), 1639u);
  EXPECT_EQ(text, "不明なスイッチです: " + c.unknown + "\r\n\r\n" + kUsageText) << Show(text);
  ExpectNothingChanged(sample);
}

INSTANTIATE_TEST_SUITE_P(Installed, UnknownSwitchTest, ::testing::ValuesIn(kSwitchCases), TCaseName());

class UsageTest : public TCommandLineScenario {};

TEST_F(UsageTest, QuestionMarkShowsTheSwitchesAndEndsWith0) {
  const TSample sample = InstallAndRecord();
  std::string text;
  EXPECT_EQ(Run(sample, "/?", &text), 0u);
  EXPECT_EQ(text, kUsageText) << Show(text);
  ExpectNothingChanged(sample);
  // Beside "/S", which promises that nothing is shown, it asks for nothing that can be done.
  EXPECT_EQ(Run(sample, "/? /S", nullptr), 1639u);
  ExpectNothingChanged(sample);
}

}  // namespace
}  // namespace e2e
