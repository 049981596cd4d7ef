// The program's own texts outside the window's layout, each defined once for both the forms it
// is shown in (ui::TOwnText).
#pragma once
#include "ui/uText.h"

namespace maintexts {

// Pieces that several texts end or begin with, spelt once.
#define KORVANE_DONE "アンインストールが完了しました"
#define KORVANE_AFTER_RESTART "下記のファイルは再起動後に削除されます\r\n"
#define KORVANE_FAILED "\r\n\r\nアンインストールに失敗しました"

// The application title: the taskbar entry and every message box.
constexpr ui::TOwnText kApplicationTitle = OWN_TEXT("Korvane Uninstaller");
// The main window's caption once the product is known; %s takes the product name.
constexpr ui::TOwnText kMainCaption = OWN_TEXT("%sスクリーンセーバー Uninstaller");
// No uninstall entry for the product; %s takes the product name.
constexpr ui::TOwnText kMissingEntry = OWN_TEXT("%s のインストール情報が見つかりませんでした" KORVANE_FAILED);
constexpr ui::TOwnText kScreenSaverRunning =
    OWN_TEXT("スクリーンセーバーが動作しています\r\n"
             "画面のプロパティ上でスクリーンセーバーが起動してる場合\r\n"
             "画面のプロパティを閉じてからアンインストーラーを起動してください");
constexpr ui::TOwnText kUninstallDone = OWN_TEXT(KORVANE_DONE);
// Followed by a line break and a path for every file left for the restart.
constexpr ui::TOwnText kUninstallDoneAfterRestart = OWN_TEXT(KORVANE_DONE "\r\n" KORVANE_AFTER_RESTART);
constexpr ui::TOwnText kLineBreak = OWN_TEXT("\r\n");

// The run could not finish: files or the uninstall entry are left. Followed by the parts below
// that apply, in this order.
constexpr ui::TOwnText kUninstallIncomplete = OWN_TEXT("アンインストールを完了できませんでした");
// Followed by a line break and a path for every file that was neither deleted nor scheduled.
constexpr ui::TOwnText kFilesRemain = OWN_TEXT("\r\n\r\n下記のファイルは削除できなかったため残っています\r\n");
constexpr ui::TOwnText kEntryRemains =
    OWN_TEXT("\r\n\r\nアンインストール情報を削除できなかったため\r\n"
             "「アプリケーションの追加と削除」の項目が残っています");
// Followed by a line break and a path for every file left for the restart.
constexpr ui::TOwnText kAlsoAfterRestart = OWN_TEXT("\r\n\r\n" KORVANE_AFTER_RESTART);

// The uninstall entry cannot be deleted for another reason than rights, so nothing was touched.
// Follows kUninstallIncomplete, and is followed by the system's reason.
constexpr ui::TOwnText kNothingDeleted = OWN_TEXT("\r\n\r\nアンインストール情報を削除できないため何も削除していません\r\n");

// Without the rights to delete the uninstall entry nothing is touched; %s takes the product name.
constexpr ui::TOwnText kAdministratorRequired = OWN_TEXT("%s のアンインストールには管理者の権限が必要です" KORVANE_FAILED);

// The started program could not make or start its temporary copy. Followed by a line break and
// the path concerned (when there is one), a line break and the system's reason, then the end.
constexpr ui::TOwnText kCopyNotStarted = OWN_TEXT("アンインストーラーを一時フォルダーから起動できませんでした\r\n");
constexpr ui::TOwnText kUninstallFailedEnd = OWN_TEXT(KORVANE_FAILED);

// "/?": the switches; %s takes the executable's file name.
constexpr ui::TOwnText kUsage =
    OWN_TEXT("使い方: %s [/S] [/LOG | /LOG=ファイル名]\r\n\r\n"
             "/S : 何も表示せずにアンインストールします\r\n"
             "/LOG : 一時フォルダーにログを記録します\r\n"
             "/LOG=ファイル名 : 指定したファイルにログを記録します\r\n"
             "/? : この説明を表示します");

// Ahead of the usage when a switch is not one of them; %s takes the switch as written.
constexpr ui::TOwnText kUnknownSwitch = OWN_TEXT("不明なスイッチです: %s\r\n\r\n");

#undef KORVANE_DONE
#undef KORVANE_AFTER_RESTART
#undef KORVANE_FAILED

}  // namespace maintexts
