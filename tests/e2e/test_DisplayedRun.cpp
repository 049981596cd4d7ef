// What the real program shows during an uninstall reads the same on every language setting: the
// window's caption, buttons and list, the running-screen-saver warning, the outcome with its list
// of paths and the missing-entry error, read from outside as UTF-16, are the Japanese texts with
// the product name and paths as written. ctest runs this suite under the Japanese locale (code
// page 932) and again under a Western one (1252) and a UTF-8 one (65001); the program and its
// temporary copy inherit the locale, and UNINST_TEST_ACP names the code page a run is meant for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "uUninstallScenario.h"

namespace e2e {
namespace {

constexpr UINT kJapanese = 932, kWestern = 1252, kUtf8 = CP_UTF8;

const wchar_t kCaptionTail[] = L"スクリーンセーバー Uninstaller";
const wchar_t kUninstallButton[] = L"アンインストール(&U)";
const wchar_t kCancelButton[] = L"キャンセル(&C)";
const wchar_t kRunning[] =
    L"スクリーンセーバーが動作しています\r\n"
    L"画面のプロパティ上でスクリーンセーバーが起動してる場合\r\n"
    L"画面のプロパティを閉じてからアンインストーラーを起動してください";
const wchar_t kDoneAfterRestart[] = L"アンインストールが完了しました\r\n下記のファイルは再起動後に削除されます\r\n";
const wchar_t kMissingTail[] = L" のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました";

// A product name and its folder under Program Files, tried where the ANSI code page holds them.
struct TNamesCase {
  const char* name;
  const wchar_t* product;
  const wchar_t* folder;
  std::vector<UINT> codePages;
};
const TNamesCase kNames[] = {
    {"ascii", L"KvDisplay", L"KvDisplay", {kJapanese, kWestern, kUtf8}},
    {"western", L"Café", L"Café Crème", {kWestern, kUtf8}},
    // 表示: in code page 932 the second byte of 表 is "\".
    {"japanese", L"表示", L"表示", {kJapanese, kUtf8}},
    {"mixed", L"Café表示", L"Été 表", {kUtf8}},
};

std::vector<TNamesCase> NamesForThisCodePage() {
  std::vector<TNamesCase> fitting;
  for (const TNamesCase& c : kNames)
    if (std::find(c.codePages.begin(), c.codePages.end(), GetACP()) != c.codePages.end()) fitting.push_back(c);
  return fitting;
}

std::string Utf8(const std::wstring& text) { return WideToUtf8(text); }

class DisplayedRun : public TUninstallScenario {
 protected:
  void SetUp() override {
    TUninstallScenario::SetUp();
    if (const char* intended = std::getenv("UNINST_TEST_ACP")) {
      ASSERT_EQ(GetACP(), std::strtoul(intended, nullptr, 10)) << "this run's locale does not give its code page";
    }
  }

  TSample InstallNamed(const TNamesCase& c, const std::string& guid, TEntryKind entry) {
    TSampleOptions o = SampleNamed(WideToAnsi(c.product), WideToAnsi(c.folder));
    o.entry = entry;
    if (!guid.empty()) o.appendedBlock = GuidBlock(guid);
    return InstallUninstallable(o);
  }

  // Presses Uninstall and reads the box that the window's process shows, then presses its OK.
  static std::wstring PressUninstallAndReadBox(const TRunningUninstaller& run) {
    if (!ClickChild(run.window, kUninstallButtonId)) return L"(no Uninstall button)";
    const HWND box = WaitForMessageBox(run.copy.pid, kAppTitle);
    if (!box) return L"(no message box)";
    const std::wstring title = WideTextOf(box);
    const std::wstring text = WideMessageBoxText(box);
    PressMessageBoxOk(box);
    WaitForWindowGone(box);
    return title == L"Korvane Uninstaller" ? text : L"(a box titled " + title + L")";
  }
};

TEST_F(DisplayedRun, WindowWarningAndOutcomeShowTheJapaneseTextsWithNamesAndPaths) {
  for (const TNamesCase& c : NamesForThisCodePage()) {
    SCOPED_TRACE(c.name);
    const std::string guid = FreshGuid();
    const TSample sample = InstallNamed(c, guid, TEntryKind::Full);
    TRunningUninstaller run;
    run.started = StartCommandLine(sample.UninstallString());
    ASSERT_TRUE(run.started.handle) << "cannot start " << Utf8(AnsiToWide(sample.UninstallString()));
    TWindowQuery q;
    q.className = kMainClass;
    q.visibleOnly = true;
    run.window = WaitForWindow(q);
    ASSERT_NE(run.window, nullptr) << "no main window; message box: " << VisibleMessage();
    run.copy = OpenProcessById(WindowProcessId(run.window));
    ASSERT_TRUE(run.copy.handle);
    // As with a user, Uninstall comes after the started program has ended and let go of its file.
    ASSERT_TRUE(WaitForExit(run.started)) << "the started program still runs";

    const std::wstring product = c.product;
    EXPECT_EQ(WideTextOf(run.window), product + kCaptionTail) << Utf8(WideTextOf(run.window));
    EXPECT_EQ(WideTextOf(ChildById(run.window, kUninstallButtonId)), kUninstallButton);
    EXPECT_EQ(WideTextOf(ChildById(run.window, kCancelButtonId)), kCancelButton);
    const std::wstring folder = AnsiToWide(ProgramFilesFolder()) + L"\\" + c.folder + L"\\";
    const std::vector<std::wstring> paths = {folder + product + L".scr", folder + product + L".txt",
                                             folder + product + L"Uninst.exe"};
    EXPECT_EQ(WideListBoxItems(ChildById(run.window, kListBoxId)), paths);

    {
      THeldByHelper screenSaver("hold_named_mutex", guid, "");
      ASSERT_TRUE(screenSaver.Ready()) << "the mutex holder did not start";
      const std::wstring warning = PressUninstallAndReadBox(run);
      EXPECT_EQ(warning, kRunning) << Utf8(warning);
    }
    {
      // The .txt file in use: the outcome lists it for the restart.
      THeldByHelper locker("lock_files", "", "\"" + sample.txtPath + "\"");
      ASSERT_TRUE(locker.Ready()) << "the file could not be locked";
      const std::wstring outcome = PressUninstallAndReadBox(run);
      EXPECT_EQ(outcome, kDoneAfterRestart + (L"\r\n" + paths[1])) << Utf8(outcome);
    }
    EXPECT_TRUE(WaitForWindowGone(run.window)) << "the window stays after the outcome";
    DWORD code = ~0u;
    EXPECT_TRUE(WaitForExit(run.copy, kDefaultWaitMs, &code)) << "the copy still runs";
    EXPECT_EQ(code, 3010u);
  }
}

TEST_F(DisplayedRun, MissingEntryErrorShowsTheProductName) {
  for (const TNamesCase& c : NamesForThisCodePage()) {
    SCOPED_TRACE(c.name);
    const TSample sample = InstallNamed(c, std::string(), TEntryKind::Missing);
    const TProcess& started = Start("\"" + sample.uninstallerPath + "\"");
    ASSERT_TRUE(started.handle) << "cannot start " << Utf8(AnsiToWide(sample.uninstallerPath));
    const HWND box = WaitForMessageBox(0, kAppTitle);
    ASSERT_NE(box, nullptr) << "no error box";
    TProcess owner = OpenProcessById(WindowProcessId(box));
    const std::wstring text = WideMessageBoxText(box);
    EXPECT_EQ(text, c.product + std::wstring(kMissingTail)) << Utf8(text);
    PressMessageBoxOk(box);
    EXPECT_TRUE(WaitForExit(owner)) << "the box's process still runs after OK";
    EXPECT_TRUE(WaitForExit(started)) << "the started process still runs";
  }
}

}  // namespace
}  // namespace e2e
