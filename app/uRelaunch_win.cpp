#include "app/uRelaunch_win.h"

#include <windows.h>

#include <string>

#include "app/uExitCodes.h"
#include "system/uHandBack_win.h"
#include "system/uFiles_win.h"
#include "system/uPlatform_win.h"
#include "system/uPrivateFolder_win.h"
#include "system/uRestartDelete_win.h"
#include "system/uRunLog_win.h"

namespace app {
namespace {

// The copy's own file goes at the next restart, then the private folder it sits in (never any
// other folder: a copy started directly from elsewhere leaves its folder alone).
void ScheduleOwnCopy(const std::string& exe) {
  restart::DeleteFileAtRestart(exe);
  runlog::Log("一時コピーを再起動後に削除します: " + exe);
  const std::string folder = files::ExtractFilePath(exe);
  if (platform::IsNTFamily() && (privatefolder::IsPrivateFolder(folder, files::TemporaryFolder()) ||
                                 privatefolder::IsPrivateFolder(folder, files::SystemTemporaryFolder()))) {
    // Held as the starter held it, so that nobody can swap the folder under the running copy.
    privatefolder::HoldForTheRun(folder);
    restart::DeleteFileAtRestart(files::ExcludeTrailingDelimiter(folder));
    runlog::Log("一時フォルダーを再起動後に削除します: " + files::ExcludeTrailingDelimiter(folder));
  }
}

// Takes back what a start that went wrong left: the copy and its private folder, never a file
// that was there before.
void RemoveCopy(const std::string& copy, privatefolder::TPrivateFolder& privateFolder) {
  if (privateFolder.Path.empty()) return;
  if (!copy.empty()) DeleteFileA(copy.c_str());
  // The folder cannot be removed while it is held; once empty, it is harmless to let go first.
  privateFolder.Folder.reset();
  privateFolder.Parent.reset();
  RemoveDirectoryA(files::ExcludeTrailingDelimiter(privateFolder.Path).c_str());
}

// The copy's private folder: in the temporary folder, or, when that lies behind a reparse point
// (which its user can put there), in the system's temporary folder, which only administrators
// may change; without administrator rights then none.
privatefolder::TPrivateFolder MakePrivateFolder(const std::string& temp) {
  privatefolder::TPrivateFolder made = privatefolder::CreatePrivateFolder(temp);
  if (!made.ParentIsReparsePoint) return made;
  runlog::Log("一時フォルダーはリパースポイントを経由しているため使いません: " + temp);
  const std::string systemTemp = files::SystemTemporaryFolder();
  if (systemTemp.empty() || !privatefolder::HasAdministratorRights()) return made;
  runlog::Log("代わりにシステムの一時フォルダーを使います: " + systemTemp);
  return privatefolder::CreatePrivateFolder(systemTemp);
}

unsigned StartFailed(const TStartOptions& options, const std::string& what) {
  runlog::Log(what + " (エラー " + std::to_string(GetLastError()) + ")");
  return options.Silent ? exitcode::kFailed : exitcode::kDone;
}

}  // namespace

bool RelaunchFromTemp(const TStartOptions& options, unsigned& exitCode) {
  exitCode = exitcode::kDone;
  const std::string exe = files::ModuleFileName();
  if (options.IsCopy) {
    if (!exe.empty()) ScheduleOwnCopy(exe);
    return true;
  }

  // Without a usable temporary folder or own path the copy would land in the wrong place:
  // end instead, as a failed copy does.
  const std::string temp = files::TemporaryFolder();
  if (exe.empty() || temp.empty()) {
    exitCode = StartFailed(options, "一時フォルダーまたは実行ファイルのパスを取得できませんでした");
    return false;
  }
  // A folder of its own on the NT family: nothing placed in the shared temporary folder can be
  // run or loaded in the copy's place. Windows 95/98/Me have no file security to give it, and
  // WININIT.INI cannot remove a folder.
  privatefolder::TPrivateFolder privateFolder;
  if (platform::IsNTFamily()) {
    privateFolder = MakePrivateFolder(temp);
    if (privateFolder.Path.empty()) {
      exitCode = StartFailed(options, "一時フォルダーを作成できませんでした: " + temp);
      return false;
    }
  }
  const std::string copy = (privateFolder.Path.empty() ? temp : privateFolder.Path) + files::ExtractFileName(exe);
  if (copy.size() >= MAX_PATH) {
    RemoveCopy(std::string(), privateFolder);
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    exitCode = StartFailed(options, "一時コピーのパスが長すぎます: " + copy);
    return false;
  }
  // In the new folder nothing may be replaced; in the shared one an earlier run's copy is.
  if (!CopyFileA(exe.c_str(), copy.c_str(), privateFolder.Path.empty() ? FALSE : TRUE)) {
    exitCode = StartFailed(options, "一時コピーを作成できませんでした: " + copy);
    RemoveCopy(std::string(), privateFolder);
    return false;
  }
  runlog::Log("一時コピーを作成しました: " + copy);

  handback::TOutcomeChannel channel;
  if (options.Silent && !channel.Create()) {
    exitCode = StartFailed(options, "一時コピーとの通信路を作成できませんでした");
    RemoveCopy(copy, privateFolder);
    return false;
  }
  const std::string logPath = options.Log ? runlog::LogFile() : std::string();
  std::string commandLine =
      CopyCommandLine(copy, files::GetShortPath(exe), options.Silent, logPath,
                      options.Silent ? channel.PipeForCopy() : 0, options.Silent ? channel.StarterForCopy() : 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process = {};
  // Started in its own folder, so that not even the current folder holds anything planted.
  const BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, options.Silent ? TRUE : FALSE, 0,
                                      nullptr, privateFolder.Path.empty() ? nullptr : privateFolder.Path.c_str(),
                                      &startup, &process);
  channel.CloseCopyEnds();
  if (!started) {
    exitCode = StartFailed(options, "一時コピーを起動できませんでした: " + copy);
    RemoveCopy(copy, privateFolder);
    return false;
  }
  handles::TUniqueHandleObj copyProcess(process.hProcess);
  handles::TUniqueHandleObj copyThread(process.hThread);
  // From here on the copy holds its folder itself.
  privateFolder.Folder.reset();
  privateFolder.Parent.reset();
  runlog::Log("一時コピーを起動しました: プロセス " + std::to_string(process.dwProcessId));
  if (!options.Silent) return false;

  DWORD outcome = 0;
  if (channel.ReceiveOutcome(outcome)) {
    exitCode = outcome;
    runlog::Log("一時コピーの結果を受け取りました: " + std::to_string(outcome));
  } else {
    exitCode = exitcode::kFailed;
    runlog::Log("一時コピーが結果を返さずに終了しました");
  }
  return false;
}

}  // namespace app
