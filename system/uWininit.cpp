#include "system/uWininit.h"

#include "system/uMbcs.h"

namespace wininit {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool SameTextAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

TLines SplitLines(const std::string& content) {
  TLines lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < content.size()) {
    const char c = content[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(content.substr(start, i - start));
      if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < content.size()) lines.push_back(content.substr(start));
  return lines;
}

std::string JoinLines(const TLines& lines) {
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

bool ParseSectionHeader(const std::string& line, std::string* name) {
  const std::string trimmed = mbcs::TrimControlBytes(line);
  if (trimmed.empty() || trimmed[0] != '[') return false;
  // The profile functions read the file as characters: a 0x5D that ends a double-byte
  // character is no "]".
  const std::size_t close = mbcs::LastDelimiter("]", trimmed);
  if (close == std::string::npos || close == 0) return false;
  if (name) *name = trimmed.substr(1, close - 1);
  return true;
}

bool IsRenameHeader(const std::string& line, const TSameText& sameText) {
  std::string name;
  return ParseSectionHeader(line, &name) && sameText(name, "rename");
}

TLines CollectRenameEntries(const TLines& lines, const TSameText& sameText) {
  TLines entries;
  bool inRename = false;
  for (const std::string& line : lines) {
    std::string name;
    if (ParseSectionHeader(line, &name)) {
      inRename = sameText(name, "rename");
      continue;
    }
    if (inRename && !mbcs::TrimControlBytes(line).empty()) entries.push_back(line);
  }
  return entries;
}

std::string DeleteEntry(const std::string& path) { return "NUL=" + path; }

std::string BuildWininitContent(const TLines& currentLines, const TLines& entries) {
  TLines all = currentLines;
  all.push_back("[rename]");
  all.insert(all.end(), entries.begin(), entries.end());
  return JoinLines(all);
}

}  // namespace wininit
