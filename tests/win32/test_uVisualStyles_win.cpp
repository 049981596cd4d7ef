// Whether visual styles are in effect: the system's answer under Wine's own theme setting, which
// the hook then follows, and the version of the common controls bound by the program's manifest.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>

#include "system/uHandles_win.h"
#include "ui/uAltKeyCueHook_win.h"
#include "ui/uVisualStyles_win.h"
#include "winsupport/uCaseName.h"
#include "winsupport/uImportHook.h"
#include "winsupport/uRunInCopy.h"
#include "winsupport/uTestApplication.h"

namespace {

// Wine's own theme setting, which the theme library reads when a program starts. The parent
// switches the setting around a copy of this program and puts it back.
class TThemeSetting {
 public:
  explicit TThemeSetting(const char* active) {
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
  ~TThemeSetting() {
    if (had_) {
      RegSetValueExA(key_.get(), "ThemeActive", 0, REG_SZ, reinterpret_cast<const BYTE*>(saved_.c_str()),
                     static_cast<DWORD>(saved_.size() + 1));
    } else {
      RegDeleteValueA(key_.get(), "ThemeActive");
    }
  }
  TThemeSetting(const TThemeSetting&) = delete;
  TThemeSetting& operator=(const TThemeSetting&) = delete;

 private:
  static constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
  handles::TUniqueKey key_;
  bool had_ = false;
  std::string saved_;
};

// What GetProcAddress answers the program while it is set: DllGetVersion of the common controls
// reports version 5, as some implementations of the version 6 assembly do; with noActivationContext
// the activation context functions are missing too, as on Windows 95/98/Me and 2000.
struct TOlderCommonControls {
  static HRESULT CALLBACK ReportsVersion5(DLLVERSIONINFO* info) {
    info->dwMajorVersion = 5;
    info->dwMinorVersion = 82;
    return S_OK;
  }
  static FARPROC WINAPI Answer(HMODULE module, LPCSTR name) {
    const bool byName = HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0;
    if (byName && std::strcmp(name, "DllGetVersion") == 0) {
      return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&ReportsVersion5));
    }
    if (byName && noActivationContext &&
        (std::strcmp(name, "FindActCtxSectionStringW") == 0 || std::strcmp(name, "QueryActCtxW") == 0)) {
      return nullptr;
    }
    return hook->Original<decltype(&GetProcAddress)>()(module, name);
  }
  static testsupport::TImportHook* hook;
  static bool noActivationContext;
};
testsupport::TImportHook* TOlderCommonControls::hook = nullptr;
bool TOlderCommonControls::noActivationContext = false;

// Common controls that report an older version are asked about through the assembly that the
// program's activation context (its manifest) binds them to: version 6 there keeps the visual
// styles on; without that question to ask, the older number stands.
TEST(VisualStyles, AnOlderReportedVersionIsCheckedAgainstTheBoundAssembly) {
  const TThemeSetting setting("1");
  if (testsupport::RunInCopy("")) return;
  // The common controls are asked about once the program's window has loaded them.
  testsupport::TTestApplication application;
  testsupport::TTestForm form;
  ASSERT_TRUE(ui::VisualStylesInEffect());
  testsupport::TImportHook hook("KERNEL32.dll", "GetProcAddress",
                                reinterpret_cast<const void*>(&TOlderCommonControls::Answer));
  ASSERT_TRUE(hook.Installed());
  TOlderCommonControls::hook = &hook;
  TOlderCommonControls::noActivationContext = false;
  EXPECT_TRUE(ui::VisualStylesInEffect()) << "the assembly's version 6 was not read";
  TOlderCommonControls::noActivationContext = true;
  EXPECT_FALSE(ui::VisualStylesInEffect()) << "version 5 was taken for 6";
}

struct TThemeCase {
  const char* name;
  const char* setting;  // ThemeActive
  bool stylesOn;
};

std::ostream& operator<<(std::ostream& os, const TThemeCase& c) { return os << c.name; }

class VisualStylesTheme : public ::testing::TestWithParam<TThemeCase> {};

// The system's answer follows the setting, and so does the hook that the program starts with it.
TEST_P(VisualStylesTheme, AnswerAndRepaintFollowTheSetting) {
  const TThemeCase& c = GetParam();
  const TThemeSetting setting(c.setting);
  if (testsupport::RunInCopy("")) return;
  testsupport::TTestApplication application;
  testsupport::TTestForm form;
  ShowWindow(form.Handle(), SW_SHOWNA);
  application.ProcessMessages();
  RedrawWindow(form.Handle(), nullptr, nullptr,
               RDW_VALIDATE | RDW_NOERASE | RDW_NOFRAME | RDW_NOINTERNALPAINT | RDW_ALLCHILDREN);
  EXPECT_EQ(ui::VisualStylesInEffect(), c.stylesOn);
  const altkeycuehook::TCueRepaintHook hook;
  SendMessageA(form.Handle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);
  RECT area;
  EXPECT_EQ(GetUpdateRect(form.Handle(), &area, FALSE) != FALSE, c.stylesOn);
  EXPECT_EQ(GetUpdateRect(form.List->Handle(), &area, FALSE) != FALSE, c.stylesOn);
}

INSTANTIATE_TEST_SUITE_P(WineThemeSetting, VisualStylesTheme,
                         ::testing::Values(TThemeCase{"On", "1", true}, TThemeCase{"Off", "0", false}),
                         testsupport::TCaseName());

}  // namespace
