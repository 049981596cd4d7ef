// The builder's tool on Windows. Only calls that Windows 95/98/Me and NT 4.0 export; where
// Windows 95/98/Me lack a behaviour (MoveFileExA), a fallback does without it.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "appended/uStreamUtils.h"
#include "exeadder/uToolPlatform.h"
#include "system/uFiles_win.h"
#include "system/uHandles_win.h"

namespace toolplatform {

namespace {

std::string ErrorText(DWORD Error) { return "error " + std::to_string(Error); }

}  // namespace

const char kPathDelimiter = '\\';

bool IsFile(const std::string& Path) { return files::FileExists(Path); }

bool SameFile(const std::string& A, const std::string& B) { return files::SameFile(A, B); }

std::string WriteTempBeside(const std::string& Target, const std::string& Bytes) {
  std::string Temp;
  handles::TUniqueFile File;
  DWORD Error = 0;
  for (int i = 0; i < 100 && !File; ++i) {
    Temp = Target + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(i) + ".tmp";
    File.reset(CreateFileA(Temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    Error = GetLastError();
    if (!File && Error != ERROR_FILE_EXISTS && Error != ERROR_ALREADY_EXISTS) break;
  }
  if (!File) throw EWriteError("cannot create a file beside " + Target + ": " + ErrorText(Error));
  std::size_t Done = 0;
  bool Ok = true;
  while (Ok && Done < Bytes.size()) {
    const DWORD Chunk = static_cast<DWORD>(std::min<std::size_t>(Bytes.size() - Done, 1u << 20));
    DWORD Written = 0;
    Ok = WriteFile(File.get(), Bytes.data() + Done, Chunk, &Written, nullptr) && Written == Chunk;
    Done += Written;
  }
  // Written through to the disk before the rename makes it the file.
  if (Ok) Ok = FlushFileBuffers(File.get()) != 0;
  Error = GetLastError();
  File.reset();
  if (!Ok) {
    DeleteFileA(Temp.c_str());
    throw EWriteError("cannot write " + Temp + ": " + ErrorText(Error));
  }
  return Temp;
}

void ReplaceWith(const std::string& Temp, const std::string& Target) {
  if (MoveFileExA(Temp.c_str(), Target.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
  DWORD Error = GetLastError();
  // Windows 95/98/Me export MoveFileExA without implementing it, and MoveFileA does not replace:
  // the old file steps aside first and comes back if the rename fails.
  if (Error == ERROR_CALL_NOT_IMPLEMENTED) {
    const bool Existed = files::PathExists(Target);
    const std::string Aside = Temp + ".old";
    if (!Existed || MoveFileA(Target.c_str(), Aside.c_str())) {
      if (MoveFileA(Temp.c_str(), Target.c_str())) {
        if (Existed) DeleteFileA(Aside.c_str());
        return;
      }
      Error = GetLastError();
      if (Existed) MoveFileA(Aside.c_str(), Target.c_str());
    } else {
      Error = GetLastError();
    }
  }
  throw EWriteError("cannot rename " + Temp + " to " + Target + ": " + ErrorText(Error));
}

void RemoveFile(const std::string& Path) { DeleteFileA(Path.c_str()); }

bool ToConsoleText(const std::string& Cp932, std::string& Out) {
  // The console of a Japanese system shows code page 932 as it is.
  Out = Cp932;
  return true;
}

}  // namespace toolplatform
