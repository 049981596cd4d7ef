// Whether visual styles are in effect: the version of an assembly identity, and the system's
// answer under Wine's own theme setting, which the hook then follows.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <ostream>
#include <string>

#include "system/uHandles_win.h"
#include "ui/uAltFixOnVista_win.h"
#include "ui/uVisualStyles_win.h"
#include "winsupport/uRunInCopy.h"
#include "winsupport/uTestApplication.h"

namespace {

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
  const altfix::TAltFixModule hook(&ui::VisualStylesInEffect);
  SendMessageA(form.Handle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);
  RECT area;
  EXPECT_EQ(GetUpdateRect(form.Handle(), &area, FALSE) != FALSE, c.stylesOn);
  EXPECT_EQ(GetUpdateRect(form.List->Handle(), &area, FALSE) != FALSE, c.stylesOn);
}

INSTANTIATE_TEST_SUITE_P(WineThemeSetting, VisualStylesTheme,
                         ::testing::Values(TThemeCase{"On", "1", true}, TThemeCase{"Off", "0", false}),
                         [](const ::testing::TestParamInfo<TThemeCase>& info) { return std::string(info.param.name); });

}  // namespace
