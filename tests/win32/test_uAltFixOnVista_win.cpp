// The Alt key cue repaint hook: what one WM_UPDATEUISTATE marks for repainting, read back with
// GetUpdateRect before any painting happens, and when the hook exists at all. The hook asks the
// question it is started with; here a test's own answer, which also counts how often it is asked.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <ostream>
#include <string>
#include <vector>

#include "app/uMainLayout.h"
#include "system/uPlatform_win.h"
#include "ui/uAltFixOnVista_win.h"
#include "ui/uVisualStyles_win.h"
#include "winsupport/uRunInCopy.h"
#include "winsupport/uTestApplication.h"

namespace {

using testsupport::TTestApplication;

int styleQueries = 0;
bool StylesOn() {
  ++styleQueries;
  return true;
}
bool StylesOff() {
  ++styleQueries;
  return false;
}
// An answer that fails must not take the message or the program with it.
bool StylesThrow() { throw std::runtime_error("theme query failed"); }

// The main window's layout without the main window's behaviour (no registry, no message box).
class TMainLayoutForm : public ui::TForm {
 public:
  TMainLayoutForm() : ui::TForm(layout::kMainLayout.Form) {
    const layout::TMainLayout& l = layout::kMainLayout;
    Add<ui::TLabel>(l.Label1);
    Add<ui::TLabel>(l.lblExplain);
    Windows = {Add<ui::TListBox>(l.ListBox1)->Handle(), Add<ui::TButton>(l.btnOK)->Handle(),
               Add<ui::TButton>(l.btnCancel)->Handle(), Handle()};
    Loaded();
  }
  // The windowed parts, the form last.
  std::vector<HWND> Windows;
};

// A form whose only child has no window of its own.
class TLabelOnlyForm : public ui::TForm {
 public:
  TLabelOnlyForm()
      : ui::TForm({"TAltFixLabelOnly", "frmLabelOnly", OWN_TEXT("Label only"), 200, 100, 0, 0,
                   {OWN_TEXT("ＭＳ Ｐゴシック"), -12, layout::kShiftJisCharset}}) {
    Add<ui::TLabel>({"Label1", 8, 8, 100, 12, OWN_TEXT("ラベル"), -1, 0, false, 0});
    Loaded();
  }
};

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool HasUpdate(HWND window) {
  RECT area;
  return GetUpdateRect(window, &area, FALSE) != FALSE;
}

// Shown without activation and fully painted, with no update region left anywhere.
void ShowPainted(ui::TForm& form) {
  ShowWindow(form.Handle(), SW_SHOWNA);
  PumpMessages();
  RedrawWindow(form.Handle(), nullptr, nullptr,
               RDW_VALIDATE | RDW_NOERASE | RDW_NOFRAME | RDW_NOINTERNALPAINT | RDW_ALLCHILDREN);
}

void ExpectUpdates(const std::vector<HWND>& windows, bool expected) {
  for (HWND window : windows) {
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    EXPECT_EQ(HasUpdate(window), expected) << className;
  }
}

void SendCueChange(HWND window) {
  SendMessageA(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);
}

// Whether a cue change on a shown main window marks it for repainting: the installed hook's
// whole effect, seen from outside.
bool CueChangeRepaints() {
  TMainLayoutForm form;
  ShowPainted(form);
  SendCueChange(form.Handle());
  return HasUpdate(form.Handle());
}

class AltFixHook : public ::testing::Test {
 protected:
  void SetUp() override {
    styleQueries = 0;
    altfixonvista::StartUp(&StylesOn);
  }
  void TearDown() override {
    forms_.clear();
    altfixonvista::ShutDown();
  }

  TMainLayoutForm& ShowMainForm() {
    auto form = std::make_unique<TMainLayoutForm>();
    TMainLayoutForm& shown = *form;
    forms_.push_back(std::move(form));
    ShowPainted(shown);
    return shown;
  }
  ui::TForm& ShowLabelOnlyForm() {
    forms_.push_back(std::make_unique<TLabelOnlyForm>());
    ShowPainted(*forms_.back());
    return *forms_.back();
  }

  TTestApplication application_;
  std::vector<std::unique_ptr<ui::TForm>> forms_;
};

TEST_F(AltFixHook, CueChangeOnTheFormMarksItsWindowedControlsAndItself) {
  TMainLayoutForm& form = ShowMainForm();
  const std::vector<HWND> windows = form.Windows;
  ExpectUpdates(windows, false);

  SendCueChange(form.Handle());

  ExpectUpdates(windows, true);
  EXPECT_GE(styleQueries, 1);
}

TEST_F(AltFixHook, CueChangeOnAButtonMarksNothing) {
  TMainLayoutForm& form = ShowMainForm();
  const std::vector<HWND> windows = form.Windows;

  for (std::size_t i = 0; i + 1 < windows.size(); ++i) {
    SendCueChange(windows[i]);
    ExpectUpdates(windows, false);
  }
}

// Without visual styles, and with an answer that fails, nothing is marked and the message goes on.
TEST_F(AltFixHook, WithoutAnAnswerOfStylesInEffectNothingIsMarked) {
  struct Case {
    const char* what;
    altfixonvista::TStylesQuery query;
  } cases[] = {{"styles off", &StylesOff}, {"failing answer", &StylesThrow}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    altfixonvista::ShutDown();
    altfixonvista::StartUp(c.query);
    TMainLayoutForm& form = ShowMainForm();
    SendCueChange(form.Handle());
    ExpectUpdates(form.Windows, false);
  }
  EXPECT_GE(styleQueries, 1);
}

TEST_F(AltFixHook, FormWithoutWindowedChildrenMarksOnlyItself) {
  TMainLayoutForm& mainForm = ShowMainForm();
  ui::TForm& labelOnly = ShowLabelOnlyForm();

  SendCueChange(labelOnly.Handle());

  EXPECT_TRUE(HasUpdate(labelOnly.Handle()));
  ExpectUpdates(mainForm.Windows, false);
}

// One record alone through the hook's decision: only a cue change with a non-negative code is
// looked at, and only a form's own window repaints anything. The installed hook is removed
// first, so that the marks seen come from these calls alone.
TEST_F(AltFixHook, OnlyTheCueChangeWithANonNegativeCodeIsLookedAt) {
  TMainLayoutForm& form = ShowMainForm();
  const std::vector<HWND> windows = form.Windows;
  altfixonvista::ShutDown();

  CWPSTRUCT cueChange = {};
  cueChange.message = WM_UPDATEUISTATE;
  cueChange.hwnd = form.Handle();
  CWPSTRUCT otherMessage = cueChange;
  otherMessage.message = WM_SETTEXT;
  CWPSTRUCT unknownWindow = cueChange;
  unknownWindow.hwnd = GetDesktopWindow();

  struct Case {
    const char* what;
    int code;
    const CWPSTRUCT* record;
    int expectedQueries;
  };
  const Case cases[] = {
      {"negative code", -1, &cueChange, 0},
      {"another message", HC_ACTION, &otherMessage, 0},
      {"no record", HC_ACTION, nullptr, 0},
      {"a window that is no form", HC_ACTION, &unknownWindow, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    styleQueries = 0;
    EXPECT_FALSE(altfixonvista::RepaintOnCueChange(c.code, c.record, &StylesOn));
    EXPECT_EQ(styleQueries, c.expectedQueries);
    ExpectUpdates(windows, false);
  }

  styleQueries = 0;
  EXPECT_TRUE(altfixonvista::RepaintOnCueChange(HC_ACTION, &cueChange, &StylesOn));
  EXPECT_EQ(styleQueries, 1);
  ExpectUpdates(windows, true);
}

TEST(AltFixModule, ShutDownRemovesAndStartUpInstallsAgain) {
  TTestApplication application;
  altfixonvista::StartUp(&StylesOn);
  altfixonvista::StartUp(&StylesOn);  // a second start-up keeps the one hook
  EXPECT_TRUE(CueChangeRepaints());
  altfixonvista::ShutDown();
  EXPECT_FALSE(CueChangeRepaints());
  altfixonvista::ShutDown();
  EXPECT_FALSE(CueChangeRepaints());
  {
    const altfixonvista::TAltFixModule module(&StylesOn);
    EXPECT_TRUE(CueChangeRepaints());
  }
  EXPECT_FALSE(CueChangeRepaints());
}

// Under Wine's per-program Windows version: the hook exists from 6.0 on. A program without a
// compatibility section in its manifest sees Windows 10 as 6.2, so only the major version of the
// later ones is certain.
struct TVersionCase {
  const char* version;
  DWORD major, minor;
  bool hook;
};

std::ostream& operator<<(std::ostream& os, const TVersionCase& c) { return os << c.version; }

class AltFixModuleVersion : public ::testing::TestWithParam<TVersionCase> {};

TEST_P(AltFixModuleVersion, HookFromWindows6On) {
  const TVersionCase& c = GetParam();
  if (testsupport::RunInCopy(c.version)) return;
  const platform::TWindowsVersion& v = platform::WindowsVersion();
  if (c.major < 6) {
    ASSERT_EQ(v.Major, c.major);
    ASSERT_EQ(v.Minor, c.minor);
  } else {
    ASSERT_EQ(v.Major, 6u);
    ASSERT_GE(v.Minor, c.minor);
  }
  TTestApplication application;
  altfixonvista::StartUp(&StylesOn);
  EXPECT_EQ(CueChangeRepaints(), c.hook);
  altfixonvista::ShutDown();
  EXPECT_FALSE(CueChangeRepaints());
}

INSTANTIATE_TEST_SUITE_P(Versions, AltFixModuleVersion,
                         ::testing::Values(TVersionCase{"winxp", 5, 1, false}, TVersionCase{"win7", 6, 1, true},
                                           TVersionCase{"win10", 6, 2, true}),
                         [](const ::testing::TestParamInfo<TVersionCase>& info) {
                           return std::string(info.param.version);
                         });

}  // namespace
