#include "system/uMbcs.h"

namespace mbcs {

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

std::string TrimControlBytes(const std::string& text) {
  const char* first = text.data();
  const char* end = first + text.size();
  TrimControlBytes(first, end);
  return std::string(first, end);
}

void TrimControlBytes(const char*& first, const char*& end) {
  while (first < end && IsControlByte(*first)) ++first;
  while (end > first && IsControlByte(end[-1])) --end;
}

std::string FormatText(const std::string& format, const std::string& arg) { return FormatWith(format, arg); }

}  // namespace mbcs
