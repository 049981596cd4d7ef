// Only calls that Windows 95/98/Me also export (GetFileSize with its high part).
#include <windows.h>

#include "base/uFileHandle.h"
#include "base/uWholeFile.h"

const unsigned long kNoSuchFile = ERROR_FILE_NOT_FOUND;
const unsigned long kFileTooLarge = ERROR_FILE_TOO_LARGE;

unsigned long ReadWholeFile(const std::string& path, std::string& content, bool* opened) {
  if (opened) *opened = false;
  const TFileHandle file(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    // A folder refuses to open as a file with "access denied", as a locked file may.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ? kNoSuchFile : error;
  }
  if (opened) *opened = true;
  DWORD high = 0;
  const DWORD low = GetFileSize(file.get(), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return GetLastError();
  if (high != 0 || low > 0x7FFFFFFF) return kFileTooLarge;
  std::string bytes(low, '\0');
  DWORD done = 0;
  while (done < low) {
    DWORD got = 0;
    if (!ReadFile(file.get(), &bytes[done], low - done, &got, nullptr)) return GetLastError();
    if (got == 0) break;  // shorter than it was a moment ago
    done += got;
  }
  bytes.resize(done);
  content = std::move(bytes);
  return 0;
}
