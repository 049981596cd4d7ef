#include "app/uMain_win.h"

#include <windows.h>

#include <stdexcept>

#include "app/uProductName.h"
#include "resources/uMainLayout.h"
#include "system/uMbcs.h"
#include "system/uModulePath_win.h"
#include "system/uRegistry_win.h"
#include "ui/uMessageDialog.h"

namespace app {
namespace {

template <typename T>
T* Bind(const ui::TForm& form, const char* name) {
  T* component = form.FindComponent<T>(name);
  if (!component) throw std::logic_error(std::string("the layout has no ") + name);
  return component;
}

}  // namespace

TfrmMain::TfrmMain() : TfrmMain(modulepath::ModuleFileName()) {}

TfrmMain::TfrmMain(const std::string& exePath) : exePath_(exePath) {
  LoadLayout(layout::kMainLayout, [this](const ui::TComponentLayout&) -> ui::TComponent* {
    return CreateOwned<ui::TAltFixOnVista>();
  });
  Label1 = Bind<ui::TLabel>(*this, "Label1");
  ListBox1 = Bind<ui::TListBox>(*this, "ListBox1");
  lblExplain = Bind<ui::TLabel>(*this, "lblExplain");
  btnOK = Bind<ui::TButton>(*this, "btnOK");
  btnCancel = Bind<ui::TButton>(*this, "btnCancel");
  AltFixOnVista1 = Bind<ui::TAltFixOnVista>(*this, "AltFixOnVista1");

  OnCreate = [this](ui::TComponent* sender) { FormCreate(sender); };
  OnResize = [this](ui::TComponent* sender) { FormResize(sender); };
  btnOK->OnClick = [this](ui::TComponent* sender) { btnOKClick(sender); };
  btnCancel->OnClick = [this](ui::TComponent* sender) { btnCancelClick(sender); };
  DoCreate();
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
    ui::ShowError(FormatText(
        "%s のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました",
        productName));
    ui::Application().Terminate();
    return;
  }

  ScrFileName = mbcs::ExtractFilePath(uninstallerPath) + productName + ".scr";
  AddIfExists(ScrFileName);
  AddIfExists(mbcs::ChangeFileExt(ScrFileName, ".txt"));
  AddIfExists(uninstallerPath);
  SetCaption(FormatText("%sスクリーンセーバー Uninstaller", productName));
  lblExplain->SetCaption(FormatText(lblExplain->Caption(), productName));
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
  // The uninstall run.
}

void TfrmMain::btnCancelClick(ui::TComponent*) { Close(); }

void TfrmMain::AddIfExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ListBox1->Add(path);
  }
}

}  // namespace app
