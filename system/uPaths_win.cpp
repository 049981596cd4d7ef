#include "system/uPaths_win.h"

#include <windows.h>

#include <vector>

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

}  // namespace paths
