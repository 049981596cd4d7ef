#include "system/uFiles.h"

#include "system/uMbcs.h"

namespace files {
namespace {

// The path with "/" read as "\". "/" (0x2F) is never the second byte of a character.
std::string WithBackslashes(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// Positions of the "\" bytes that are not the second byte of a character.
std::vector<std::size_t> DelimiterPositions(const std::string& path) {
  std::vector<std::size_t> positions;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (mbcs::IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\') {
      positions.push_back(i);
    }
  }
  return positions;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

std::string AsciiLowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// Where the text of a UNC path's component that starts at begin ends (a delimiter or the end).
std::size_t ComponentEnd(const std::vector<std::size_t>& delimiters, std::size_t begin, std::size_t size) {
  for (std::size_t d : delimiters) {
    if (d >= begin) return d;
  }
  return size;
}

// Where the first folder below the root of p (backslashes only; delimiters are their positions)
// begins: after "X:\" or "\\server\share\"; p.size() for "\\server\share" itself; npos for a
// path without such a root (relative, "\x", "\\server").
std::size_t FirstFolderBegin(const std::string& p, const std::vector<std::size_t>& delimiters) {
  // Only "A" to "Z" and "a" to "z" fall in "a" to "z" with the case bit set.
  const unsigned letter = p.empty() ? 0u : (static_cast<unsigned char>(p[0]) | 0x20u);
  if (p.size() >= 3 && p[1] == ':' && p[2] == '\\' && letter >= 'a' && letter <= 'z') return 3;
  if (!StartsWith(p, "\\\\")) return std::string::npos;
  const std::size_t serverEnd = ComponentEnd(delimiters, 2, p.size());
  if (serverEnd >= p.size()) return std::string::npos;
  const std::size_t shareEnd = ComponentEnd(delimiters, serverEnd + 1, p.size());
  return shareEnd >= p.size() ? p.size() : shareEnd + 1;
}

}  // namespace

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

bool IsDeviceOrRawPath(const std::string& path) {
  const std::string p = WithBackslashes(path);
  if (StartsWith(p, "\\\\.\\") || StartsWith(p, "\\\\?\\") || StartsWith(p, "\\??\\") || p == "\\\\." || p == "\\\\?") {
    return true;
  }
  if (!StartsWith(p, "\\\\")) return false;
  // "\\server\pipe\name" opens a named pipe of that server, this machine's too.
  const std::vector<std::size_t> delimiters = DelimiterPositions(p);
  const std::size_t serverEnd = ComponentEnd(delimiters, 2, p.size());
  if (serverEnd >= p.size()) return false;
  const std::size_t shareEnd = ComponentEnd(delimiters, serverEnd + 1, p.size());
  return AsciiLowerCase(p.substr(serverEnd + 1, shareEnd - serverEnd - 1)) == "pipe";
}

std::vector<std::string> FoldersOnTheWay(const std::string& folder) {
  std::vector<std::string> folders;
  if (IsDeviceOrRawPath(folder)) return folders;
  const std::string p = WithBackslashes(folder);
  const std::vector<std::size_t> delimiters = DelimiterPositions(p);
  std::size_t begin = FirstFolderBegin(p, delimiters);
  if (begin == std::string::npos) return folders;
  for (std::size_t d : delimiters) {
    if (d < begin) continue;
    if (d > begin) folders.push_back(p.substr(0, d));  // "\\" twice in a row names no folder
    begin = d + 1;
  }
  if (begin < p.size()) folders.push_back(p);
  return folders;
}

bool IsRootFolder(const std::string& folder) {
  if (IsDeviceOrRawPath(folder)) return false;
  const std::string p = WithBackslashes(folder);
  const std::size_t begin = FirstFolderBegin(p, DelimiterPositions(p));
  return begin != std::string::npos && p.find_first_not_of('\\', begin) == std::string::npos;
}

}  // namespace files
