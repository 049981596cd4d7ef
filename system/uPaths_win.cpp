#include "system/uPaths_win.h"

#include <windows.h>

#include <vector>

#include "system/uMbcs.h"
#include "system/uRegistry.h"

namespace paths {

std::string GetShortPath(const std::string& path) {
  // A buffer as long as the path: the short form is only taken when it is strictly shorter.
  std::vector<char> buffer(path.size() + 1, '\0');
  GetShortPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(path.size()));
  const std::string shortPath =
      registry::TrimControlBytes(std::string(buffer.data(), path.size()));
  return shortPath.empty() ? path : shortPath;
}

std::string TemporaryFolder() {
  char buffer[MAX_PATH];
  const DWORD n = GetTempPathA(MAX_PATH, buffer);
  if (n == 0 || n >= MAX_PATH) return std::string();
  std::string folder(buffer, n);
  if (mbcs::LastDelimiter("\\", folder) != folder.size() - 1) folder += '\\';
  return folder;
}

std::string FullPath(const std::string& path) {
  char* filePart = nullptr;
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, &filePart);
  if (needed == 0) return path;
  std::vector<char> buffer(needed + 1, '\0');
  const DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
  return (n == 0 || n >= buffer.size()) ? path : std::string(buffer.data(), n);
}

}  // namespace paths
