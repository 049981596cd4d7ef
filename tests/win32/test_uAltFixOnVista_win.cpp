// The Alt key cue repaint hook: what one WM_UPDATEUISTATE marks for repainting, read back with
// GetUpdateRect before any painting happens, and when the hook exists at all. Visual styles are
// switched through the toolkit's replaceable answer, which also counts how often it is asked.
#include <gtest/gtest.h>

#include <cwchar>
#include <iterator>
#include <memory>
#include <string>

#include "resources/uMainLayout.h"
#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"
#include "ui/uAltFixOnVista_win.h"
#include "ui/uForms_win.h"
#include "ui/uVisualStyles_win.h"
#include "win32/win32_test_support.h"

namespace {

int styleQueries = 0;
bool StylesOn() {
  ++styleQueries;
  return true;
}
bool StylesOff() {
  ++styleQueries;
  return false;
}

// A form whose only child has no window of its own.
constexpr ui::TComponentLayout kLabelOnlyComponents[] = {
    {"Label1", ui::TComponentKind::Label, 8, 8, 100, 12, "ラベル", -1, 0, false, 0},
};
constexpr ui::TFormLayout kLabelOnlyLayout = {
    "TAltFixLabelOnly", "frmLabelOnly", "Label only", 200, 100, 0, 0,
    {"ＭＳ Ｐゴシック", -12, layout::kShiftJisCharset},
    kLabelOnlyComponents, std::size(kLabelOnlyComponents),
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

class AltFixHook : public ::testing::Test {
 protected:
  void SetUp() override {
    styleQueries = 0;
    ui::SetVisualStylesQuery(&StylesOn);
    altfix::StartUp();
    ASSERT_TRUE(altfix::HookInstalled()) << "the test runs on Windows 6.0 or later";
  }
  void TearDown() override {
    forms_.clear();
    altfix::ShutDown();
    ui::SetVisualStylesQuery(nullptr);
  }

  // A shown form from the layout, fully painted, with no update region left anywhere.
  ui::TForm& ShowForm(const ui::TFormLayout& formLayout) {
    forms_.push_back(std::make_unique<ui::TForm>());
    ui::TForm& form = *forms_.back();
    form.LoadLayout(formLayout);
    ShowWindow(form.Handle(), SW_SHOWNA);
    PumpMessages();
    RedrawWindow(form.Handle(), nullptr, nullptr,
                 RDW_VALIDATE | RDW_NOERASE | RDW_NOFRAME | RDW_NOINTERNALPAINT | RDW_ALLCHILDREN);
    return form;
  }

  ui::TControl& Child(ui::TForm& form, const char* name) {
    auto* control = form.FindComponent<ui::TControl>(name);
    EXPECT_NE(control, nullptr) << name;
    return *control;
  }

  // The windowed parts of the main layout, the form last.
  std::vector<HWND> MainWindows(ui::TForm& form) {
    return {Child(form, "ListBox1").Handle(), Child(form, "btnOK").Handle(),
            Child(form, "btnCancel").Handle(), form.Handle()};
  }

  static void ExpectUpdates(const std::vector<HWND>& windows, bool expected) {
    for (HWND window : windows) {
      char className[64] = {};
      GetClassNameA(window, className, sizeof(className));
      EXPECT_EQ(HasUpdate(window), expected) << className;
    }
  }

  static void SendCueChange(HWND window) {
    SendMessageA(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);
  }

 private:
  std::vector<std::unique_ptr<ui::TForm>> forms_;
};

TEST_F(AltFixHook, CueChangeOnTheFormMarksItsWindowedControlsAndItself) {
  ui::TForm& form = ShowForm(layout::kMainLayout);
  const std::vector<HWND> windows = MainWindows(form);
  ExpectUpdates(windows, false);

  SendCueChange(form.Handle());

  ExpectUpdates(windows, true);
  EXPECT_GE(styleQueries, 1);
}

TEST_F(AltFixHook, CueChangeOnAButtonMarksNothing) {
  ui::TForm& form = ShowForm(layout::kMainLayout);
  const std::vector<HWND> windows = MainWindows(form);

  for (const char* name : {"btnOK", "btnCancel", "ListBox1"}) {
    SCOPED_TRACE(name);
    SendCueChange(Child(form, name).Handle());
    ExpectUpdates(windows, false);
  }
}

TEST_F(AltFixHook, WithoutVisualStylesNothingIsMarked) {
  ui::SetVisualStylesQuery(&StylesOff);
  ui::TForm& form = ShowForm(layout::kMainLayout);

  SendCueChange(form.Handle());

  ExpectUpdates(MainWindows(form), false);
  EXPECT_GE(styleQueries, 1);
}

TEST_F(AltFixHook, FormWithoutWindowedChildrenMarksOnlyItself) {
  ui::TForm& mainForm = ShowForm(layout::kMainLayout);
  ui::TForm& labelOnly = ShowForm(kLabelOnlyLayout);

  SendCueChange(labelOnly.Handle());

  EXPECT_TRUE(HasUpdate(labelOnly.Handle()));
  ExpectUpdates(MainWindows(mainForm), false);
}

// Called directly, the procedure shows what it does with one record alone. The installed hook
// is removed first: outside a hook call, passing on would enter the thread's own chain again.
TEST_F(AltFixHook, OnlyTheCueChangeWithANonNegativeCodeIsLookedAt) {
  ui::TForm& form = ShowForm(layout::kMainLayout);
  const std::vector<HWND> windows = MainWindows(form);
  altfix::ShutDown();

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
      {"a window that is no form", HC_ACTION, &unknownWindow, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    styleQueries = 0;
    altfix::AltFixHookProc(c.code, 0, reinterpret_cast<LPARAM>(c.record));
    EXPECT_EQ(styleQueries, c.expectedQueries);
    ExpectUpdates(windows, false);
  }

  styleQueries = 0;
  altfix::AltFixHookProc(HC_ACTION, 0, reinterpret_cast<LPARAM>(&cueChange));
  EXPECT_EQ(styleQueries, 1);
  ExpectUpdates(windows, true);
}

// An answer that fails must not take the message or the program with it.
bool StylesThrow() { throw std::runtime_error("theme query failed"); }

TEST_F(AltFixHook, AFailingAnswerIsSwallowed) {
  ui::SetVisualStylesQuery(&StylesThrow);
  ui::TForm& form = ShowForm(layout::kMainLayout);
  SendCueChange(form.Handle());
  ExpectUpdates(MainWindows(form), false);
}

TEST(AltFixModule, ShutDownRemovesAndStartUpInstallsAgain) {
  altfix::StartUp();
  ASSERT_TRUE(altfix::HookInstalled());
  altfix::StartUp();  // a second start-up keeps the one hook
  EXPECT_TRUE(altfix::HookInstalled());
  altfix::ShutDown();
  EXPECT_FALSE(altfix::HookInstalled());
  altfix::ShutDown();
  EXPECT_FALSE(altfix::HookInstalled());
  {
    altfix::TAltFixModule module;
    EXPECT_TRUE(altfix::HookInstalled());
  }
  EXPECT_FALSE(altfix::HookInstalled());
}

// Under Wine's per-program Windows version: the hook exists from 6.0 on. A program without a
// compatibility section in its manifest sees Windows 10 as 6.2, so only the major version of the
// later ones is certain.
void ExpectHookForVersion(DWORD major, DWORD minor, bool installed) {
  const platform::TWindowsVersion& v = platform::WindowsVersion();
  if (major < 6) {
    ASSERT_EQ(v.Major, major);
    ASSERT_EQ(v.Minor, minor);
  } else {
    ASSERT_EQ(v.Major, 6u);
    ASSERT_GE(v.Minor, minor);
  }
  altfix::StartUp();
  EXPECT_EQ(altfix::HookInstalled(), installed);
  altfix::ShutDown();
  EXPECT_FALSE(altfix::HookInstalled());
}

TEST(AltFixModule, WindowsXPGetsNoHook) {
  if (testsupport::RunInCopy("winxp")) return;
  ExpectHookForVersion(5, 1, false);
}

TEST(AltFixModule, Windows7GetsTheHook) {
  if (testsupport::RunInCopy("win7")) return;
  ExpectHookForVersion(6, 1, true);
}

TEST(AltFixModule, Windows10GetsTheHook) {
  if (testsupport::RunInCopy("win10")) return;
  ExpectHookForVersion(6, 2, true);
}

// Wine's own theme setting, which the theme library reads when a program starts: the system's
// answer follows it, and so does the hook. The parent switches the setting around a copy of this
// program and puts it back.
class ThemeSetting {
 public:
  explicit ThemeSetting(const char* active) {
    RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                    key_.put(), nullptr);
    char value[16] = {};
    DWORD size = sizeof(value) - 1;
    DWORD type = 0;
    had_ = RegQueryValueExA(key_.get(), "ThemeActive", nullptr, &type, reinterpret_cast<BYTE*>(value),
                            &size) == ERROR_SUCCESS;
    saved_ = value;
    RegSetValueExA(key_.get(), "ThemeActive", 0, REG_SZ, reinterpret_cast<const BYTE*>(active), 2);
  }
  ~ThemeSetting() {
    if (had_) {
      RegSetValueExA(key_.get(), "ThemeActive", 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_.c_str()),
                     static_cast<DWORD>(saved_.size() + 1));
    } else {
      RegDeleteValueA(key_.get(), "ThemeActive");
    }
  }

 private:
  static constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
  handles::TUniqueKey key_;
  bool had_ = false;
  std::string saved_;
};

void ExpectSystemAnswerAndRepaint(bool stylesOn) {
  ui::SetVisualStylesQuery(nullptr);
  ui::TForm form;
  form.LoadLayout(layout::kMainLayout);
  ShowWindow(form.Handle(), SW_SHOWNA);
  PumpMessages();
  RedrawWindow(form.Handle(), nullptr, nullptr,
               RDW_VALIDATE | RDW_NOERASE | RDW_NOFRAME | RDW_NOINTERNALPAINT | RDW_ALLCHILDREN);
  EXPECT_EQ(ui::SystemVisualStylesInEffect(), stylesOn);

  altfix::StartUp();
  ASSERT_TRUE(altfix::HookInstalled());
  SendMessageA(form.Handle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);
  EXPECT_EQ(HasUpdate(form.Handle()), stylesOn);
  EXPECT_EQ(HasUpdate(form.FindComponent<ui::TControl>("ListBox1")->Handle()), stylesOn);
  altfix::ShutDown();
}

TEST(AltFixWineTheme, ThemeOnRepaints) {
  ThemeSetting on("1");
  if (testsupport::RunInCopy("")) return;
  ExpectSystemAnswerAndRepaint(true);
}

TEST(AltFixWineTheme, ThemeOffRepaintsNothing) {
  ThemeSetting off("0");
  if (testsupport::RunInCopy("")) return;
  ExpectSystemAnswerAndRepaint(false);
}

TEST(VisualStyles, MajorVersionOfAnAssemblyIdentity) {
  const struct {
    const wchar_t* identity;
    unsigned long major;
  } cases[] = {
      {L"Microsoft.Windows.Common-Controls,processorArchitecture=\"x86\",type=\"win32\",version=\"6.0.2600.2982\"", 6},
      {L"Microsoft.Windows.Common-Controls,version=\"10.1.0.0\",type=\"win32\"", 10},
      {L"Microsoft.Windows.Common-Controls,version=\"5.82.0.0\"", 5},
      {L"Microsoft.Windows.Common-Controls,type=\"win32\"", 0},
      {L"version=\"\"", 0},
      {L"version=\"x.0\"", 0},
      {L"", 0},
  };
  // The length bounds the search: a version behind it is not read.
  const wchar_t* cut = L"type=\"win32\",version=\"6.0.0.0\"";
  EXPECT_EQ(ui::MajorVersionOfIdentity(cut, 13), 0ul);
  EXPECT_EQ(ui::MajorVersionOfIdentity(nullptr, 0), 0ul);
  for (const auto& c : cases) {
    EXPECT_EQ(ui::MajorVersionOfIdentity(c.identity, std::wcslen(c.identity)), c.major);
  }
}

// The system's own answer can be asked for on any Windows without harm (here: whatever Wine's
// theme setting says), and the replaceable answer goes back to it.
TEST(VisualStyles, SystemAnswerIsTheDefault) {
  ui::SetVisualStylesQuery(nullptr);
  EXPECT_EQ(ui::VisualStylesInEffect(), ui::SystemVisualStylesInEffect());
}

}  // namespace
