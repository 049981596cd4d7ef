#include "system/uRunLog_win.h"

#include <windows.h>

#include <exception>

#include "system/uFiles.h"
#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"
#include "system/uRunLog.h"
#include "system/uSystemError_win.h"

namespace runlog {
namespace {

std::string g_logFile;

// Opens the log for appending, waiting a little while the other process of the run writes.
TFileHandle OpenForAppend(const std::string& path) {
  // Windows 95/98/Me know neither reparse points nor impersonation and may refuse the flags. On
  // the NT family, should the path still reach a pipe, its server may only identify the program,
  // never act as it.
  const DWORD flags =
      FILE_ATTRIBUTE_NORMAL |
      (platform::IsNTFamily() ? FILE_FLAG_OPEN_REPARSE_POINT | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION : 0);
  for (int attempt = 0; attempt < 100; ++attempt) {
    TFileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, flags, nullptr));
    if (file || GetLastError() != ERROR_SHARING_VIOLATION) return file;
    Sleep(20);
  }
  return TFileHandle();
}

// A plain file of one name: not a device, a hard link to another file or a link elsewhere, which
// a program writing with administrator rights into a shared folder must not follow.
bool IsPlainFile(HANDLE file) {
  if (GetFileType(file) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return false;
  if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  return info.nNumberOfLinks <= 1;
}

}  // namespace

void SetLogFile(const std::string& path) {
  // Not even opened: opening a pipe lets its server act in the program's name, and a device
  // (\\.\C:) passes for a disk file.
  g_logFile = files::IsDeviceOrRawPath(path) ? std::string() : path;
}

const std::string& LogFile() { return g_logFile; }

bool Logging() { return !g_logFile.empty(); }

void Log(const std::string& text) {
  if (!Logging()) return;
  // Whatever happens here, the caller's own error state stays as it was.
  const DWORD lastError = GetLastError();
  SYSTEMTIME now;
  GetLocalTime(&now);
  const TLogTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  const std::string line = FormatLogLine(time, GetCurrentProcessId(), text);
  TFileHandle file = OpenForAppend(g_logFile);
  if (file && IsPlainFile(file.get()) && SetFilePointer(file.get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER) {
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  SetLastError(lastError);
}

void LogWithSystemError(const std::string& text, unsigned long code) {
  if (Logging()) Log(text + " (" + systemerror::Describe(code) + ")");
}

void LogCurrentException() noexcept {
  try {
    try {
      throw;
    } catch (const std::exception& error) {
      Log(std::string("エラーで中断しました: ") + error.what());
    } catch (...) {
      Log("予期しないエラーが発生しました");
    }
  } catch (...) {
    // Not even the line could be made.
  }
}

}  // namespace runlog
