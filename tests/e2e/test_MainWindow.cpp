// The installed uninstaller, started as Add/Remove Programs starts it, shows the window that
// lists the product's existing files; Cancel closes it and the program ends with nothing changed.
// The window keeps its stored layout when resized.
#include <gtest/gtest.h>

#include <set>

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
  TSampleOptions o = SampleNamed(c.product, "", c.uninstallerName);
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
  const HWND window = WaitForMainWindow();
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

INSTANTIATE_TEST_SUITE_P(Installed, MainWindowTest, ::testing::ValuesIn(kWindowCases), TCaseName());

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
  const HWND window = WaitForMainWindow();
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

INSTANTIATE_TEST_SUITE_P(Installed, CloseRouteTest, ::testing::ValuesIn(kCloseCases), TCaseName());

// How many colours the screen shows inside a rectangle (every other pixel).
std::size_t ScreenColours(const RECT& area) {
  HDC screen = GetDC(nullptr);
  std::set<COLORREF> colours;
  for (int y = area.top; y < area.bottom; y += 2) {
    for (int x = area.left; x < area.right; x += 2) colours.insert(GetPixel(screen, x, y));
  }
  ReleaseDC(nullptr, screen);
  return colours.size();
}

class MainWindowResizeTest : public TScenario {};

// Enlarging the client area by 100 x 50: the list grows by as much, both buttons move with the
// right and bottom edges, the labels (drawn by the form) stay.
TEST_F(MainWindowResizeTest, KeepsTheLayoutAndPaintsTheGrownArea) {
  const TSample sample = Install(TSampleOptions());
  const TSampleState before = CaptureState(sample);
  ASSERT_TRUE(Start(sample.UninstallString()).handle);
  const HWND window = WaitForMainWindow();
  ASSERT_NE(window, nullptr) << "no main window; message box: " << VisibleMessage();
  TProcess owner = OpenProcessById(WindowProcessId(window));
  RECT outer = {};
  GetWindowRect(window, &outer);
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + 100, outer.bottom - outer.top + 50,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Settle(window);
  const TWindowDump dump = DumpWindow(window);
  EXPECT_EQ(dump.clientSize.cx, 500);
  EXPECT_EQ(dump.clientSize.cy, 270);

  struct Want {
    int id;
    RECT rect;
  };
  const Want wants[] = {
      {kListBoxId, {8, 48, 8 + 485, 48 + 187}},
      {kUninstallButtonId, {184, 244, 184 + 150, 244 + 20}},
      {kCancelButtonId, {344, 244, 344 + 150, 244 + 20}},
  };
  for (const Want& w : wants) {
    SCOPED_TRACE("control " + std::to_string(w.id));
    const RECT r = RectInParent(ChildById(window, w.id));
    EXPECT_EQ(r.left, w.rect.left);
    EXPECT_EQ(r.top, w.rect.top);
    EXPECT_EQ(r.right, w.rect.right);
    EXPECT_EQ(r.bottom, w.rect.bottom);
  }

  // What the screen shows: the buttons moved into the grown area are drawn there, not left as
  // the blank of newly exposed window area.
  for (int id : {kUninstallButtonId, kCancelButtonId}) {
    SCOPED_TRACE("button " + std::to_string(id));
    RECT screen = {};
    GetWindowRect(ChildById(window, id), &screen);
    const bool drawn = WaitUntil([&] { return ScreenColours(screen) > 2; });
    EXPECT_TRUE(drawn) << "the button's area on the screen is blank";
  }

  // The smallest outer size the window can be dragged to.
  MINMAXINFO info = {};
  SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 332);
  EXPECT_EQ(info.ptMinTrackSize.y, 180);

  ASSERT_TRUE(ClickChild(window, kCancelButtonId));
  EXPECT_TRUE(WaitForWindowGone(window));
  EXPECT_TRUE(WaitForExit(owner)) << "the window's process still runs";
  EXPECT_EQ(CaptureState(sample), before);
}

}  // namespace
}  // namespace e2e
