// The main window from the keyboard, keys sent through the driver: Tab walks btnCancel,
// ListBox1, btnOK; Alt+U and Alt+C press their buttons; Escape closes; Enter presses only the
// focused button. The window also keeps the stored layout when resized.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "uScenario.h"

namespace e2e {
namespace {

// The focused window of the thread that owns window, seen from this process.
HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

int FocusedId(HWND window) {
  Settle(window);
  const HWND focus = FocusOf(window);
  return focus ? GetDlgCtrlID(focus) : 0;
}

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

// Polls with a generous limit: painting follows the resize at the program's own pace.
template <typename F>
bool PollUntilTrue(F condition) {
  for (int i = 0; i < 200; ++i) {
    if (condition()) return true;
    Sleep(100);
  }
  return condition();
}

class KeyboardTest : public TScenario {
 protected:
  // Installs the sample, starts it as Add/Remove Programs does and waits for the main window.
  HWND StartWindow() {
    sample_ = Install(TSampleOptions{});
    before_ = CaptureState(sample_);
    started_ = StartCommandLine(ReadString(HKEY_LOCAL_MACHINE, sample_.keyPath, "UninstallString"));
    EXPECT_TRUE(started_.handle);
    TWindowQuery q;
    q.className = kMainClass;
    q.visibleOnly = true;
    const HWND window = WaitForWindow(q);
    EXPECT_NE(window, nullptr) << "no main window; message box: " << VisibleMessage();
    if (window) owner_ = OpenProcessById(WindowProcessId(window));
    // Keys go to the focused control: wait until the window has given the focus to one.
    const bool focused = window && PollUntilTrue([&] {
      const HWND focus = FocusOf(window);
      return focus && IsChild(window, focus);
    });
    EXPECT_TRUE(focused) << "no control of the window has the focus";
    return window;
  }

  // The window closed, the program ended and nothing of the sample changed.
  void ExpectClosedWithNothingChanged(HWND window) {
    EXPECT_TRUE(WaitForWindowGone(window));
    EXPECT_TRUE(WaitForExit(owner_)) << "the window's process still runs";
    const TSampleState after = CaptureState(sample_);
    EXPECT_EQ(after, before_) << "before:\n" << before_.Describe() << "after:\n" << after.Describe();
  }

  // The uninstall run went through: its closing message, the files gone, the program ended.
  void ExpectUninstalled() {
    const HWND box = WaitForMessageBox(0, kAppTitle);
    ASSERT_NE(box, nullptr) << "no message box after the Uninstall button";
    EXPECT_EQ(MessageBoxText(box), std::string("アンインストールが完了しました")) << Show(MessageBoxText(box));
    PressMessageBoxOk(box);
    EXPECT_TRUE(WaitForExit(owner_)) << "the window's process still runs";
    EXPECT_FALSE(FileExists(sample_.scrPath));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, sample_.keyPath));
  }

  TSample sample_;
  TSampleState before_;
  TProcess started_;
  TProcess owner_;
};

TEST_F(KeyboardTest, TabWalksCancelListUninstallAndAround) {
  const HWND window = StartWindow();
  ASSERT_NE(window, nullptr);

  EXPECT_EQ(FocusedId(window), kCancelButtonId) << "the first tab stop has the focus at start";
  for (int expected : {kListBoxId, kUninstallButtonId, kCancelButtonId}) {
    PostKey(FocusOf(window), VK_TAB);
    EXPECT_EQ(FocusedId(window), expected);
  }
  ASSERT_TRUE(ClickChild(window, kCancelButtonId));
  ExpectClosedWithNothingChanged(window);
}

TEST_F(KeyboardTest, AltCPressesCancel) {
  const HWND window = StartWindow();
  ASSERT_NE(window, nullptr);
  PostKey(FocusOf(window), 'C', true);
  ExpectClosedWithNothingChanged(window);
}

TEST_F(KeyboardTest, EscapeCloses) {
  const HWND window = StartWindow();
  ASSERT_NE(window, nullptr);
  // From the list box too, which would otherwise keep the key for itself.
  PostKey(FocusOf(window), VK_TAB);
  ASSERT_EQ(FocusedId(window), kListBoxId);
  PostKey(FocusOf(window), VK_ESCAPE);
  ExpectClosedWithNothingChanged(window);
}

TEST_F(KeyboardTest, AltUPressesUninstall) {
  const HWND window = StartWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(FocusedId(window), kCancelButtonId);
  PostKey(FocusOf(window), 'U', true);
  ExpectUninstalled();
}

// No default button: Enter on the list box does nothing, Enter on a button presses that one.
TEST_F(KeyboardTest, EnterPressesOnlyTheFocusedButton) {
  const HWND window = StartWindow();
  ASSERT_NE(window, nullptr);

  PostKey(FocusOf(window), VK_TAB);
  ASSERT_EQ(FocusedId(window), kListBoxId);
  PostKey(FocusOf(window), VK_RETURN);
  Settle(window);
  EXPECT_TRUE(IsWindowVisible(window)) << "Enter on the list box closed the window";
  EXPECT_EQ(WaitForMessageBox(0, kAppTitle, 0), nullptr) << VisibleMessage();
  EXPECT_EQ(CaptureState(sample_), before_);

  PostKey(FocusOf(window), VK_TAB);
  ASSERT_EQ(FocusedId(window), kUninstallButtonId);
  PostKey(FocusOf(window), VK_RETURN);
  ExpectUninstalled();
}

TEST_F(KeyboardTest, EnterOnCancelCloses) {
  const HWND window = StartWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(FocusedId(window), kCancelButtonId);
  PostKey(FocusOf(window), VK_RETURN);
  ExpectClosedWithNothingChanged(window);
}

// Enlarging the client area by 100 x 50: the list grows by as much, both buttons move with the
// right and bottom edges, the labels (drawn by the form) stay.
TEST_F(KeyboardTest, ResizeKeepsTheLayout) {
  const HWND window = StartWindow();
  ASSERT_NE(window, nullptr);
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
    const bool drawn = PollUntilTrue([&] { return ScreenColours(screen) > 2; });
    EXPECT_TRUE(drawn) << "the button's area on the screen is blank";
  }

  // The smallest outer size the window can be dragged to.
  MINMAXINFO info = {};
  SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 332);
  EXPECT_EQ(info.ptMinTrackSize.y, 180);

  ASSERT_TRUE(ClickChild(window, kCancelButtonId));
  ExpectClosedWithNothingChanged(window);
}

}  // namespace
}  // namespace e2e
