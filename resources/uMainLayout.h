// The main window's stored layout, designed at 96 pixels per inch and not scaled.
#pragma once
#include <iterator>

#include "ui/uLayout.h"

namespace layout {

// Identifiers of the windowed controls, for anything that looks for them through Win32.
constexpr int kListBox1Id = 1001;
constexpr int kBtnOKId = 1002;
constexpr int kBtnCancelId = 1003;

constexpr unsigned char kShiftJisCharset = 128;

// Creation order; the tab order is btnCancel, ListBox1, btnOK.
inline constexpr ui::TComponentLayout kMainComponents[] = {
    {"Label1", ui::TComponentKind::Label, 8, 32, 143, 12, "以下のファイルを削除します", -1, 0, false, 0},
    {"lblExplain", ui::TComponentKind::Label, 8, 8, 237, 12, "%sスクリーンセーバーをアンインストールします", -1, 0, false, 0},
    {"ListBox1", ui::TComponentKind::ListBox, 8, 48, 385, 137, nullptr, 1, kListBox1Id, false, 12},
    {"btnOK", ui::TComponentKind::Button, 84, 194, 150, 20, "アンインストール(&U)", 2, kBtnOKId, false, 0},
    {"btnCancel", ui::TComponentKind::Button, 244, 194, 150, 20, "キャンセル(&C)", 0, kBtnCancelId, true, 0},
    {"AltFixOnVista1", ui::TComponentKind::NonVisual, 0, 0, 0, 0, nullptr, -1, 0, false, 0},
};

inline constexpr ui::TFormLayout kMainLayout = {
    "TfrmMain", "frmMain", "Korvane Uninstaller", 400, 220, 332, 180,
    {"ＭＳ Ｐゴシック", -12, kShiftJisCharset},
    kMainComponents, std::size(kMainComponents),
};

}  // namespace layout
