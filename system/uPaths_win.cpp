#include "system/uPaths_win.h"

#include <windows.h>

#include <vector>

namespace paths {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

}  // namespace

std::string GetShortPath(const std::string& path) {
  // A buffer as long as the path: the short form is only taken when it is strictly shorter.
  std::vector<char> buffer(path.size() + 1, '\0');
  GetShortPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(path.size()));
  std::string shortPath(buffer.data(), path.size());
  std::size_t first = 0;
  std::size_t last = shortPath.size();
  while (first < last && IsBlank(shortPath[first])) ++first;
  while (last > first && IsBlank(shortPath[last - 1])) --last;
  if (first == last) return path;
  return shortPath.substr(first, last - first);
}

}  // namespace paths
