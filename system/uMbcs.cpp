#include "system/uMbcs.h"

namespace mbcs {

bool IsTrailByteAt(const std::string& s, std::size_t pos) {
  // Walk from the start: a byte's role depends on everything before it.
  std::size_t i = 0;
  while (i < pos) {
    i += IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
  }
  return i > pos;
}

std::size_t LastDelimiter(const std::string& delimiters, const std::string& s) {
  // A table of the delimiter bytes: one look-up per byte rather than a search of delimiters.
  bool isDelimiter[256] = {};
  for (const char d : delimiters) isDelimiter[static_cast<unsigned char>(d)] = true;
  const unsigned char* const bytes = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t size = s.size();
  std::size_t found = std::string::npos;
  for (std::size_t i = 0; i < size;) {
    const unsigned char b = bytes[i];
    if (IsLeadByte(b) && i + 1 < size) {
      i += 2;
      continue;
    }
    if (isDelimiter[b]) found = i;
    ++i;
  }
  return found;
}

std::size_t FindAtCharBoundary(const std::string& hay, const std::string& needle) {
  if (needle.empty()) return 0;
  for (std::size_t i = 0; i + needle.size() <= hay.size();) {
    // The whole needle is compared only where its first byte is.
    if (hay[i] == needle[0] && hay.compare(i, needle.size(), needle) == 0) return i;
    i += IsLeadByte(static_cast<unsigned char>(hay[i])) ? 2 : 1;
  }
  return std::string::npos;
}

std::string ExtractFileName(const std::string& path) {
  const std::size_t pos = LastDelimiter("\\:", path);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFilePath(const std::string& path) {
  const std::size_t pos = LastDelimiter("\\:", path);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const std::size_t pos = LastDelimiter(".\\:", path);
  if (pos == std::string::npos || path[pos] != '.') return path + ext;
  return path.substr(0, pos) + ext;
}

}  // namespace mbcs
