// The installed uninstaller, started as Add/Remove Programs starts it, shows the window that
// lists the product's existing files; Cancel closes it and the program ends with nothing changed.
#include <gtest/gtest.h>

#include "uScenario.h"

namespace e2e {
namespace {

struct TWindowCase {
  const char* name;
  std::string product;
  std::string uninstallerName;  // empty: product + "Uninst.exe"
  bool scr, txt, quoted;
};

std::ostream& operator<<(std::ostream& os, const TWindowCase& c) { return os << c.name; }

const TWindowCase kWindowCases[] = {
    {"AllThreeFiles", "Sample", "", true, true, true},
    {"TextFileMissing", "Sample", "", true, false, true},
    {"ScreenSaverMissing", "Sample", "", false, true, true},
    {"UnquotedUninstallString", "Sample", "", true, true, false},
    // The search for "Uninst" ignores case; the product keeps its letters as written.
    {"UninstInOtherCase", "Sample", "SampleUNINST.EXE", true, true, true},
    // 0x95 0x5C: the second byte of the first character is a backslash.
    {"TrailByteBackslashName", "表示", "", true, true, true},
};

class MainWindowTest : public TScenario, public ::testing::WithParamInterface<TWindowCase> {};

TEST_P(MainWindowTest, ListsExistingFilesAndCancelEndsTheProgram) {
  const TWindowCase& c = GetParam();
  TSampleOptions o;
  o.product = c.product;
  o.uninstallerName = c.uninstallerName;
  o.scr = c.scr;
  o.txt = c.txt;
  o.quoteUninstallString = c.quoted;
  const TSample sample = Install(o);
  const TSampleState before = CaptureState(sample);

  std::vector<std::string> expected;
  if (c.scr) expected.push_back(sample.scrPath);
  if (c.txt) expected.push_back(sample.txtPath);
  expected.push_back(sample.uninstallerPath);

  const TProcess& started = Start(ReadString(HKEY_LOCAL_MACHINE, sample.keyPath, "UninstallString"));
  ASSERT_TRUE(started.handle) << "cannot start " << Show(sample.UninstallString());

  // Found across processes: the window need not belong to the process started here.
  TWindowQuery q;
  q.className = kMainClass;
  q.visibleOnly = true;
  const HWND window = WaitForWindow(q);
  ASSERT_NE(window, nullptr) << "no main window; message box: " << VisibleMessage();
  TProcess owner = OpenProcessById(WindowProcessId(window));
  ASSERT_TRUE(owner.handle);

  const TWindowDump dump = DumpWindow(window);
  EXPECT_EQ(dump.window.className, kMainClass);
  EXPECT_EQ(dump.window.text, MainCaption(c.product)) << Show(dump.window.text);
  EXPECT_EQ(dump.clientSize.cx, 400);
  EXPECT_EQ(dump.clientSize.cy, 220);

  struct TControl {
    int id;
    const char* className;
    std::string text;
    RECT rect;
  };
  const TControl controls[] = {
      {kListBoxId, "ListBox", "", {8, 48, 8 + 385, 48 + 137}},
      {kUninstallButtonId, "Button", "アンインストール(&U)", {84, 194, 84 + 150, 194 + 20}},
      {kCancelButtonId, "Button", "キャンセル(&C)", {244, 194, 244 + 150, 194 + 20}},
  };
  for (const TControl& want : controls) {
    SCOPED_TRACE("control " + std::to_string(want.id));
    const HWND h = ChildById(window, want.id);
    ASSERT_NE(h, nullptr);
    const TWindowInfo info = InfoOf(h);
    EXPECT_EQ(lstrcmpiA(info.className.c_str(), want.className), 0) << info.className;
    if (want.id != kListBoxId) {
      EXPECT_EQ(info.text, want.text) << Show(info.text);
    }
    EXPECT_TRUE(info.visible);
    EXPECT_EQ(info.rect.left, want.rect.left);
    EXPECT_EQ(info.rect.top, want.rect.top);
    EXPECT_EQ(info.rect.right, want.rect.right);
    EXPECT_EQ(info.rect.bottom, want.rect.bottom);
  }

  const std::vector<std::string> lines = ListBoxItems(ChildById(window, kListBoxId));
  EXPECT_EQ(lines, expected) << "got:" << Show(lines) << "\nwanted:" << Show(expected);

  ASSERT_TRUE(ClickChild(window, kCancelButtonId));
  EXPECT_TRUE(WaitForWindowGone(window));
  EXPECT_TRUE(WaitForExit(owner)) << "the window's process still runs";
  EXPECT_TRUE(WaitForExit(started)) << "the started process still runs";
  const TSampleState after = CaptureState(sample);
  EXPECT_EQ(after, before) << "before:\n" << before.Describe() << "after:\n" << after.Describe();
}

INSTANTIATE_TEST_SUITE_P(Installed, MainWindowTest, ::testing::ValuesIn(kWindowCases),
                         [](const ::testing::TestParamInfo<TWindowCase>& info) { return info.param.name; });

// Every way of closing the window ends the program and deletes nothing.
enum class TCloseRoute { EscapePosted, EscapeTyped, CloseBox };

struct TCloseCase {
  const char* name;
  TCloseRoute route;
};

std::ostream& operator<<(std::ostream& os, const TCloseCase& c) { return os << c.name; }

class CloseRouteTest : public TScenario, public ::testing::WithParamInterface<TCloseCase> {};

TEST_P(CloseRouteTest, EndsTheProgramWithNothingChanged) {
  const TSample sample = Install(TSampleOptions());
  const TSampleState before = CaptureState(sample);
  const TProcess& started = Start(sample.UninstallString());
  ASSERT_TRUE(started.handle);
  TWindowQuery q;
  q.className = kMainClass;
  q.visibleOnly = true;
  const HWND window = WaitForWindow(q);
  ASSERT_NE(window, nullptr) << "no main window; message box: " << VisibleMessage();
  TProcess owner = OpenProcessById(WindowProcessId(window));
  ASSERT_TRUE(owner.handle);
  ASSERT_TRUE(Settle(window));

  switch (GetParam().route) {
    case TCloseRoute::EscapePosted:
      PostKey(FocusOf(window), VK_ESCAPE);
      break;
    case TCloseRoute::EscapeTyped:
      ASSERT_TRUE(TypeKey(window, VK_ESCAPE)) << "the window did not come to the foreground";
      break;
    case TCloseRoute::CloseBox:
      PostClose(window);
      break;
  }
  EXPECT_TRUE(WaitForWindowGone(window));
  EXPECT_TRUE(WaitForExit(owner)) << "the window's process still runs";
  EXPECT_TRUE(WaitForExit(started));
  EXPECT_EQ(CaptureState(sample), before);
}

const TCloseCase kCloseCases[] = {
    {"EscapePostedToTheFocus", TCloseRoute::EscapePosted},
    {"EscapeTyped", TCloseRoute::EscapeTyped},
    {"CloseBox", TCloseRoute::CloseBox},
};

INSTANTIATE_TEST_SUITE_P(Installed, CloseRouteTest, ::testing::ValuesIn(kCloseCases),
                         [](const ::testing::TestParamInfo<TCloseCase>& info) { return info.param.name; });

}  // namespace
}  // namespace e2e
