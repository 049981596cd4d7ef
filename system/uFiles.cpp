#include "system/uFiles.h"

#include "system/uMbcs.h"

namespace files {

std::string ExtractFileName(const std::string& path) {
  const std::size_t pos = mbcs::LastDelimiter("\\:", path);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFilePath(const std::string& path) {
  const std::size_t pos = mbcs::LastDelimiter("\\:", path);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const std::size_t pos = mbcs::LastDelimiter(".\\:", path);
  if (pos == std::string::npos || path[pos] != '.') return path + ext;
  return path.substr(0, pos) + ext;
}

bool EndsWithDelimiter(const std::string& path) {
  return !path.empty() && mbcs::LastDelimiter("\\", path) == path.size() - 1;
}

std::string IncludeTrailingDelimiter(const std::string& path) {
  return EndsWithDelimiter(path) ? path : path + '\\';
}

std::string ExcludeTrailingDelimiter(const std::string& path) {
  return EndsWithDelimiter(path) ? path.substr(0, path.size() - 1) : path;
}

}  // namespace files
