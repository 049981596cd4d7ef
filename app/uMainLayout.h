// The main window's stored layout, designed at 96 pixels per inch and not scaled.
#pragma once
#include "ui/uLayout.h"

namespace layout {

// Identifiers of the windowed controls, for anything that looks for them through Win32.
constexpr int kListBox1Id = 1001;
constexpr int kBtnOKId = 1002;
constexpr int kBtnCancelId = 1003;

constexpr unsigned char kShiftJisCharset = 128;

// One entry per member of the window, under the names of the form it reproduces (Label1, btnOK,
// ...); TfrmMain creates them in the order Label1, lblExplain, ListBox1, btnOK, btnCancel,
// AltFixOnVista1. The tab order is btnCancel, ListBox1, btnOK.
struct TMainLayout {
  ui::TFormLayout Form;
  ui::TControlLayout Label1, lblExplain, ListBox1, btnOK, btnCancel;
  const char* AltFixOnVista1;
};

inline constexpr TMainLayout kMainLayout = {
    {"TfrmMain", "frmMain", OWN_TEXT("Korvane Uninstaller"), 400, 220, 332, 180,
     {OWN_TEXT("ＭＳ Ｐゴシック"), -12, kShiftJisCharset}},
    {"Label1", 8, 32, 143, 12, OWN_TEXT("以下のファイルを削除します"), -1, 0, false, 0},
    {"lblExplain", 8, 8, 237, 12, OWN_TEXT("%sスクリーンセーバーをアンインストールします"), -1, 0, false, 0},
    {"ListBox1", 8, 48, 385, 137, {nullptr, nullptr}, 1, kListBox1Id, false, 12},
    {"btnOK", 84, 194, 150, 20, OWN_TEXT("アンインストール(&U)"), 2, kBtnOKId, false, 0},
    {"btnCancel", 244, 194, 150, 20, OWN_TEXT("キャンセル(&C)"), 0, kBtnCancelId, true, 0},
    "AltFixOnVista1",
};

}  // namespace layout
