#include "system/uWininit.h"

#include <algorithm>
#include <cstring>

#include "system/uMbcs.h"

namespace wininit {
namespace {

bool IsRenameName(const std::string& name, const TSameText& sameText) {
  static const std::string kRename = "rename";
  return sameText(name, kRename);
}

// Calls keep with every line outside the "rename" sections, in order.
template <typename TKeep>
void ForEachLineOutsideRename(const TLines& lines, const TSameText& sameText, TKeep keep) {
  bool inRename = false;
  std::string name;
  for (const std::string& line : lines) {
    if (ParseSectionHeader(line, &name)) inRename = IsRenameName(name, sameText);
    if (!inRename) keep(line);
  }
}

// The first c in [from, end), or end.
const char* FindByte(const char* from, const char* end, char c) {
  const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
  return found ? static_cast<const char*>(found) : end;
}

// Calls line with the bounds of every line of content (see SplitLines), in order.
template <typename TLine>
void ForEachLine(const std::string& content, TLine line) {
  const char* start = content.data();
  const char* const end = start + content.size();
  // The next CR and the next LF, each found by one scan of the bytes rather than a test of
  // every byte against both.
  const char* cr = FindByte(start, end, '\r');
  const char* lf = FindByte(start, end, '\n');
  while (start < end) {
    const char* lineEnd = std::min(cr, lf);
    line(start, lineEnd);
    if (lineEnd == end) break;
    start = lineEnd + 1;
    if (lineEnd == cr && start < end && *start == '\n') ++start;
    if (cr < start) cr = FindByte(start, end, '\r');
    if (lf < start) lf = FindByte(start, end, '\n');
  }
}

void AppendLine(std::string& out, const std::string& line) {
  out += line;
  out += "\r\n";
}

}  // namespace

TLines SplitLines(const std::string& content) {
  // Counted first, so that the lines are built in place rather than moved at every growth.
  std::size_t count = 0;
  ForEachLine(content, [&count](const char*, const char*) { ++count; });
  TLines lines;
  lines.reserve(count);
  ForEachLine(content, [&lines](const char* begin, const char* end) { lines.emplace_back(begin, end); });
  return lines;
}

std::string JoinLines(const TLines& lines) {
  std::string out;
  for (const std::string& line : lines) AppendLine(out, line);
  return out;
}

bool ParseSectionHeader(const std::string& line, std::string* name) {
  // Read in place: most lines are no header, and the file can be long.
  const char* first = line.data();
  const char* end = first + line.size();
  mbcs::TrimControlBytes(first, end);
  if (first == end || *first != '[') return false;
  // The profile functions read the file as characters: a 0x5D that ends a double-byte
  // character is no "]".
  const char* close = nullptr;
  for (const char* p = first + 1; p < end; ++p) {
    if (mbcs::IsLeadByte(static_cast<unsigned char>(*p)) && p + 1 < end) {
      ++p;
    } else if (*p == ']') {
      close = p;
    }
  }
  if (!close) return false;
  if (name) name->assign(first + 1, close);
  return true;
}

TLines CollectRenameEntries(const TLines& lines, const TSameText& sameText) {
  TLines entries;
  bool inRename = false;
  std::string name;
  for (const std::string& line : lines) {
    if (ParseSectionHeader(line, &name)) {
      inRename = IsRenameName(name, sameText);
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
  // Sized once for the longest result (every line kept), so that appending never copies it.
  std::size_t most = sizeof "[rename]\r\n";
  for (const std::string& line : currentLines) most += line.size() + 2;
  for (const std::string& entry : entries) most += entry.size() + 2;
  std::string out;
  out.reserve(most);
  ForEachLineOutsideRename(currentLines, sameText, [&](const std::string& line) { AppendLine(out, line); });
  AppendLine(out, "[rename]");
  for (const std::string& entry : entries) AppendLine(out, entry);
  return out;
}

}  // namespace wininit
