#include "system/uMbcs.h"

namespace mbcs {

std::size_t LastDelimiter(const std::string& delimiters, const std::string& s) {
  std::size_t found = std::string::npos;
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(b) && i + 1 < s.size()) {
      i += 2;
      continue;
    }
    if (delimiters.find(static_cast<char>(b)) != std::string::npos) found = i;
    ++i;
  }
  return found;
}

std::size_t FindAtCharBoundary(const std::string& hay, const std::string& needle) {
  if (needle.empty()) return 0;
  for (std::size_t i = 0; i + needle.size() <= hay.size();) {
    if (hay.compare(i, needle.size(), needle) == 0) return i;
    i += IsLeadByte(static_cast<unsigned char>(hay[i])) ? 2 : 1;
  }
  return std::string::npos;
}

std::string TrimControlBytes(const std::string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsControlByte(text[first])) ++first;
  while (last > first && IsControlByte(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::string FormatText(const std::string& format, const std::string& arg) { return FormatWith(format, arg); }

}  // namespace mbcs
