// The uninstaller's only window: the files it will delete, Uninstall and Cancel.
#pragma once
#include <cstdint>
#include <string>

#include "ui/uAltFixOnVista.h"
#include "ui/uControls_win.h"
#include "ui/uForm_win.h"

namespace app {

class TfrmMain : public ui::TForm {
 public:
  // The product is the one the running executable's file name names.
  TfrmMain();

  // The names of the form that this window reproduces (its designer's Label1, btnOK, ...), kept.
  ui::TLabel* Label1 = nullptr;
  ui::TListBox* ListBox1 = nullptr;
  ui::TLabel* lblExplain = nullptr;
  ui::TButton* btnOK = nullptr;
  ui::TButton* btnCancel = nullptr;
  ui::TAltFixOnVista* AltFixOnVista1 = nullptr;

  // Distances kept from the client area's right and bottom edges while the window is resized.
  std::int32_t ListWidthMargin = 0;
  std::int32_t ListHeightMargin = 0;
  std::int32_t OKButtonRightOffset = 0;
  std::int32_t CancelButtonRightOffset = 0;
  std::int32_t ButtonBottomOffset = 0;

  // The product's uninstall key under HKEY_LOCAL_MACHINE, ending in "\"; empty when the program
  // found no product, so that nothing can ever delete the Uninstall key itself.
  std::string UninstallKeyPath;
  std::string ScrFileName;

  // The process's exit code once the window has closed: 1602 until a run is tried, then the
  // outcome of the last run (0 or 3010 when it completed, 1618 for a running screen saver, 1603
  // for a block that could not be read, missing rights, or files or the entry left in place);
  // 1605 without an uninstall entry.
  unsigned ExitCode;

  void FormCreate(ui::TComponent* Sender);
  void FormResize(ui::TComponent* Sender);
  void btnOKClick(ui::TComponent* Sender);
  void btnCancelClick(ui::TComponent* Sender);

 private:
  std::string exePath_;  // the running executable
};

}  // namespace app
