#include "app/uUninstall_win.h"

#include "app/uExitCodes.h"
#include "appended/uExeAdder.h"
#include "resources/resource.h"
#include "system/uAddRemovePrograms_win.h"
#include "system/uFiles_win.h"
#include "system/uMbcs.h"
#include "system/uPlatform_win.h"
#include "system/uProductName.h"
#include "system/uRegistry_win.h"
#include "system/uRestartDelete_win.h"
#include "system/uRunLog_win.h"
#include "system/uRunMutex_win.h"
#include "system/uSystemError_win.h"

namespace app {
namespace {

const char kHklm[] = "HKEY_LOCAL_MACHINE\\";

// The data of the first item named exactly "GUID" of the executable's appended block; empty when
// there is no block, no such item or no data. The list releases its data on every way out.
std::string ReadRunMutexName(const std::string& exePath) {
  TItemTypes items;
  ReadAppendedItems(exePath, items);
  const TItemType* item = FindAppendedItem(items, "GUID");
  return item ? AppendedItemData(*item) : std::string();
}

// Whether the screen saver runs; the mutex is held only for the check.
bool ScreenSaverRunning(const std::string& exePath) {
  const std::string guid = ReadRunMutexName(exePath);
  if (guid.empty()) {
    runlog::Log("スクリーンセーバーの動作確認: GUID 項目がないため確認しません");
    return false;
  }
  DWORD createError = ERROR_SUCCESS;
  const bool notRunning = runmutex::TryCreateRunMutex(guid, &createError);
  runmutex::ReleaseRunMutex();
  if (createError == ERROR_SUCCESS) {
    runlog::Log("スクリーンセーバーの動作確認: ミューテックス " + guid +
                (notRunning ? " は存在しません (動作していません)" : " が存在します (動作中です)"));
  } else if (runlog::Logging()) {
    runlog::Log("スクリーンセーバーの動作確認: ミューテックス " + guid + " を作成できません (" +
                systemerror::Describe(createError) + "); 動作中として扱います");
  }
  return !notRunning;
}

// Deletes one listed path (a folder when it ends in "\"), trying attempts times in all, 100 ms
// apart while it still exists; a survivor goes to the deletion at the restart. The log names the
// state it ends in, and the system's errors when it stays.
TPathState RemovePath(const std::string& path, int attempts) {
  // Neither the deletion nor the deletion at the restart takes a read-only file.
  const DWORD readOnly = files::ClearReadOnly(path);
  if (readOnly != 0) runlog::Log("読み取り専用属性を解除しました: " + path);
  DWORD deleteError = ERROR_SUCCESS;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (attempt > 0) Sleep(100);
    bool deleted = false;
    try {
      deleted = files::EndsWithDelimiter(path) ? RemoveDirectoryA(path.c_str()) != FALSE
                                               : DeleteFileA(path.c_str()) != FALSE;
      deleteError = deleted ? ERROR_SUCCESS : GetLastError();
    } catch (...) {
      // A deletion that raised did not delete: if the path is still there it is scheduled.
      deleted = false;
    }
    if (deleted) {
      runlog::Log("削除しました: " + path);
      return TPathState::Deleted;
    }
    if (!files::PathExists(path)) {
      runlog::Log("見つかりません: " + path);
      return TPathState::NotFound;
    }
  }
  const DWORD scheduleError = restartdelete::DeleteFileAtRestart(path);
  if (scheduleError == ERROR_SUCCESS) {
    runlog::Log("再起動後に削除します: " + path);
    return TPathState::AfterRestart;
  }
  // Left as it was found.
  if (readOnly != 0) SetFileAttributesA(path.c_str(), readOnly);
  if (runlog::Logging()) {
    runlog::Log("削除できませんでした: " + path + " (削除: " + systemerror::Describe(deleteError) +
                "; 再起動後の削除: " + systemerror::Describe(scheduleError) + ")");
  }
  return TPathState::NotRemoved;
}

}  // namespace

addremoveprograms::TTitles AddRemoveProgramsTitles() {
  addremoveprograms::TTitles titles;
  for (const UINT id : {IDS_ARP_TITLE_FULLWIDTH, IDS_ARP_TITLE_HALFWIDTH}) {
    char buffer[256] = {};
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
    titles.emplace_back(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
  }
  return titles;
}

TProduct DiscoverProduct(const std::string& exePath) {
  TProduct product;
  product.ProductName = productname::ProductNameFromExePath(exePath);
  runlog::Log("製品名: " + product.ProductName);
  if (product.ProductName.empty()) {
    // The key path would be the Uninstall key itself, the entries of every installed program.
    runlog::Log("アンインストール情報: なし (実行ファイル名に製品名がありません)");
    return product;
  }
  const std::string keyPath = productname::UninstallKeyPath(product.ProductName);
  product.UninstallerPath =
      registry::DequoteString(registry::ReadRegistryString(HKEY_LOCAL_MACHINE, keyPath + "UninstallString"), '"');
  if (product.UninstallerPath.empty()) {
    runlog::Log(std::string("アンインストール情報: ") + kHklm + keyPath + " なし");
    return product;
  }
  product.UninstallKeyPath = keyPath;
  runlog::Log(std::string("アンインストール情報: ") + kHklm + keyPath + " あり (UninstallString " +
              product.UninstallerPath + ")");
  product.ScrFileName = files::ExtractFilePath(product.UninstallerPath) + product.ProductName + ".scr";
  for (const std::string& path :
       {product.ScrFileName, files::ChangeFileExt(product.ScrFileName, ".txt"), product.UninstallerPath}) {
    if (files::FileExists(path)) product.Files.push_back(path);
  }
  return product;
}

TUninstallOutcome RunUninstall(const std::string& exePath, const std::vector<std::string>& files,
                               const std::string& uninstallKeyPath, HWND mainWindow,
                               const std::string& deferPath) {
  TUninstallOutcome outcome;
  outcome.ScreenSaverRunning = ScreenSaverRunning(exePath);
  if (outcome.ScreenSaverRunning) return outcome;

  // A user without the rights to delete the entry (Windows 2000 and XP do not elevate) would be
  // left with a half-removed product whose entry stays: asked before anything is deleted.
  // Windows 95/98/Me have no registry security.
  if (!uninstallKeyPath.empty() && platform::IsNTFamily()) {
    const LONG status = registry::OpenForDeletion(HKEY_LOCAL_MACHINE, uninstallKeyPath);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
      outcome.KeyRefused = status;
      runlog::LogWithSystemError(std::string(outcome.RightsMissing()
                                                 ? "アンインストール情報を削除する権限がないため何も削除しません: "
                                                 : "アンインストール情報を削除できないため何も削除しません: ") +
                                     kHklm + uninstallKeyPath,
                                 static_cast<DWORD>(status));
      return outcome;
    }
  }

  for (const std::string& path : files) {
    if (outcome.Deferred.empty() && files::SameFile(path, deferPath) && files::FileExists(path)) {
      outcome.Deferred = path;
      runlog::Log("起動元の終了後に削除します: " + path);
      continue;
    }
    const TPathState state = RemovePath(path, 1);
    if (state == TPathState::AfterRestart) outcome.AfterRestart.push_back(path);
    if (state == TPathState::NotRemoved) outcome.NotRemoved.push_back(path);
  }

  // An empty key path (no product found) must never reach the Uninstall key itself.
  if (!uninstallKeyPath.empty()) {
    const LONG status = registry::DeleteRegistryKeyTree(HKEY_LOCAL_MACHINE, uninstallKeyPath);
    outcome.EntryRemains = !registry::KeyTreeGone(status);
    if (!outcome.EntryRemains) {
      runlog::Log(std::string("レジストリキーを削除しました: ") + kHklm + uninstallKeyPath);
    } else {
      runlog::LogWithSystemError(std::string("レジストリキーを削除できませんでした: ") + kHklm + uninstallKeyPath,
                                 static_cast<DWORD>(status));
    }
  }
  // Only Windows 95/98/Me have the window to reopen.
  if (platform::IsWindows9xFamily()) {
    // In the order of TRefresh.
    static const char* const kRefreshed[] = {
        "「アプリケーションの追加と削除」は開いていません",
        "「アプリケーションの追加と削除」を開き直しました",
        "「アプリケーションの追加と削除」が閉じないため、そのままにします",
        "「アプリケーションの追加と削除」を閉じましたが、開き直せませんでした",
    };
    const addremoveprograms::TRefresh refreshed =
        addremoveprograms::RefreshAddRemovePrograms(mainWindow, AddRemoveProgramsTitles());
    runlog::Log(kRefreshed[static_cast<int>(refreshed)]);
  }
  return outcome;
}

unsigned ExitCodeOf(const TUninstallOutcome& outcome) {
  if (outcome.ScreenSaverRunning) return exitcode::kScreenSaverRunning;
  if (outcome.KeyRefused != ERROR_SUCCESS || !outcome.Complete()) return exitcode::kFailed;
  return outcome.AfterRestart.empty() ? exitcode::kDone : exitcode::kRestartRequired;
}

TPathState DeleteDeferredFile(const std::string& path) { return RemovePath(path, 50); }

}  // namespace app
