#include "app/uRelaunch_win.h"

#include <windows.h>

#include <string>

#include "app/uExitCodes.h"
#include "app/uMainTexts.h"
#include "system/uHandBack_win.h"
#include "system/uFiles_win.h"
#include "system/uPlatform_win.h"
#include "system/uPrivateFolder_win.h"
#include "system/uRestartDelete_win.h"
#include "system/uRunLog_win.h"
#include "system/uSystemError_win.h"
#include "ui/uMessageDialog.h"
#include "ui/uText_win.h"

namespace app {
namespace {

// The copy's own file goes at the next restart, then the private folder it sits in (never any
// other folder: a copy started directly from elsewhere leaves its folder alone). A refusal
// leaves only the copy behind in the temporary folder: it is logged, and the uninstall goes on.
void ScheduleOwnCopy(const std::string& exe) {
  const auto schedule = [](const std::string& path, const std::string& what) {
    const DWORD error = restartdelete::DeleteFileAtRestart(path);
    if (error == ERROR_SUCCESS) {
      runlog::Log(what + "を再起動後に削除します: " + path);
    } else {
      runlog::LogWithSystemError(what + "を再起動後に削除できません: " + path, error);
    }
  };
  schedule(exe, "一時コピー");
  const std::string folder = files::ExtractFilePath(exe);
  if (platform::IsNTFamily() && (privatefolder::IsPrivateFolder(folder, files::TemporaryFolder()) ||
                                 privatefolder::IsPrivateFolder(folder, files::SystemTemporaryFolder()))) {
    // Held as the starter held it, so that nobody can swap the folder under the running copy.
    privatefolder::HoldForTheRun(folder);
    schedule(files::ExcludeTrailingDelimiter(folder), "一時フォルダー");
  }
}

// Takes back what a start that went wrong left: the copy and its private folder, never a file
// that was there before.
void RemoveCopy(const std::string& copy, privatefolder::TPrivateFolder& privateFolder) {
  if (privateFolder.Path.empty()) return;
  if (!copy.empty()) DeleteFileA(copy.c_str());
  // The folder cannot be removed while it is held; once empty, it is harmless to let go first.
  privateFolder.CloseHandles();
  RemoveDirectoryA(files::ExcludeTrailingDelimiter(privateFolder.Path).c_str());
}

// The copy's private folder: in the temporary folder, or, when that lies behind a reparse point
// (which its user can put there), in the system's temporary folder, which only administrators
// may change; without administrator rights then none.
// On failure GetLastError tells why, as after CreatePrivateFolder.
privatefolder::TPrivateFolder MakePrivateFolder(const std::string& temp) {
  privatefolder::TPrivateFolder made = privatefolder::CreatePrivateFolder(temp);
  if (!made.ParentIsReparsePoint) return made;
  const DWORD refusal = GetLastError();
  runlog::Log("一時フォルダーはリパースポイントを経由しているため使いません: " + temp);
  const std::string systemTemp = files::SystemTemporaryFolder();
  if (systemTemp.empty() || !privatefolder::HasAdministratorRights()) {
    SetLastError(refusal);
    return made;
  }
  runlog::Log("代わりにシステムの一時フォルダーを使います: " + systemTemp);
  return privatefolder::CreatePrivateFolder(systemTemp);
}

// A start that went wrong, with the system's error taken where the failing call returned: the
// log says what and why; interactively a box says it too, or the user's Remove in Add/Remove
// Programs would end without a word. Nothing has been uninstalled: 1603.
unsigned StartFailed(const TStartOptions& options, const std::string& what, const std::string& where,
                     DWORD error) {
  runlog::LogWithSystemError(what + (where.empty() ? std::string() : ": " + where), error);
  if (!options.Silent) {
    ui::TText message = maintexts::kCopyNotStarted;
    if (!where.empty()) message += maintexts::kLineBreak + ui::SystemText(where);
    message += maintexts::kLineBreak + ui::SystemText(systemerror::SystemErrorText(error)) + maintexts::kUninstallFailedEnd;
    ui::ShowError(message);
  }
  return exitcode::kFailed;
}

}  // namespace

bool RelaunchFromTemp(const TStartOptions& options, unsigned& exitCode) {
  exitCode = exitcode::kDone;
  SetLastError(ERROR_SUCCESS);
  const std::string exe = files::ModuleFileName();
  // A path cut short, or none: taken as too long for the buffer.
  const DWORD exeError = exe.empty() ? systemerror::LastErrorOr(ERROR_FILENAME_EXCED_RANGE) : ERROR_SUCCESS;
  if (options.IsCopy) {
    if (!exe.empty()) ScheduleOwnCopy(exe);
    return true;
  }

  // Without a usable temporary folder or own path the copy would land in the wrong place:
  // end instead, as a failed copy does.
  SetLastError(ERROR_SUCCESS);
  const std::string temp = files::TemporaryFolder();
  // A folder that did not fit in 260 bytes sets no error of its own.
  const DWORD tempError = temp.empty() ? systemerror::LastErrorOr(ERROR_FILENAME_EXCED_RANGE) : ERROR_SUCCESS;
  if (exe.empty() || temp.empty()) {
    exitCode = StartFailed(options, "一時フォルダーまたは実行ファイルのパスを取得できませんでした", std::string(),
                           exe.empty() ? exeError : tempError);
    return false;
  }
  // A folder of its own on the NT family: nothing placed in the shared temporary folder can be
  // run or loaded in the copy's place. Windows 95/98/Me have no file security to give it, and
  // WININIT.INI cannot remove a folder.
  privatefolder::TPrivateFolder privateFolder;
  if (platform::IsNTFamily()) {
    privateFolder = MakePrivateFolder(temp);
    if (privateFolder.Path.empty()) {
      const DWORD error = systemerror::LastErrorOr(ERROR_CANNOT_MAKE);
      exitCode = StartFailed(options, "一時フォルダーを作成できませんでした", temp, error);
      return false;
    }
  }
  const std::string copy = (privateFolder.Path.empty() ? temp : privateFolder.Path) + files::ExtractFileName(exe);
  if (copy.size() >= MAX_PATH) {
    RemoveCopy(std::string(), privateFolder);
    exitCode = StartFailed(options, "一時コピーのパスが長すぎます", copy, ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  // In the new folder nothing may be replaced; in the shared one an earlier run's copy is.
  if (!CopyFileA(exe.c_str(), copy.c_str(), privateFolder.Path.empty() ? FALSE : TRUE)) {
    const DWORD error = systemerror::LastErrorOr(ERROR_CANNOT_COPY);
    RemoveCopy(std::string(), privateFolder);
    exitCode = StartFailed(options, "一時コピーを作成できませんでした", copy, error);
    return false;
  }
  // The copy keeps the installed file's read-only attribute, with which the restart could not
  // delete it, nor a later run on Windows 95/98/Me replace it.
  files::ClearReadOnly(copy);
  runlog::Log("一時コピーを作成しました: " + copy);

  handback::TOutcomeChannel channel;
  if (options.Silent && !channel.Create()) {
    const DWORD error = systemerror::LastErrorOr(ERROR_CANNOT_MAKE);
    RemoveCopy(copy, privateFolder);
    exitCode = StartFailed(options, "一時コピーとの通信路を作成できませんでした", std::string(), error);
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
  const DWORD startError = started ? ERROR_SUCCESS : systemerror::LastErrorOr(ERROR_CANNOT_MAKE);
  channel.CloseCopyEnds();
  if (!started) {
    RemoveCopy(copy, privateFolder);
    exitCode = StartFailed(options, "一時コピーを起動できませんでした", copy, startError);
    return false;
  }
  handles::TUniqueKernelObject copyProcess(process.hProcess);
  handles::TUniqueKernelObject copyThread(process.hThread);
  // From here on the copy holds its folder itself.
  privateFolder.CloseHandles();
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
