// The stored layout as the program shows it: the real main window of an installed product, its
// controls where the layout puts them, with their texts, names, identifiers and tab order, read
// back from the window. (The window takes its product from its program's file name: each test
// runs in a copy of this program named as the product's uninstaller.)
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/uMain_win.h"
#include "winsupport/uDriver.h"
#include "winsupport/uRunInCopy.h"
#include "winsupport/uSample.h"
#include "winsupport/uTestApplication.h"

namespace {

using app::TfrmMain;
using namespace testsupport;

const char kProduct[] = "KvLayout";

bool RunAsUninstaller() { return RunInCopy("", {}, std::string(kProduct) + "Uninst.exe"); }

// Where the control stands in its form's client area: its window's rectangle as the system has
// it, or for a label, which the form draws, the rectangle it is drawn in.
RECT PlaceOf(const ui::TControl& control) {
  if (control.Handle()) return RectInParent(control.Handle());
  return RECT{control.Left(), control.Top(), control.Left() + control.Width(), control.Top() + control.Height()};
}

class MainLayout : public ::testing::Test {
 protected:
  void SetUp() override { TTestApplication::TakeQuitRequest(); }
  TTestApplication application_;
};

TEST_F(MainLayout, ControlsStandWhereTheStoredLayoutPutsThem) {
  if (RunAsUninstaller()) return;
  const TInstalledSample installed(SampleNamed(kProduct));
  TfrmMain& form = *application_.CreateForm<TfrmMain>();
  form.Show();
  RECT client = {};
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right - client.left, 400);
  EXPECT_EQ(client.bottom - client.top, 220);
  const struct {
    const ui::TControl* control;
    RECT place;
  } expected[] = {
      {form.lblExplain, {8, 8, 8 + 237, 8 + 12}},
      {form.Label1, {8, 32, 8 + 143, 32 + 12}},
      {form.ListBox1, {8, 48, 8 + 385, 48 + 137}},
      {form.btnOK, {84, 194, 84 + 150, 194 + 20}},
      {form.btnCancel, {244, 194, 244 + 150, 194 + 20}},
  };
  for (const auto& e : expected) {
    const RECT place = PlaceOf(*e.control);
    EXPECT_EQ(place.left, e.place.left) << e.control->Name;
    EXPECT_EQ(place.top, e.place.top) << e.control->Name;
    EXPECT_EQ(place.right, e.place.right) << e.control->Name;
    EXPECT_EQ(place.bottom, e.place.bottom) << e.control->Name;
  }
  EXPECT_FALSE(form.Label1->HasOwnWindow());
  EXPECT_FALSE(form.lblExplain->HasOwnWindow());
  // The list's items are 12 pixels high, in the form's font.
  EXPECT_EQ(SendMessageA(form.ListBox1->Handle(), LB_GETITEMHEIGHT, 0, 0), 12);
}

TEST_F(MainLayout, TextsNamesIdentifiersAndTabOrder) {
  if (RunAsUninstaller()) return;
  const TInstalledSample installed(SampleNamed(kProduct));
  TfrmMain& form = *application_.CreateForm<TfrmMain>();
  form.Show();
  EXPECT_EQ(ClassNameOf(form.Handle()), "TfrmMain");
  // The texts are code page 932 bytes, whatever the source file's encoding.
  EXPECT_EQ(TextOf(form.Handle()),
            std::string(kProduct) + "\x83\x58\x83\x4E\x83\x8A\x81\x5B\x83\x93\x83\x5A\x81\x5B\x83\x6F\x81\x5B Uninstaller");
  EXPECT_EQ(TextOf(form.btnOK->Handle()), "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B(&U)");
  EXPECT_EQ(TextOf(form.btnCancel->Handle()), "\x83\x4C\x83\x83\x83\x93\x83\x5A\x83\x8B(&C)");
  EXPECT_EQ(form.Label1->Caption().Bytes(),
            "\x88\xC8\x89\xBA\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x8D\xED\x8F\x9C\x82\xB5\x82\xDC\x82\xB7");
  EXPECT_EQ(form.lblExplain->Caption().Bytes(), std::string(kProduct) + "スクリーンセーバーをアンインストールします");
  LOGFONTA font = {};
  ASSERT_TRUE(GetObjectA(form.Font(), sizeof(font), &font));
  EXPECT_EQ(font.lfHeight, -12);
  EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_EQ(std::string(font.lfFaceName), "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");  // ＭＳ Ｐゴシック
  for (HWND control : {form.ListBox1->Handle(), form.btnOK->Handle(), form.btnCancel->Handle()}) {
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), form.Font());
  }

  // Found through Win32 by their identifiers.
  EXPECT_EQ(GetDlgItem(form.Handle(), 1001), form.ListBox1->Handle());
  EXPECT_EQ(GetDlgItem(form.Handle(), 1002), form.btnOK->Handle());
  EXPECT_EQ(GetDlgItem(form.Handle(), 1003), form.btnCancel->Handle());
  // The visual components are the form's children, in creation order; each carries its name.
  const std::vector<ui::TControl*> children = {form.Label1, form.lblExplain, form.ListBox1, form.btnOK,
                                               form.btnCancel};
  EXPECT_EQ(form.Children(), children);
  const std::vector<std::string> names = {"Label1", "lblExplain", "ListBox1", "btnOK", "btnCancel"};
  for (std::size_t i = 0; i < children.size(); ++i) EXPECT_EQ(children[i]->Name, names[i]);
  ASSERT_NE(form.AltFixOnVista1, nullptr);
  EXPECT_EQ(form.AltFixOnVista1->Name, "AltFixOnVista1");

  // Tab order: Cancel, the list, Uninstall; Escape presses Cancel only.
  EXPECT_EQ(GetNextDlgTabItem(form.Handle(), form.btnCancel->Handle(), FALSE), form.ListBox1->Handle());
  EXPECT_EQ(GetNextDlgTabItem(form.Handle(), form.ListBox1->Handle(), FALSE), form.btnOK->Handle());
  EXPECT_EQ(GetNextDlgTabItem(form.Handle(), form.btnOK->Handle(), FALSE), form.btnCancel->Handle());
  EXPECT_TRUE(form.btnCancel->Cancel);
  EXPECT_FALSE(form.btnOK->Cancel);
}

}  // namespace
