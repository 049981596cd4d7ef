// The main window from the keyboard, keys sent through the driver: Tab walks btnCancel,
// ListBox1, btnOK; Alt+U and Alt+C press their buttons; Escape closes; Enter presses only the
// focused button.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "uScenario.h"

namespace e2e {
namespace {

int FocusedId(HWND window) {
  Settle(window);
  const HWND focus = FocusOf(window);
  return focus ? GetDlgCtrlID(focus) : 0;
}

class KeyboardTest : public TScenario {
 protected:
  // Installs the sample, starts it as Add/Remove Programs does and waits for the main window.
  HWND StartWindow() {
    // With a block at the end of the file, which both routes read.
    TSampleOptions o;
    o.guid = "{0B5E7C3A-4D21-4E6F-8A90-6B1D2C3E4F50}";
    sample_ = Install(o);
    before_ = CaptureState(sample_);
    started_ = StartCommandLine(ReadString(HKEY_LOCAL_MACHINE, sample_.keyPath, "UninstallString"));
    EXPECT_TRUE(started_.handle);
    const HWND window = WaitForMainWindow();
    EXPECT_NE(window, nullptr) << "no main window; message box: " << VisibleMessage();
    if (window) owner_ = OpenProcessById(WindowProcessId(window));
    // Keys go to the focused control: wait until the window has given the focus to one.
    const bool focused = window && WaitUntil([&] {
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

// Each key that closes the window without uninstalling, typed where the focus is after some Tabs.
struct TCloseKey {
  const char* name;
  int tabs;       // Tab presses before the key
  int focusedId;  // the control that then has the focus
  WORD vk;
  bool alt;
};

std::ostream& operator<<(std::ostream& os, const TCloseKey& c) { return os << c.name; }

class KeyboardCloseTest : public KeyboardTest, public ::testing::WithParamInterface<TCloseKey> {};

TEST_P(KeyboardCloseTest, ClosesWithNothingChanged) {
  const TCloseKey& c = GetParam();
  const HWND window = StartWindow();
  ASSERT_NE(window, nullptr);
  for (int i = 0; i < c.tabs; ++i) PostKey(FocusOf(window), VK_TAB);
  ASSERT_EQ(FocusedId(window), c.focusedId);
  PostKey(FocusOf(window), c.vk, c.alt);
  ExpectClosedWithNothingChanged(window);
}

const TCloseKey kCloseKeys[] = {
    {"AltCPressesCancel", 0, kCancelButtonId, 'C', true},
    // From the list box too, which would otherwise keep the key for itself.
    {"EscapeFromTheList", 1, kListBoxId, VK_ESCAPE, false},
    {"EnterOnCancel", 0, kCancelButtonId, VK_RETURN, false},
};

INSTANTIATE_TEST_SUITE_P(Keys, KeyboardCloseTest, ::testing::ValuesIn(kCloseKeys), TCaseName());

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

}  // namespace
}  // namespace e2e
