#include "app/uMain_win.h"

#include <windows.h>

#include "app/uMainLayout.h"
#include "app/uProductName.h"
#include "appended/uExeAdder.h"
#include "resources/resource.h"
#include "system/uAddRemovePrograms_win.h"
#include "system/uFiles_win.h"
#include "system/uMbcs.h"
#include "system/uRegistry_win.h"
#include "system/uRestartDelete_win.h"
#include "system/uRunMutex_win.h"
#include "ui/uApplication_win.h"
#include "ui/uMessageDialog.h"

namespace app {
namespace {

const char kScreenSaverRunning[] =
    "スクリーンセーバーが動作しています\r\n"
    "画面のプロパティ上でスクリーンセーバーが起動してる場合\r\n"
    "画面のプロパティを閉じてからアンインストーラーを起動してください";
const char kUninstallDone[] = "アンインストールが完了しました";
const char kUninstallDoneAfterRestart[] =
    "アンインストールが完了しました\r\n下記のファイルは再起動後に削除されます\r\n";

// The data of the first item named exactly "GUID" of the executable's appended block; empty when
// there is no block, no such item or no data. The list also releases its data if the read raises.
std::string ReadRunMutexName(const std::string& exePath) {
  TItemTypes items;
  ReadAppendedItems(exePath, items);
  std::string guid;
  // A stored item may carry a negative Size: no data then.
  const TItemType* item = FindAppendedItem(items, "GUID");
  if (item && item->Data && item->Size > 0) {
    guid.assign(static_cast<const char*>(item->Data), item->Size);
  }
  FreeAppendedItems(items);
  return guid;
}


}  // namespace

arp::TTitles AddRemoveProgramsTitles() {
  arp::TTitles titles;
  for (const UINT id : {IDS_ARP_TITLE_FULLWIDTH, IDS_ARP_TITLE_HALFWIDTH}) {
    char buffer[256] = {};
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
    titles.emplace_back(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
  }
  return titles;
}

TfrmMain::TfrmMain() : TfrmMain(files::ModuleFileName()) {}

TfrmMain::TfrmMain(const std::string& exePath)
    : ui::TForm(layout::kMainLayout.Form), exePath_(exePath) {
  // In the layout's creation order.
  Label1 = Add<ui::TLabel>(layout::kMainLayout.Label1);
  lblExplain = Add<ui::TLabel>(layout::kMainLayout.lblExplain);
  ListBox1 = Add<ui::TListBox>(layout::kMainLayout.ListBox1);
  btnOK = Add<ui::TButton>(layout::kMainLayout.btnOK);
  btnCancel = Add<ui::TButton>(layout::kMainLayout.btnCancel);
  AltFixOnVista1 = AddComponent<ui::TAltFixOnVista>(layout::kMainLayout.AltFixOnVista1);
  OnCreate = [this](ui::TComponent* sender) { FormCreate(sender); };
  OnResize = [this](ui::TComponent* sender) { FormResize(sender); };
  btnOK->OnClick = [this](ui::TComponent* sender) { btnOKClick(sender); };
  btnCancel->OnClick = [this](ui::TComponent* sender) { btnCancelClick(sender); };
  Loaded();
}

void TfrmMain::FormCreate(ui::TComponent*) {
  // Taken from the layout as loaded, before anything has moved.
  ListWidthMargin = ClientWidth() - ListBox1->Width();
  ListHeightMargin = ClientHeight() - ListBox1->Height();
  OKButtonRightOffset = ClientWidth() - btnOK->Left();
  CancelButtonRightOffset = ClientWidth() - btnCancel->Left();
  ButtonBottomOffset = ClientHeight() - btnOK->Top();

  const std::string productName = ProductNameFromExePath(exePath_);
  // Without a product name the key path would be the Uninstall key itself, the entries of every
  // installed program: such a start counts as one without an uninstall entry.
  std::string uninstallerPath;
  if (!productName.empty()) {
    UninstallKeyPath = app::UninstallKeyPath(productName);
    uninstallerPath = registry::DequoteString(
        registry::ReadRegistryString(HKEY_LOCAL_MACHINE, UninstallKeyPath + "UninstallString"), '"');
  }
  if (uninstallerPath.empty()) {
    UninstallKeyPath.clear();
    ui::ShowError(mbcs::FormatText(
        "%s のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました",
        productName));
    ui::Application().Terminate();
    return;
  }

  ScrFileName = files::ExtractFilePath(uninstallerPath) + productName + ".scr";
  AddIfExists(ScrFileName);
  AddIfExists(files::ChangeFileExt(ScrFileName, ".txt"));
  AddIfExists(uninstallerPath);
  SetCaption(mbcs::FormatText("%sスクリーンセーバー Uninstaller", productName));
  lblExplain->SetCaption(mbcs::FormatText(lblExplain->Caption(), productName));
}

void TfrmMain::FormResize(ui::TComponent*) {
  const int width = ClientWidth();
  const int height = ClientHeight();
  ListBox1->SetBounds(ListBox1->Left(), ListBox1->Top(), width - ListWidthMargin,
                      height - ListHeightMargin);
  btnOK->SetBounds(width - OKButtonRightOffset, height - ButtonBottomOffset, btnOK->Width(),
                   btnOK->Height());
  btnCancel->SetBounds(width - CancelButtonRightOffset, btnOK->Top(), btnCancel->Width(),
                       btnCancel->Height());
}

void TfrmMain::btnOKClick(ui::TComponent*) {
  // A failure reading the block reaches the default error report: nothing is changed yet.
  const std::string guid = ReadRunMutexName(exePath_);
  if (!guid.empty()) {
    const bool notRunning = runmutex::TryCreateRunMutex(guid);
    if (!notRunning) ui::ShowWarning(kScreenSaverRunning);
    // The mutex is held only for the check, never while files go.
    runmutex::ReleaseRunMutex();
    if (!notRunning) return;
  }

  bool success = true;
  std::string afterRestart;
  for (const std::string& path : ListBox1->Items()) {
    try {
      // A line that ends in "\" names a folder (a character's second byte 0x5C does not count).
      success = files::EndsWithDelimiter(path) ? RemoveDirectoryA(path.c_str()) != FALSE
                                               : DeleteFileA(path.c_str()) != FALSE;
    } catch (...) {
      // A deletion that raised did not delete: if the path is still there it is scheduled.
      success = false;
    }
    if (!success && files::PathExists(path)) {
      restart::DeleteFileAtRestart(path);
      afterRestart += "\r\n" + path;
    }
  }

  // An empty key path (no product found) must never reach the Uninstall key itself.
  if (!UninstallKeyPath.empty()) {
    registry::DeleteRegistryKeyTree(HKEY_LOCAL_MACHINE, UninstallKeyPath);
  }
  arp::RefreshAddRemovePrograms(Handle(), AddRemoveProgramsTitles());
  ui::ShowInformation(afterRestart.empty() ? std::string(kUninstallDone)
                                           : kUninstallDoneAfterRestart + afterRestart);
  Close();
}

void TfrmMain::btnCancelClick(ui::TComponent*) { Close(); }

void TfrmMain::AddIfExists(const std::string& path) {
  if (files::FileExists(path)) ListBox1->Add(path);
}

}  // namespace app
