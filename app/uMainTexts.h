// The program's own texts outside the window's layout, each defined once for both the forms it
// is shown in (ui::TOwnText).
#pragma once
#include "ui/uText.h"

namespace texts {

// The application title: the taskbar entry and every message box.
constexpr ui::TOwnText kApplicationTitle = OWN_TEXT("Korvane Uninstaller");
// The main window's caption once the product is known; %s takes the product name.
constexpr ui::TOwnText kMainCaption = OWN_TEXT("%sスクリーンセーバー Uninstaller");
// No uninstall entry for the product; %s takes the product name.
constexpr ui::TOwnText kMissingEntry =
    OWN_TEXT("%s のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました");
constexpr ui::TOwnText kScreenSaverRunning =
    OWN_TEXT("スクリーンセーバーが動作しています\r\n"
             "画面のプロパティ上でスクリーンセーバーが起動してる場合\r\n"
             "画面のプロパティを閉じてからアンインストーラーを起動してください");
constexpr ui::TOwnText kUninstallDone = OWN_TEXT("アンインストールが完了しました");
// Followed by a line break and a path for every file left for the restart.
constexpr ui::TOwnText kUninstallDoneAfterRestart =
    OWN_TEXT("アンインストールが完了しました\r\n下記のファイルは再起動後に削除されます\r\n");
constexpr ui::TOwnText kLineBreak = OWN_TEXT("\r\n");

}  // namespace texts
