// The main window in the test's own process: what FormCreate finds and shows, the layout on
// resize, its keys, and what a start without an uninstall entry does. The window takes the
// product from its program's file name, so each test that needs a product runs in a copy of this
// program named as that product's uninstaller ("<product>Uninst.exe"), as the installed program's
// temporary copy is named.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/uMain_win.h"
#include "system/uFiles_win.h"
#include "system/uHandles_win.h"
#include "system/uRegistry_win.h"
#include "system/uSystemError_win.h"
#include "winsupport/uImportHook.h"
#include "winsupport/MessageBoxWatcher.h"
#include "winsupport/uDriver.h"
#include "winsupport/uMachine.h"
#include "winsupport/uRunInCopy.h"
#include "winsupport/uSample.h"
#include "winsupport/uTestApplication.h"

namespace {

using app::TfrmMain;
using namespace testsupport;

const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kMissingEntrySuffix =
    " のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました";

// Runs the rest of the test in a copy of this program named as the uninstaller of product. True
// in this process, which ends the test there.
bool RunAsUninstallerOf(const std::string& product) { return RunInCopy("", {}, product + "Uninst.exe"); }

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

class Main : public ::testing::Test {
 protected:
  void SetUp() override { TakeQuitRequest(); }
  TTestApplication application_;
};

TEST_F(Main, ListsTheProductFilesInDeletionOrder) {
  const struct {
    std::string product;
    bool withTxt, quoted;
  } cases[] = {
      {"KvFoo", true, true},
      {"KvNoTxt", false, true},
      {"KvPlain", true, false},
      {"表示", true, true},  // the second byte of "表" is 0x5C
  };
  for (const auto& c : cases) {
    if (RunAsUninstallerOf(c.product)) continue;
    TSampleOptions options = SampleNamed(c.product);
    options.txt = c.withTxt;
    options.quoteUninstallString = c.quoted;
    const TInstalledSample installed(options);
    const TSample& sample = installed.Sample();
    TfrmMain form;
    std::vector<std::string> expected = {sample.scrPath};
    if (c.withTxt) expected.push_back(sample.txtPath);
    expected.push_back(sample.uninstallerPath);
    EXPECT_EQ(form.ListBox1->Items(), expected);
    EXPECT_EQ(ListBoxItems(form.ListBox1->Handle()), expected);
    EXPECT_EQ(form.ScrFileName, sample.scrPath);
    EXPECT_EQ(form.UninstallKeyPath, kUninstallKey + c.product + "\\");
    EXPECT_EQ(TextOf(form.Handle()), c.product + "スクリーンセーバー Uninstaller");
    EXPECT_EQ(form.lblExplain->Caption().Bytes(), c.product + "スクリーンセーバーをアンインストールします");
    EXPECT_FALSE(TakeQuitRequest());
  }
}

TEST_F(Main, KeepsItsLayoutWhenResized) {
  if (RunAsUninstallerOf("KvResize")) return;
  const TInstalledSample installed(SampleNamed("KvResize"));
  TfrmMain form;
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

TEST_F(Main, CannotBeDraggedSmallerThanItsConstraints) {
  if (RunAsUninstallerOf("KvMin")) return;
  const TInstalledSample installed(SampleNamed("KvMin"));
  TfrmMain form;
  MINMAXINFO info = {};
  info.ptMaxTrackSize = {1234, 987};
  info.ptMinTrackSize = {100, 30};
  SendMessageA(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 332);
  EXPECT_EQ(info.ptMinTrackSize.y, 180);
  EXPECT_EQ(info.ptMaxTrackSize.x, 1234);  // no maximum: the system's answer stands
  EXPECT_EQ(info.ptMaxTrackSize.y, 987);
}

TEST_F(Main, FirstShownCentredOnTheScreen) {
  if (RunAsUninstallerOf("KvCentre")) return;
  const TInstalledSample installed(SampleNamed("KvCentre"));
  TfrmMain form;
  form.Show();
  RECT outer = {};
  GetWindowRect(form.Handle(), &outer);
  EXPECT_LE(std::abs((outer.left + outer.right) - GetSystemMetrics(SM_CXSCREEN)), 1);
  EXPECT_LE(std::abs((outer.top + outer.bottom) - GetSystemMetrics(SM_CYSCREEN)), 1);
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
}

TEST_F(Main, KeysEscapeAndEnterAndAccessKeys) {
  if (RunAsUninstallerOf("KvKeys")) return;
  const TInstalledSample installed(SampleNamed("KvKeys"));
  TfrmMain& form = *application_.CreateForm<TfrmMain>();
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

TEST_F(Main, CancelButtonClosesTheWindowAndEndsTheLoop) {
  if (RunAsUninstallerOf("KvCancel")) return;
  const TInstalledSample installed(SampleNamed("KvCancel"));
  auto* form = application_.CreateForm<TfrmMain>();
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

TEST_F(Main, MissingEntryShowsTheErrorBoxAndAsksToEnd) {
  // No key; a key without UninstallString; a blank one; a name with "%" (shown as written, never
  // read as a format).
  for (const std::string product : {"KvMissing", "KvNoValue", "KvBlank", "Kv100%s%d"}) {
    if (RunAsUninstallerOf(product)) continue;
    // Another product's entry, which must not be used.
    const TInstalledSample other(SampleNamed("KvOther"));
    const std::string keyWithoutValue = kUninstallKey + "KvNoValue";
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, keyWithoutValue, "DisplayName", "x"));
    const std::string keyWithBlank = kUninstallKey + "KvBlank";
    ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, keyWithBlank, "UninstallString", " \t "));

    TMessageBoxWatcher watcher;
    {
      TfrmMain form;
      const TCapturedBox box = watcher.Result();
      ASSERT_TRUE(box.Found);
      EXPECT_EQ(box.Text, product + kMissingEntrySuffix);
      EXPECT_EQ(box.Title, "Korvane Uninstaller");
      EXPECT_EQ(box.Owner, nullptr);  // the window has not been shown
      EXPECT_TRUE(TakeQuitRequest());
      EXPECT_EQ(form.ListBox1->Count(), 0);
      EXPECT_EQ(TextOf(form.Handle()), "Korvane Uninstaller");
      EXPECT_EQ(form.lblExplain->Caption().Bytes(), "%sスクリーンセーバーをアンインストールします");
      EXPECT_EQ(form.UninstallKeyPath, "");
    }
    // Nothing in the registry changed.
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, keyWithoutValue));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, keyWithBlank, "UninstallString"), " \t ");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, other.Sample().keyPath));
    DeleteKeyTree(HKEY_LOCAL_MACHINE, keyWithoutValue);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, keyWithBlank);
  }
}

// A program name without a product before "Uninst". An UninstallString right in the Uninstall key,
// read with an empty product name, would make the whole Uninstall key look like this program's
// entry.
void ExpectNoProductAndTheUninstallKeyUntouched() {
  ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", "\"C:\\Temp\\Uninst.exe\""));
  const TInstalledSample other(SampleNamed("KvSurvivor"));
  TMessageBoxWatcher watcher;
  {
    TfrmMain form;
    const TCapturedBox box = watcher.Result();
    ASSERT_TRUE(box.Found);
    EXPECT_EQ(box.Text, kMissingEntrySuffix);
    EXPECT_TRUE(TakeQuitRequest());
    EXPECT_EQ(form.ListBox1->Count(), 0);
    EXPECT_EQ(form.UninstallKeyPath, "");
    // What the uninstall run would delete: nothing.
    EXPECT_EQ(registry::DeleteRegistryKeyTree(HKEY_LOCAL_MACHINE, form.UninstallKeyPath), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, other.Sample().keyPath));
  }
  handles::TUniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey.c_str(), 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS) {
    RegDeleteValueA(key.get(), "UninstallString");
  }
}

TEST_F(Main, EmptyProductNameNeverNamesTheUninstallKey) {
  for (const std::string exeName : {"Uninst.exe", "uninstaller.exe"}) {
    if (RunInCopy("", {}, exeName)) continue;
    ExpectNoProductAndTheUninstallKeyUntouched();
  }
}

// This test program's own name holds no "Uninst" at all.
TEST_F(Main, DefaultWindowNamesTheRunningExecutable) {
  ASSERT_NE(files::ModuleFileName().find("win32_tests"), std::string::npos);
  ExpectNoProductAndTheUninstallKeyUntouched();
}

// The answer that the registry gives to the check before the deletion, for the product's key
// opened as the deletion opens it (the link option or full access); other opens go through.
struct TRefusedOpenForDeletion {
  static LONG WINAPI Answer(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key) {
    if (path && keyPath == path && ((options & REG_OPTION_OPEN_LINK) || access == KEY_ALL_ACCESS)) return status;
    return hook->Original<decltype(&RegOpenKeyExA)>()(root, path, options, access, key);
  }
  static testsupport::TImportHook* hook;
  static std::string keyPath;
  static LONG status;
};
testsupport::TImportHook* TRefusedOpenForDeletion::hook = nullptr;
std::string TRefusedOpenForDeletion::keyPath;
LONG TRefusedOpenForDeletion::status = ERROR_SUCCESS;

// The run reads the block of its own program first; this test program's 64-bit image is none
// that the block reader models, so its file is hidden from that read, and the run goes on as for
// a program without a block. Other files open as usual.
struct THiddenOwnFile {
  static HANDLE WINAPI Open(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                            DWORD disposition, DWORD flags, HANDLE templateFile) {
    if (name && lstrcmpiA(name, files::ModuleFileName().c_str()) == 0) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    return hook->Original<decltype(&CreateFileA)>()(name, access, share, security, disposition, flags, templateFile);
  }
  static testsupport::TImportHook* hook;
};
testsupport::TImportHook* THiddenOwnFile::hook = nullptr;

// Only a refusal of rights asks for an administrator; any other (a key that another program
// deleted while it still holds it open, a registry that fails) is said with the system's reason.
// Either way nothing is deleted and the run ends with 1603. Wine gives no such refusal to an open
// of a key that is there, so the test gives it through the program's import of RegOpenKeyExA.
TEST_F(Main, RefusalBeforeTheDeletionSaysWhyAndDeletesNothing) {
  const struct {
    const char* product;
    LONG status;
    bool rights;
  } cases[] = {
      {"KvDenied", ERROR_ACCESS_DENIED, true},
      {"KvKeyHeld", ERROR_KEY_DELETED, false},
      {"KvBadDb", ERROR_BADDB, false},
  };
  for (const auto& c : cases) {
    if (RunAsUninstallerOf(c.product)) continue;
    const TInstalledSample installed(SampleNamed(c.product));
    const TSample& sample = installed.Sample();
    const TSampleState before = CaptureState(sample);
    TfrmMain form;
    ASSERT_EQ(form.ListBox1->Count(), 3);

    testsupport::TImportHook hook("ADVAPI32.dll", "RegOpenKeyExA",
                                  reinterpret_cast<const void*>(&TRefusedOpenForDeletion::Answer));
    ASSERT_TRUE(hook.Installed());
    TRefusedOpenForDeletion::hook = &hook;
    testsupport::TImportHook hidden("KERNEL32.dll", "CreateFileA", reinterpret_cast<const void*>(&THiddenOwnFile::Open));
    ASSERT_TRUE(hidden.Installed());
    THiddenOwnFile::hook = &hidden;
    TRefusedOpenForDeletion::keyPath = sample.keyPath;
    TRefusedOpenForDeletion::status = c.status;
    TMessageBoxWatcher watcher;
    form.btnOKClick(nullptr);
    const TCapturedBox box = watcher.Result();
    ASSERT_TRUE(box.Found);
    if (c.rights) {
      EXPECT_EQ(box.Text, c.product + std::string(" のアンインストールには管理者の権限が必要です\r\n\r\nアンインストールに失敗しました"));
    } else {
      const std::string words = systemerror::SystemErrorText(static_cast<DWORD>(c.status));
      EXPECT_EQ(box.Text, "アンインストールを完了できませんでした\r\n\r\n"
                          "アンインストール情報を削除できないため何も削除していません\r\n" +
                              (words.empty() ? systemerror::Describe(static_cast<DWORD>(c.status)) : words));
    }
    EXPECT_EQ(form.ExitCode, 1603u);
    const TSampleState after = CaptureState(sample);
    EXPECT_EQ(after, before) << "before:\n" << before.Describe() << "after:\n" << after.Describe();
  }
}

TEST_F(Main, StartWithoutEntryEndsTheLoopAtOnce) {
  // This test program's file name holds no "Uninst": no product, so the missing-entry box.
  TMessageBoxWatcher watcher;
  auto* form = application_.CreateForm<TfrmMain>();
  EXPECT_TRUE(watcher.Result().Found);
  application_.Run();  // returns by itself, without showing the window: the quit request is queued
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_FALSE(form->ShownOnce());
}

}  // namespace
