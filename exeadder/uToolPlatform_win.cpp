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

std::string ErrorText(DWORD error) { return "error " + std::to_string(error); }

}  // namespace

const char kPathDelimiter = '\\';

bool IsFile(const std::string& path) { return files::FileExists(path); }

bool SameFile(const std::string& one, const std::string& other) { return files::SameFile(one, other); }

std::string WriteTempBeside(const std::string& target, const std::string& bytes) {
  std::string temp;
  handles::TUniqueFile file;
  DWORD error = 0;
  for (int i = 0; i < 100 && !file; ++i) {
    temp = target + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(i) + ".tmp";
    file.reset(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    error = GetLastError();
    if (!file && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  if (!file) throw EWriteError("cannot create a file beside " + target + ": " + ErrorText(error));
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    ok = WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) && written == chunk;
    done += written;
  }
  // Written through to the disk before the rename makes it the file.
  if (ok) ok = FlushFileBuffers(file.get()) != 0;
  error = GetLastError();
  file.reset();
  if (!ok) {
    DeleteFileA(temp.c_str());
    throw EWriteError("cannot write " + temp + ": " + ErrorText(error));
  }
  return temp;
}

void ReplaceWith(const std::string& temp, const std::string& target) {
  if (MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
  DWORD error = GetLastError();
  // Windows 95/98/Me export MoveFileExA without implementing it, and MoveFileA does not replace:
  // the old file steps aside first and comes back if the rename fails.
  if (error == ERROR_CALL_NOT_IMPLEMENTED) {
    const bool existed = files::PathExists(target);
    const std::string aside = temp + ".old";
    if (!existed || MoveFileA(target.c_str(), aside.c_str())) {
      if (MoveFileA(temp.c_str(), target.c_str())) {
        if (existed) DeleteFileA(aside.c_str());
        return;
      }
      error = GetLastError();
      if (existed) MoveFileA(aside.c_str(), target.c_str());
    } else {
      error = GetLastError();
    }
  }
  throw EWriteError("cannot rename " + temp + " to " + target + ": " + ErrorText(error));
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

bool ToConsoleText(const std::string& cp932, std::string& out) {
  // The console of a Japanese system shows code page 932 as it is.
  out = cp932;
  return true;
}

}  // namespace toolplatform
