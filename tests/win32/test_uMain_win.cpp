#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/uMain_win.h"
#include "system/uFiles_win.h"
#include "system/uProductName.h"
#include "system/uRegistry_win.h"
#include "winsupport/MessageBoxWatcher.h"
#include "winsupport/uMachine.h"
#include "winsupport/uTestApplication.h"

// The main window in this process: what FormCreate finds and shows, the layout on resize, its
// keys, and what a start without an uninstall entry does.
namespace {

using app::TfrmMain;
using testsupport::KeyExists;
using testsupport::TTestApplication;

const std::string kMissingEntrySuffix =
    " のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました";

void DeleteHklmValue(const std::string& keyPath, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

void CreateEmptyFile(const std::string& path) { ASSERT_TRUE(testsupport::WriteFileBytes(path, "")) << path; }

void SetHklmString(const std::string& keyPath, const std::string& name, const std::string& value) {
  ASSERT_TRUE(testsupport::SetString(HKEY_LOCAL_MACHINE, keyPath, name, value)) << keyPath;
}

// A screen saver installed in a folder of its own, with its uninstall entry under HKLM; all of
// it is removed again when the object goes.
class TInstalledProduct {
 public:
  TInstalledProduct(const std::string& product, bool withTxt, bool quoted) : product_(product) {
    if (product_.empty()) throw std::logic_error("a product needs a name");
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "KvMain" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    Scr = folder_ + product + ".scr";
    Txt = folder_ + product + ".txt";
    Exe = folder_ + product + "Uninst.exe";
    CreateEmptyFile(Scr);
    if (withTxt) CreateEmptyFile(Txt);
    CreateEmptyFile(Exe);
    SetHklmString(productname::UninstallKeyPath(product), "UninstallString", quoted ? "\"" + Exe + "\"" : Exe);
  }
  ~TInstalledProduct() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, productname::UninstallKeyPath(product_).c_str());
    for (const std::string& file : {Scr, Txt, Exe}) DeleteFileA(file.c_str());
    RemoveDirectoryA(folder_.c_str());
  }
  TInstalledProduct(const TInstalledProduct&) = delete;
  TInstalledProduct& operator=(const TInstalledProduct&) = delete;

  std::string Scr, Txt, Exe;

 private:
  std::string product_;
  std::string folder_;
};

std::string WindowText(HWND window) {
  char buffer[512] = {};
  GetWindowTextA(window, buffer, sizeof(buffer));
  return buffer;
}

RECT RectInParent(HWND child) {
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void ExpectBounds(const ui::TControl& control, int left, int top, int width, int height) {
  EXPECT_EQ(control.Left(), left) << control.Name;
  EXPECT_EQ(control.Top(), top) << control.Name;
  EXPECT_EQ(control.Width(), width) << control.Name;
  EXPECT_EQ(control.Height(), height) << control.Name;
  if (control.Handle()) {
    const RECT actual = RectInParent(control.Handle());
    EXPECT_EQ(actual.left, left) << control.Name;
    EXPECT_EQ(actual.top, top) << control.Name;
    EXPECT_EQ(actual.right - actual.left, width) << control.Name;
    EXPECT_EQ(actual.bottom - actual.top, height) << control.Name;
  }
}

bool TakeQuitRequest() { return TTestApplication::TakeQuitRequest(); }

class FrmMain : public ::testing::Test {
 protected:
  void SetUp() override { TakeQuitRequest(); }
  TTestApplication application_;
};

TEST_F(FrmMain, ListsTheProductFilesInDeletionOrder) {
  struct Case {
    std::string product;
    bool withTxt, quoted;
  } cases[] = {
      {"KvFoo", true, true},
      {"KvNoTxt", false, true},
      {"KvPlain", true, false},
      {"表示", true, true},  // the second byte of "表" is 0x5C
  };
  for (const auto& c : cases) {
    TInstalledProduct installed(c.product, c.withTxt, c.quoted);
    TfrmMain form(installed.Exe);
    std::vector<std::string> expected = {installed.Scr};
    if (c.withTxt) expected.push_back(installed.Txt);
    expected.push_back(installed.Exe);
    EXPECT_EQ(form.ListBox1->Items(), expected) << c.product;
    EXPECT_EQ(form.ScrFileName, installed.Scr);
    EXPECT_EQ(form.UninstallKeyPath,
              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + c.product + "\\");
    EXPECT_EQ(WindowText(form.Handle()), c.product + "スクリーンセーバー Uninstaller");
    EXPECT_EQ(form.lblExplain->Caption().Bytes(), c.product + "スクリーンセーバーをアンインストールします");
    EXPECT_FALSE(TakeQuitRequest());
  }
}

TEST_F(FrmMain, WindowsAndCaptionsAreFoundThroughWin32) {
  TInstalledProduct installed("KvIds", true, true);
  TfrmMain form(installed.Exe);
  char className[64] = {};
  GetClassNameA(form.Handle(), className, sizeof(className));
  EXPECT_STREQ(className, "TfrmMain");
  EXPECT_EQ(GetDlgItem(form.Handle(), 1001), form.ListBox1->Handle());
  EXPECT_EQ(GetDlgItem(form.Handle(), 1002), form.btnOK->Handle());
  EXPECT_EQ(GetDlgItem(form.Handle(), 1003), form.btnCancel->Handle());
  EXPECT_EQ(SendMessageA(form.ListBox1->Handle(), LB_GETCOUNT, 0, 0), 3);
  // "KvIds" + "スクリーンセーバー Uninstaller" as code page 932 bytes.
  EXPECT_EQ(WindowText(form.Handle()),
            "KvIds\x83\x58\x83\x4E\x83\x8A\x81\x5B\x83\x93\x83\x5A\x81\x5B\x83\x6F\x81\x5B Uninstaller");
  EXPECT_EQ(WindowText(form.btnOK->Handle()), "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B(&U)");
  EXPECT_EQ(WindowText(form.btnCancel->Handle()), "\x83\x4C\x83\x83\x83\x93\x83\x5A\x83\x8B(&C)");
  EXPECT_EQ(form.Label1->Caption().Bytes(), "以下のファイルを削除します");
  EXPECT_FALSE(form.Label1->HasOwnWindow());
  EXPECT_TRUE(form.ListBox1->HasOwnWindow());

  // The visual components are the form's children, in creation order; each carries its name.
  const std::vector<ui::TControl*> children = {form.Label1, form.lblExplain, form.ListBox1, form.btnOK,
                                               form.btnCancel};
  EXPECT_EQ(form.Children(), children);
  for (const ui::TComponent* c : {static_cast<ui::TComponent*>(form.Label1), static_cast<ui::TComponent*>(form.lblExplain),
                                  static_cast<ui::TComponent*>(form.ListBox1), static_cast<ui::TComponent*>(form.btnOK),
                                  static_cast<ui::TComponent*>(form.btnCancel), static_cast<ui::TComponent*>(form.AltFixOnVista1)}) {
    ASSERT_NE(c, nullptr);
  }
  EXPECT_EQ(form.Label1->Name, "Label1");
  EXPECT_EQ(form.lblExplain->Name, "lblExplain");
  EXPECT_EQ(form.ListBox1->Name, "ListBox1");
  EXPECT_EQ(form.btnOK->Name, "btnOK");
  EXPECT_EQ(form.btnCancel->Name, "btnCancel");
  EXPECT_EQ(form.AltFixOnVista1->Name, "AltFixOnVista1");

  // Tab order: Cancel, the list, Uninstall.
  EXPECT_EQ(GetNextDlgTabItem(form.Handle(), form.btnCancel->Handle(), FALSE), form.ListBox1->Handle());
  EXPECT_EQ(GetNextDlgTabItem(form.Handle(), form.ListBox1->Handle(), FALSE), form.btnOK->Handle());
  EXPECT_EQ(GetNextDlgTabItem(form.Handle(), form.btnOK->Handle(), FALSE), form.btnCancel->Handle());

  // The form's font on every windowed control; the list's items 12 pixels high.
  for (HWND control : {form.ListBox1->Handle(), form.btnOK->Handle(), form.btnCancel->Handle()}) {
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), form.Font());
  }
  LOGFONTA font = {};
  ASSERT_TRUE(GetObjectA(form.Font(), sizeof(font), &font));
  EXPECT_EQ(font.lfHeight, -12);
  EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_STREQ(font.lfFaceName, "ＭＳ Ｐゴシック");
  EXPECT_EQ(SendMessageA(form.ListBox1->Handle(), LB_GETITEMHEIGHT, 0, 0), 12);
}

TEST_F(FrmMain, KeepsItsLayoutWhenResized) {
  TInstalledProduct installed("KvResize", true, true);
  TfrmMain form(installed.Exe);
  EXPECT_EQ(form.ClientWidth(), 400);
  EXPECT_EQ(form.ClientHeight(), 220);
  EXPECT_EQ(form.ListWidthMargin, 15);
  EXPECT_EQ(form.ListHeightMargin, 83);
  EXPECT_EQ(form.OKButtonRightOffset, 316);
  EXPECT_EQ(form.CancelButtonRightOffset, 156);
  EXPECT_EQ(form.ButtonBottomOffset, 26);

  RECT outer = {};
  GetWindowRect(form.Handle(), &outer);
  SetWindowPos(form.Handle(), nullptr, 0, 0, outer.right - outer.left + 100, outer.bottom - outer.top + 50,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(form.ClientWidth(), 500);
  EXPECT_EQ(form.ClientHeight(), 270);
  ExpectBounds(*form.ListBox1, 8, 48, 485, 187);
  ExpectBounds(*form.btnOK, 184, 244, 150, 20);
  ExpectBounds(*form.btnCancel, 344, 244, 150, 20);
  ExpectBounds(*form.lblExplain, 8, 8, 237, 12);
  ExpectBounds(*form.Label1, 8, 32, 143, 12);

  // Back to the stored size: everything returns to its stored place.
  SetWindowPos(form.Handle(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ExpectBounds(*form.ListBox1, 8, 48, 385, 137);
  ExpectBounds(*form.btnOK, 84, 194, 150, 20);
  ExpectBounds(*form.btnCancel, 244, 194, 150, 20);
}

TEST_F(FrmMain, CannotBeDraggedSmallerThanItsConstraints) {
  TInstalledProduct installed("KvMin", true, true);
  TfrmMain form(installed.Exe);
  MINMAXINFO info = {};
  info.ptMaxTrackSize = {1234, 987};
  info.ptMinTrackSize = {100, 30};
  SendMessageA(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 332);
  EXPECT_EQ(info.ptMinTrackSize.y, 180);
  EXPECT_EQ(info.ptMaxTrackSize.x, 1234);  // no maximum: the system's answer stands
  EXPECT_EQ(info.ptMaxTrackSize.y, 987);
}

TEST_F(FrmMain, FirstShownCentredOnTheScreen) {
  TInstalledProduct installed("KvCentre", true, true);
  TfrmMain form(installed.Exe);
  form.Show();
  RECT outer = {};
  GetWindowRect(form.Handle(), &outer);
  EXPECT_LE(std::abs((outer.left + outer.right) - GetSystemMetrics(SM_CXSCREEN)), 1);
  EXPECT_LE(std::abs((outer.top + outer.bottom) - GetSystemMetrics(SM_CYSCREEN)), 1);
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
}

TEST_F(FrmMain, KeysEscapeAndEnterAndAccessKeys) {
  TInstalledProduct installed("KvKeys", true, true);
  TfrmMain& form = *application_.CreateForm<TfrmMain>(installed.Exe);
  int uninstallClicks = 0;
  form.btnOK->OnClick = [&](ui::TComponent*) { ++uninstallClicks; };
  form.Show();

  // Enter on the list: no default button, nothing happens.
  SetFocus(form.ListBox1->Handle());
  PostMessageA(form.ListBox1->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_FALSE(application_.ProcessMessages());
  EXPECT_EQ(uninstallClicks, 0);
  EXPECT_TRUE(IsWindowVisible(form.Handle()));

  // Enter on the focused Uninstall button presses it.
  SetFocus(form.btnOK->Handle());
  PostMessageA(form.btnOK->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_FALSE(application_.ProcessMessages());
  EXPECT_EQ(uninstallClicks, 1);

  // Alt+U presses Uninstall from anywhere in the window.
  SetFocus(form.ListBox1->Handle());
  PostMessageA(form.ListBox1->Handle(), WM_SYSCHAR, 'u', 1 << 29);
  EXPECT_FALSE(application_.ProcessMessages());
  EXPECT_EQ(uninstallClicks, 2);
  EXPECT_TRUE(IsWindowVisible(form.Handle()));

  // Escape presses Cancel, which closes the main window and so ends the loop.
  PostMessageA(form.ListBox1->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(application_.ProcessMessages());
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
}

TEST_F(FrmMain, CancelButtonClosesTheWindowAndEndsTheLoop) {
  TInstalledProduct installed("KvCancel", true, true);
  auto* form = application_.CreateForm<TfrmMain>(installed.Exe);
  ASSERT_EQ(application_.MainForm(), form);
  bool shownInLoop = false;
  form->btnCancel->OnClick = [&](ui::TComponent* sender) {
    shownInLoop = IsWindowVisible(form->Handle()) != FALSE;
    form->btnCancelClick(sender);
  };
  // Queued before the loop runs: the loop shows the window, then handles the click; Run returns
  // once the window has closed.
  PostMessageA(form->btnCancel->Handle(), BM_CLICK, 0, 0);
  application_.Run();
  EXPECT_TRUE(shownInLoop);
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

TEST_F(FrmMain, MissingEntryShowsTheErrorBoxAndAsksToEnd) {
  TInstalledProduct other("KvOther", true, true);  // another product's entry must not be used
  const std::string keyWithoutValue = productname::UninstallKeyPath("KvNoValue");
  SetHklmString(keyWithoutValue, "DisplayName", "x");
  const std::string keyWithBlank = productname::UninstallKeyPath("KvBlank");
  SetHklmString(keyWithBlank, "UninstallString", " \t ");
  struct Case {
    std::string product;
  } cases[] = {{"KvMissing"}, {"KvNoValue"}, {"KvBlank"}, {"Kv100%s%d"}};
  for (const auto& c : cases) {
    TMessageBoxWatcher watcher;
    TfrmMain form("C:\\Temp\\" + c.product + "Uninst.exe");
    const TCapturedBox box = watcher.Result();
    ASSERT_TRUE(box.Found) << c.product;
    EXPECT_EQ(box.Text, c.product + kMissingEntrySuffix);
    EXPECT_EQ(box.Title, "Korvane Uninstaller");
    EXPECT_EQ(box.Owner, nullptr);  // the window has not been shown
    EXPECT_TRUE(TakeQuitRequest()) << c.product;
    EXPECT_EQ(form.ListBox1->Count(), 0);
    EXPECT_EQ(WindowText(form.Handle()), "Korvane Uninstaller");
    EXPECT_EQ(form.lblExplain->Caption().Bytes(), "%sスクリーンセーバーをアンインストールします");
    EXPECT_EQ(form.UninstallKeyPath, "");
  }
  // Nothing in the registry changed.
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, keyWithoutValue));
  EXPECT_EQ(registry::ReadRegistryString(HKEY_LOCAL_MACHINE, keyWithBlank + "UninstallString"), "");
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, productname::UninstallKeyPath("KvOther")));
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, keyWithoutValue.c_str());
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, keyWithBlank.c_str());
}

TEST_F(FrmMain, EmptyProductNameNeverNamesTheUninstallKey) {
  // An UninstallString right in the Uninstall key: read with an empty product name, it would make
  // the whole Uninstall key look like this program's entry.
  const std::string uninstallKey = productname::kUninstallRootKeyPath;
  SetHklmString(uninstallKey, "UninstallString", "\"C:\\Temp\\Uninst.exe\"");
  TInstalledProduct other("KvSurvivor", true, true);
  for (const std::string exe : {"C:\\Temp\\Uninst.exe", "C:\\Temp\\uninstaller.exe", "C:\\Temp\\Setup.exe"}) {
    TMessageBoxWatcher watcher;
    TfrmMain form(exe);
    const TCapturedBox box = watcher.Result();
    ASSERT_TRUE(box.Found) << exe;
    EXPECT_EQ(box.Text, kMissingEntrySuffix);
    EXPECT_TRUE(TakeQuitRequest());
    EXPECT_EQ(form.ListBox1->Count(), 0);
    EXPECT_EQ(form.UninstallKeyPath, "");
    // What the uninstall run would delete: nothing.
    registry::DeleteRegistryKeyTree(HKEY_LOCAL_MACHINE, form.UninstallKeyPath);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, uninstallKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, productname::UninstallKeyPath("KvSurvivor")));
  }
  DeleteHklmValue(uninstallKey, "UninstallString");
}


TEST_F(FrmMain, DefaultWindowNamesTheRunningExecutable) {
  // This test program's file name holds no "Uninst": no product, so the missing-entry box.
  ASSERT_NE(files::ModuleFileName().find("win32_tests.exe"), std::string::npos);
  TMessageBoxWatcher watcher;
  TfrmMain form;
  EXPECT_EQ(watcher.Result().Text, kMissingEntrySuffix);
  EXPECT_TRUE(TakeQuitRequest());
}


TEST_F(FrmMain, StartWithoutEntryEndsTheLoopAtOnce) {
  TMessageBoxWatcher watcher;
  auto* form = application_.CreateForm<TfrmMain>("C:\\Temp\\KvGoneUninst.exe");
  EXPECT_TRUE(watcher.Result().Found);
  application_.Run();  // returns by itself, without showing the window: the quit request is queued
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_FALSE(form->ShownOnce());
}

}  // namespace
