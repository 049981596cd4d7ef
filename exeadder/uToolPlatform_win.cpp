// The builder's tool on Windows: the file helpers of the program's system layer.
#include <windows.h>

#include "appended/uStreamUtils.h"
#include "exeadder/uToolPlatform.h"
#include "system/uFiles_win.h"

namespace toolplatform {

namespace {

std::string ErrorText(DWORD error) { return "error " + std::to_string(error); }

}  // namespace

const char kPathDelimiter = '\\';

bool IsFile(const std::string& path) { return files::FileExists(path); }

bool SameFile(const std::string& one, const std::string& other) { return files::SameFile(one, other); }

std::string WriteTempBeside(const std::string& target, const std::string& bytes) {
  std::string temp;
  if (const DWORD error = files::WriteFileBeside(target, bytes, temp)) {
    throw EWriteError("cannot create a file beside " + target + ": " + ErrorText(error));
  }
  return temp;
}

void ReplaceWith(const std::string& temp, const std::string& target) {
  if (const DWORD error = files::PutInPlace(temp, target)) {
    throw EWriteError("cannot rename " + temp + " to " + target + ": " + ErrorText(error));
  }
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

bool ToConsoleText(const std::string& cp932, std::string& out) {
  // The console of a Japanese system shows code page 932 as it is.
  out = cp932;
  return true;
}

}  // namespace toolplatform
