// The Alt key cue repaint hook: what one WM_UPDATEUISTATE marks for repainting, read back with
// GetUpdateRect before any painting happens, and when the hook exists at all. The hook asks the
// program's own visual-styles question, whose theme answer comes here from a test's stand-in for
// the theme library's functions, which also counts how often the hook asks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <ostream>
#include <string>
#include <vector>

#include "app/uMainLayout.h"
#include "system/uPlatform_win.h"
#include "ui/uAltKeyCueHook_win.h"
#include "winsupport/uImportHook.h"
#include "winsupport/uRunInCopy.h"
#include "winsupport/uTestApplication.h"

namespace {

using testsupport::TTestApplication;

// The theme library's answer while a TThemeAnswer exists: the program looks its functions up with
// GetProcAddress, which hands out these stand-ins instead.
enum class TStyles { On, Off, Throw };
TStyles styles = TStyles::On;
int styleQueries = 0;

BOOL WINAPI IsAppThemedStandIn() {
  ++styleQueries;
  // An answer that fails must not take the message or the program with it.
  if (styles == TStyles::Throw) throw std::runtime_error("theme query failed");
  return styles == TStyles::On;
}
BOOL WINAPI IsThemeActiveStandIn() { return TRUE; }

const testsupport::TImportHook* lookupHook = nullptr;
FARPROC WINAPI GetProcAddressStandIn(HMODULE module, LPCSTR name) {
  const bool byName = (reinterpret_cast<std::uintptr_t>(name) >> 16) != 0;
  void* standIn = nullptr;
  if (byName && std::strcmp(name, "IsAppThemed") == 0) standIn = reinterpret_cast<void*>(&IsAppThemedStandIn);
  if (byName && std::strcmp(name, "IsThemeActive") == 0) standIn = reinterpret_cast<void*>(&IsThemeActiveStandIn);
  if (standIn) return reinterpret_cast<FARPROC>(standIn);
  return lookupHook->Original<decltype(&GetProcAddress)>()(module, name);
}

class TThemeAnswer {
 public:
  explicit TThemeAnswer(TStyles answer)
      : hook_("KERNEL32.dll", "GetProcAddress", reinterpret_cast<const void*>(&GetProcAddressStandIn)) {
    styles = answer;
    styleQueries = 0;
    lookupHook = &hook_;
  }
  ~TThemeAnswer() { lookupHook = nullptr; }
  bool Installed() const { return hook_.Installed(); }

 private:
  testsupport::TImportHook hook_;
};

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
    ASSERT_TRUE(theme_.Installed());
    altkeycuehook::StartUp();
  }
  void TearDown() override {
    forms_.clear();
    altkeycuehook::ShutDown();
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

  const TThemeAnswer theme_{TStyles::On};
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
  struct TCase {
    const char* what;
    TStyles answer;
  } cases[] = {{"styles off", TStyles::Off}, {"failing answer", TStyles::Throw}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    styles = c.answer;
    styleQueries = 0;
    TMainLayoutForm& form = ShowMainForm();
    SendCueChange(form.Handle());
    ExpectUpdates(form.Windows, false);
    EXPECT_GE(styleQueries, 1);
  }
}

TEST_F(AltFixHook, FormWithoutWindowedChildrenMarksOnlyItself) {
  TMainLayoutForm& mainForm = ShowMainForm();
  ui::TForm& labelOnly = ShowLabelOnlyForm();

  SendCueChange(labelOnly.Handle());

  EXPECT_TRUE(HasUpdate(labelOnly.Handle()));
  ExpectUpdates(mainForm.Windows, false);
}

// Only a cue change on a form's own window repaints anything, and the theme is asked about the cue
// change alone: every other message sent on the thread passes the hook without the question.
TEST_F(AltFixHook, OnlyTheCueChangeAsksAboutTheTheme) {
  TMainLayoutForm& form = ShowMainForm();
  const std::vector<HWND> windows = form.Windows;
  styleQueries = 0;
  SendMessageA(form.Handle(), WM_NULL, 0, 0);
  SendMessageA(form.Handle(), WM_GETTEXTLENGTH, 0, 0);
  EXPECT_EQ(styleQueries, 0);
  ExpectUpdates(windows, false);

  // A window of this thread that is no form.
  const HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  SendCueChange(other);
  EXPECT_GE(styleQueries, 1);
  ExpectUpdates(windows, false);
  DestroyWindow(other);

  SendCueChange(form.Handle());
  ExpectUpdates(windows, true);
}

TEST(AltFixModule, ShutDownRemovesAndStartUpInstallsAgain) {
  const TThemeAnswer theme(TStyles::On);
  ASSERT_TRUE(theme.Installed());
  TTestApplication application;
  altkeycuehook::StartUp();
  altkeycuehook::StartUp();  // a second start-up keeps the one hook
  EXPECT_TRUE(CueChangeRepaints());
  altkeycuehook::ShutDown();
  EXPECT_FALSE(CueChangeRepaints());
  altkeycuehook::ShutDown();
  EXPECT_FALSE(CueChangeRepaints());
  {
    const altkeycuehook::TCueRepaintHook module;
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
  const TThemeAnswer theme(TStyles::On);
  ASSERT_TRUE(theme.Installed());
  TTestApplication application;
  altkeycuehook::StartUp();
  EXPECT_EQ(CueChangeRepaints(), c.hook);
  altkeycuehook::ShutDown();
  EXPECT_FALSE(CueChangeRepaints());
}

INSTANTIATE_TEST_SUITE_P(Versions, AltFixModuleVersion,
                         ::testing::Values(TVersionCase{"winxp", 5, 1, false}, TVersionCase{"win7", 6, 1, true},
                                           TVersionCase{"win10", 6, 2, true}),
                         [](const ::testing::TestParamInfo<TVersionCase>& info) {
                           return std::string(info.param.version);
                         });

}  // namespace
