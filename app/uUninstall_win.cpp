#include "app/uUninstall_win.h"

#include "app/uExitCodes.h"
#include "app/uProductName.h"
#include "appended/uExeAdder.h"
#include "resources/resource.h"
#include "system/uAddRemovePrograms_win.h"
#include "system/uFiles_win.h"
#include "system/uMbcs.h"
#include "system/uPlatform_win.h"
#include "system/uRegistry_win.h"
#include "system/uRestartDelete_win.h"
#include "system/uRunLog_win.h"
#include "system/uRunMutex_win.h"

namespace app {
namespace {

const char kHklm[] = "HKEY_LOCAL_MACHINE\\";

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

// Whether the screen saver runs; the mutex is held only for the check.
bool ScreenSaverRunning(const std::string& exePath) {
  const std::string guid = ReadRunMutexName(exePath);
  if (guid.empty()) {
    runlog::Log("スクリーンセーバーの動作確認: GUID 項目がないため確認しません");
    return false;
  }
  const bool notRunning = runmutex::TryCreateRunMutex(guid);
  runmutex::ReleaseRunMutex();
  runlog::Log("スクリーンセーバーの動作確認: ミューテックス " + guid +
              (notRunning ? " は存在しません (動作していません)" : " が存在します (動作中です)"));
  return !notRunning;
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

TProduct DiscoverProduct(const std::string& exePath) {
  TProduct product;
  product.ProductName = ProductNameFromExePath(exePath);
  runlog::Log("製品名: " + product.ProductName);
  if (product.ProductName.empty()) {
    // The key path would be the Uninstall key itself, the entries of every installed program.
    runlog::Log("アンインストール情報: なし (実行ファイル名に製品名がありません)");
    return product;
  }
  const std::string keyPath = UninstallKeyPath(product.ProductName);
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

  bool success = true;
  for (const std::string& path : files) {
    if (outcome.Deferred.empty() && files::SameFile(path, deferPath) && files::FileExists(path)) {
      outcome.Deferred = path;
      runlog::Log("起動元の終了後に削除します: " + path);
      continue;
    }
    try {
      success = files::EndsWithDelimiter(path) ? RemoveDirectoryA(path.c_str()) != FALSE : DeleteFileA(path.c_str()) != FALSE;
    } catch (...) {
      // A deletion that raised did not delete: if the path is still there it is scheduled.
      success = false;
    }
    if (success) {
      runlog::Log("削除しました: " + path);
    } else if (files::PathExists(path)) {
      restart::DeleteFileAtRestart(path);
      outcome.AfterRestart.push_back(path);
      runlog::Log("再起動後に削除します: " + path);
    } else {
      runlog::Log("見つかりません: " + path);
    }
  }

  // An empty key path (no product found) must never reach the Uninstall key itself.
  if (!uninstallKeyPath.empty()) {
    registry::DeleteRegistryKeyTree(HKEY_LOCAL_MACHINE, uninstallKeyPath);
    runlog::Log((registry::KeyExists(HKEY_LOCAL_MACHINE, uninstallKeyPath) ? "レジストリキーを削除できませんでした: "
                                             : "レジストリキーを削除しました: ") +
                std::string(kHklm) + uninstallKeyPath);
  }
  const arp::TTitles titles = AddRemoveProgramsTitles();
  if (platform::WindowsVersion().PlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    runlog::Log(arp::FindAddRemoveProgramsWindow(titles) ? "「アプリケーションの追加と削除」を開き直します"
                                                          : "「アプリケーションの追加と削除」は開いていません");
  }
  arp::RefreshAddRemovePrograms(mainWindow, titles);
  return outcome;
}

unsigned ExitCodeOf(const TUninstallOutcome& outcome) {
  if (outcome.ScreenSaverRunning) return exitcode::kScreenSaverRunning;
  return outcome.AfterRestart.empty() ? exitcode::kDone : exitcode::kRestartRequired;
}

bool DeleteDeferredFile(const std::string& path) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (DeleteFileA(path.c_str())) {
      runlog::Log("削除しました: " + path);
      return true;
    }
    if (!files::PathExists(path)) {
      runlog::Log("見つかりません: " + path);
      return true;
    }
    Sleep(100);
  }
  restart::DeleteFileAtRestart(path);
  runlog::Log("再起動後に削除します: " + path);
  return false;
}

}  // namespace app
