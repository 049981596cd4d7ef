#include "app/uMain_win.h"

#include <windows.h>

#include "app/uExitCodes.h"
#include "app/uMainLayout.h"
#include "app/uMainTexts.h"
#include "app/uUninstall_win.h"
#include "system/uFiles_win.h"
#include "system/uProductName.h"
#include "system/uRunLog_win.h"
#include "system/uSystemError_win.h"
#include "ui/uApplication_win.h"
#include "ui/uMessageDialog.h"
#include "ui/uText_win.h"

namespace app {
namespace {

// A list of paths as the outcome boxes show them: each on a line of its own, after a line break.
ui::TText PathLines(const std::vector<std::string>& paths) {
  ui::TText lines;
  for (const std::string& path : paths) lines += maintexts::kLineBreak + ui::SystemText(path);
  return lines;
}

// The outcome of a run that did not finish: what stays, then what waits for the restart.
ui::TText IncompleteText(const TUninstallOutcome& outcome) {
  ui::TText message = maintexts::kUninstallIncomplete;
  if (!outcome.NotRemoved.empty()) message += maintexts::kFilesRemain + PathLines(outcome.NotRemoved);
  if (outcome.EntryRemains) message += maintexts::kEntryRemains;
  if (!outcome.AfterRestart.empty()) message += maintexts::kAlsoAfterRestart + PathLines(outcome.AfterRestart);
  return message;
}

}  // namespace

TfrmMain::TfrmMain()
    : ui::TForm(layout::kMainLayout.Form), ExitCode(exitcode::kCancelled), exePath_(files::ModuleFileName()) {
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

  // Without a product name the key path would be the Uninstall key itself, the entries of every
  // installed program: such a start counts as one without an uninstall entry.
  const TProduct product = DiscoverProduct(exePath_);
  // The product name comes from the file name: in the system's code page, not in 932.
  const ui::TText productName = ui::SystemText(product.ProductName);
  if (!product.Found()) {
    UninstallKeyPath.clear();
    ExitCode = exitcode::kUnknownProduct;
    ui::ShowError(ui::FormatText(maintexts::kMissingEntry, productName));
    ui::Application().Terminate();
    return;
  }

  UninstallKeyPath = product.UninstallKeyPath;
  ScrFileName = product.ScrFileName;
  for (const std::string& path : product.Files) ListBox1->Add(path);
  SetCaption(ui::FormatText(maintexts::kMainCaption, productName));
  lblExplain->SetCaption(ui::FormatText(lblExplain->Caption(), productName));
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
  // Until the run has an outcome, a failure (reading the block) is what it ends in. That failure
  // reaches the default error report: nothing is changed yet.
  ExitCode = exitcode::kFailed;
  TUninstallOutcome outcome;
  try {
    outcome = RunUninstall(exePath_, ListBox1->Items(), UninstallKeyPath, Handle(), std::string());
  } catch (...) {
    runlog::LogCurrentException();
    throw;
  }
  ExitCode = ExitCodeOf(outcome);
  if (outcome.ScreenSaverRunning) {
    ui::ShowWarning(maintexts::kScreenSaverRunning);
    return;
  }
  // Nothing was changed, and nothing this window offers can change that: it closes.
  if (outcome.RightsMissing()) {
    ui::ShowError(ui::FormatText(maintexts::kAdministratorRequired, ui::SystemText(productname::ProductNameFromExePath(exePath_))));
  } else if (outcome.KeyRefused != ERROR_SUCCESS) {
    const DWORD reason = static_cast<DWORD>(outcome.KeyRefused);
    // A code without the system's words is shown as its number.
    const std::string words = systemerror::SystemErrorText(reason);
    ui::ShowError(maintexts::kUninstallIncomplete + maintexts::kNothingDeleted +
                  ui::SystemText(words.empty() ? systemerror::Describe(reason) : words));
  } else if (!outcome.Complete()) {
    ui::ShowError(IncompleteText(outcome));
  } else if (outcome.AfterRestart.empty()) {
    ui::ShowInformation(maintexts::kUninstallDone);
  } else {
    ui::ShowInformation(maintexts::kUninstallDoneAfterRestart + PathLines(outcome.AfterRestart));
  }
  Close();
}

void TfrmMain::btnCancelClick(ui::TComponent*) { Close(); }

}  // namespace app
