#include "system/uWininit.h"

#include <algorithm>

#include "system/uMbcs.h"

namespace wininit {
namespace {

// Calls keep with every line outside the "rename" sections, in order.
template <typename TKeep>
void ForEachLineOutsideRename(const TLines& lines, const TSameText& sameText, TKeep keep) {
  bool inRename = false;
  for (const std::string& line : lines) {
    std::string name;
    if (ParseSectionHeader(line, &name)) inRename = sameText(name, "rename");
    if (!inRename) keep(line);
  }
}

void AppendLine(std::string& out, const std::string& line) {
  out += line;
  out += "\r\n";
}

}  // namespace

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
  for (const std::string& line : lines) AppendLine(out, line);
  return out;
}

bool ParseSectionHeader(const std::string& line, std::string* name) {
  // Read in place: most lines are no header, and the file can be long.
  std::size_t first = 0;
  std::size_t end = line.size();
  while (first < end && mbcs::IsControlByte(line[first])) ++first;
  if (first == end || line[first] != '[') return false;
  while (end > first && mbcs::IsControlByte(line[end - 1])) --end;
  // The profile functions read the file as characters: a 0x5D that ends a double-byte
  // character is no "]".
  std::size_t close = std::string::npos;
  for (std::size_t i = first + 1; i < end; ++i) {
    if (mbcs::IsLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < end) {
      ++i;
    } else if (line[i] == ']') {
      close = i;
    }
  }
  if (close == std::string::npos) return false;
  if (name) name->assign(line, first + 1, close - first - 1);
  return true;
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
    if (inRename && !std::all_of(line.begin(), line.end(), mbcs::IsControlByte)) entries.push_back(line);
  }
  return entries;
}

TLines WithoutRenameSections(const TLines& lines, const TSameText& sameText) {
  TLines kept;
  ForEachLineOutsideRename(lines, sameText, [&](const std::string& line) { kept.push_back(line); });
  return kept;
}

std::string DeleteEntry(const std::string& path) { return "NUL=" + path; }

std::string BuildWininitContent(const TLines& currentLines, const TLines& entries,
                                const TSameText& sameText) {
  std::string out;
  ForEachLineOutsideRename(currentLines, sameText, [&](const std::string& line) { AppendLine(out, line); });
  AppendLine(out, "[rename]");
  for (const std::string& entry : entries) AppendLine(out, entry);
  return out;
}

}  // namespace wininit
