#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "MessageBoxWatcher.h"
#include "app/uMain_win.h"
#include "app/uProductName.h"
#include "system/uModulePath_win.h"
#include "system/uRegistry_win.h"

namespace {

using app::TfrmMain;

const std::string kMissingEntrySuffix =
    " のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました";

bool KeyExists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void SetHklmString(const std::string& keyPath, const std::string& name, const std::string& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS)
      << keyPath;
  RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

void DeleteHklmValue(const std::string& keyPath, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

void CreateEmptyFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  CloseHandle(file);
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
    SetHklmString(app::UninstallKeyPath(product), "UninstallString", quoted ? "\"" + Exe + "\"" : Exe);
  }
  ~TInstalledProduct() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, app::UninstallKeyPath(product_).c_str());
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

bool TakeQuitRequest() {
  MSG msg;
  return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::Application().SetTitle("Korvane Uninstaller");
    ui::Application().ResetTerminationForTests();
    TakeQuitRequest();
  }
  void TearDown() override {
    ui::Application().SetMainForm(nullptr);
    ui::Application().OnException = nullptr;
    TakeQuitRequest();
    ui::Application().ResetTerminationForTests();
  }
};

TEST_F(MainWindowTest, ListsTheProductFilesInDeletionOrder) {
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
    EXPECT_EQ(form.lblExplain->Caption(), c.product + "スクリーンセーバーをアンインストールします");
    EXPECT_FALSE(ui::Application().TerminateRequested());
  }
}

TEST_F(MainWindowTest, WindowsAndCaptionsAreFoundThroughWin32) {
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
  EXPECT_EQ(form.Label1->Caption(), "以下のファイルを削除します");
  EXPECT_FALSE(form.Label1->HasOwnWindow());
  EXPECT_TRUE(form.ListBox1->HasOwnWindow());

  // Components in creation order; the form's children are its visual ones.
  const std::vector<std::string> owned = {"Label1", "lblExplain", "ListBox1", "btnOK", "btnCancel", "AltFixOnVista1"};
  ASSERT_EQ(form.ComponentCount(), owned.size());
  for (std::size_t i = 0; i < owned.size(); ++i) EXPECT_EQ(form.Component(i)->Name, owned[i]);
  EXPECT_EQ(form.Children().size(), 5u);
  EXPECT_NE(form.AltFixOnVista1, nullptr);

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

TEST_F(MainWindowTest, KeepsItsLayoutWhenResized) {
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

TEST_F(MainWindowTest, CannotBeDraggedSmallerThanItsConstraints) {
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

TEST_F(MainWindowTest, FirstShownCentredOnTheScreen) {
  TInstalledProduct installed("KvCentre", true, true);
  TfrmMain form(installed.Exe);
  form.Show();
  RECT outer = {};
  GetWindowRect(form.Handle(), &outer);
  EXPECT_LE(std::abs((outer.left + outer.right) - GetSystemMetrics(SM_CXSCREEN)), 1);
  EXPECT_LE(std::abs((outer.top + outer.bottom) - GetSystemMetrics(SM_CYSCREEN)), 1);
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
}

TEST_F(MainWindowTest, KeysEscapeAndEnterAndAccessKeys) {
  TInstalledProduct installed("KvKeys", true, true);
  TfrmMain form(installed.Exe);
  ui::Application().SetMainForm(&form);
  int uninstallClicks = 0;
  form.btnOK->OnClick = [&](ui::TComponent*) { ++uninstallClicks; };
  form.Show();

  // Enter on the list: no default button, nothing happens.
  SetFocus(form.ListBox1->Handle());
  PostMessageA(form.ListBox1->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  ui::Application().ProcessMessages();
  EXPECT_EQ(uninstallClicks, 0);
  EXPECT_TRUE(IsWindowVisible(form.Handle()));

  // Enter on the focused Uninstall button presses it.
  SetFocus(form.btnOK->Handle());
  PostMessageA(form.btnOK->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  ui::Application().ProcessMessages();
  EXPECT_EQ(uninstallClicks, 1);

  // Alt+U presses Uninstall from anywhere in the window.
  SetFocus(form.ListBox1->Handle());
  PostMessageA(form.ListBox1->Handle(), WM_SYSCHAR, 'u', 1 << 29);
  ui::Application().ProcessMessages();
  EXPECT_EQ(uninstallClicks, 2);
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
  EXPECT_FALSE(ui::Application().TerminateRequested());

  // Escape presses Cancel, which closes the main window and so ends the loop.
  PostMessageA(form.ListBox1->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  ui::Application().ProcessMessages();
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  EXPECT_TRUE(ui::Application().Terminated());
}

TEST_F(MainWindowTest, CancelButtonClosesTheWindowAndEndsTheLoop) {
  TInstalledProduct installed("KvCancel", true, true);
  auto* form = ui::Application().CreateForm<TfrmMain>(installed.Exe);
  ASSERT_EQ(ui::Application().MainForm(), form);
  // Queued before the loop runs: the loop shows the window, then handles the click.
  PostMessageA(form->btnCancel->Handle(), BM_CLICK, 0, 0);
  ui::Application().Run();
  EXPECT_TRUE(ui::Application().Terminated());
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  ui::Application().DestroyForms();
  EXPECT_TRUE(ui::Application().Forms().empty());
}

TEST_F(MainWindowTest, MainFormShownBeforeTheLoopIsNotShownAgainByIt) {
  TInstalledProduct installed("KvShowFirst", true, true);
  auto* form = ui::Application().CreateForm<TfrmMain>(installed.Exe);
  ui::Application().ShowMainForm();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  // Hidden again behind the toolkit's back: a loop that showed it a second time would undo that.
  ShowWindow(form->Handle(), SW_HIDE);
  bool visibleInLoop = true;
  PostMessageA(form->btnCancel->Handle(), BM_CLICK, 0, 0);
  form->btnCancel->OnClick = [&](ui::TComponent*) {
    visibleInLoop = IsWindowVisible(form->Handle()) != FALSE;
    form->Close();
  };
  ui::Application().Run();
  EXPECT_FALSE(visibleInLoop);
  EXPECT_TRUE(ui::Application().Terminated());
  ui::Application().DestroyForms();
}

TEST_F(MainWindowTest, ExceptionFromAHandlerGoesToTheReportAndTheLoopGoesOn) {
  TInstalledProduct installed("KvThrow", true, true);
  auto* form = ui::Application().CreateForm<TfrmMain>(installed.Exe);
  form->btnOK->OnClick = [](ui::TComponent*) { throw std::runtime_error("Bad Signature"); };
  std::vector<std::string> reports;
  // The report queues a Cancel click: the loop ends only if it still handles messages afterwards.
  ui::Application().OnException = [&](const std::string& message) {
    reports.push_back(message);
    PostMessageA(form->btnCancel->Handle(), BM_CLICK, 0, 0);
  };
  PostMessageA(form->btnOK->Handle(), BM_CLICK, 0, 0);
  ui::Application().Run();
  EXPECT_EQ(reports, std::vector<std::string>{"Bad Signature"});
  EXPECT_TRUE(ui::Application().Terminated());
  ui::Application().DestroyForms();
}

TEST_F(MainWindowTest, DefaultErrorReportIsAMessageBoxWithTheMessage) {
  TInstalledProduct installed("KvReport", true, true);
  TfrmMain form(installed.Exe);
  form.btnOK->OnClick = [](ui::TComponent*) { throw std::runtime_error("Bad Signature"); };
  form.Show();
  TMessageBoxWatcher watcher;
  PostMessageA(form.btnOK->Handle(), BM_CLICK, 0, 0);
  ui::Application().ProcessMessages();
  const TCapturedBox box = watcher.Result();
  ASSERT_TRUE(box.Found);
  EXPECT_EQ(box.Text, "Bad Signature");
  EXPECT_EQ(box.Title, "Korvane Uninstaller");
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
}

TEST_F(MainWindowTest, MissingEntryShowsTheErrorBoxAndAsksToEnd) {
  TInstalledProduct other("KvOther", true, true);  // another product's entry must not be used
  const std::string keyWithoutValue = app::UninstallKeyPath("KvNoValue");
  SetHklmString(keyWithoutValue, "DisplayName", "x");
  const std::string keyWithBlank = app::UninstallKeyPath("KvBlank");
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
    EXPECT_EQ(form.lblExplain->Caption(), "%sスクリーンセーバーをアンインストールします");
    EXPECT_EQ(form.UninstallKeyPath, "");
  }
  // Nothing in the registry changed.
  EXPECT_TRUE(KeyExists(keyWithoutValue));
  EXPECT_EQ(registry::ReadRegistryString(HKEY_LOCAL_MACHINE, keyWithBlank + "UninstallString"), "");
  EXPECT_TRUE(KeyExists(app::UninstallKeyPath("KvOther")));
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, keyWithoutValue.c_str());
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, keyWithBlank.c_str());
}

TEST_F(MainWindowTest, EmptyProductNameNeverNamesTheUninstallKey) {
  // An UninstallString right in the Uninstall key: read with an empty product name, it would make
  // the whole Uninstall key look like this program's entry.
  const std::string uninstallKey = app::kUninstallRootKeyPath;
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
    EXPECT_TRUE(KeyExists(uninstallKey));
    EXPECT_TRUE(KeyExists(app::UninstallKeyPath("KvSurvivor")));
  }
  DeleteHklmValue(uninstallKey, "UninstallString");
}

}  // namespace

namespace {

TEST_F(MainWindowTest, InvalidateMarksWhatEachControlPaints) {
  TInstalledProduct installed("KvPaint", true, true);
  TfrmMain form(installed.Exe);
  form.Show();
  ui::Application().ProcessMessages();
  for (HWND window : {form.Handle(), form.ListBox1->Handle(), form.btnOK->Handle()}) {
    UpdateWindow(window);
    ValidateRect(window, nullptr);
  }
  // A label has no window: its area of the form is marked.
  form.Label1->Invalidate();
  RECT update = {};
  ASSERT_TRUE(GetUpdateRect(form.Handle(), &update, FALSE));
  EXPECT_LE(update.left, 8);
  EXPECT_LE(update.top, 32);
  EXPECT_GE(update.bottom, 32 + 12);
  EXPECT_FALSE(GetUpdateRect(form.ListBox1->Handle(), nullptr, FALSE));
  // A windowed control marks its own client area.
  form.ListBox1->Invalidate();
  EXPECT_TRUE(GetUpdateRect(form.ListBox1->Handle(), nullptr, FALSE));
  EXPECT_FALSE(GetUpdateRect(form.btnOK->Handle(), nullptr, FALSE));
  EXPECT_TRUE(form.ListBox1->IsOpaque());
  EXPECT_FALSE(form.IsOpaque());
  EXPECT_FALSE(form.Label1->IsOpaque());
}

TEST_F(MainWindowTest, FormsAreListedWhileTheyExist) {
  TInstalledProduct installed("KvForms", true, true);
  {
    TfrmMain first(installed.Exe);
    TfrmMain second(installed.Exe);
    EXPECT_EQ(ui::Application().Forms(), (std::vector<ui::TForm*>{&first, &second}));
    EXPECT_EQ(ui::Application().FindForm(second.btnOK->Handle()), &second);
  }
  EXPECT_TRUE(ui::Application().Forms().empty());
}

TEST_F(MainWindowTest, DefaultWindowNamesTheRunningExecutable) {
  // This test program's file name holds no "Uninst": no product, so the missing-entry box.
  const std::string exe = modulepath::ModuleFileName();
  ASSERT_NE(exe.find("win32_tests.exe"), std::string::npos);
  char expected[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, expected, MAX_PATH);
  EXPECT_EQ(exe, expected);
  TMessageBoxWatcher watcher;
  TfrmMain form;
  EXPECT_EQ(watcher.Result().Text, kMissingEntrySuffix);
  EXPECT_TRUE(TakeQuitRequest());
}

}  // namespace

namespace {

TEST_F(MainWindowTest, StartWithoutEntryEndsTheLoopAtOnce) {
  TMessageBoxWatcher watcher;
  auto* form = ui::Application().CreateForm<TfrmMain>("C:\\Temp\\KvGoneUninst.exe");
  EXPECT_TRUE(watcher.Result().Found);
  ui::Application().ShowMainForm();
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  ui::Application().Run();  // returns by itself: the quit request is already queued
  EXPECT_TRUE(ui::Application().Terminated());
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  ui::Application().DestroyForms();
}

}  // namespace
