// Reading WININIT.INI text the way the tests state their expectations, on top of the program's
// own line parsing.
#pragma once
#include <string>

#include "system/uWininit.h"

namespace testsupport {

// Case-insensitive comparison of ASCII letters only: where the tests need no user locale.
inline bool SameTextAscii(const std::string& a, const std::string& b) {
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// True when the profile functions would read the line as the header of the section "rename",
// the name compared with sameText: "[rename]", "[RENAME]" and "  [rename]  " are, "[ rename ]"
// is not.
inline bool IsRenameHeader(const std::string& line, const wininit::TSameText& sameText) {
  std::string name;
  return wininit::ParseSectionHeader(line, &name) && sameText(name, "rename");
}

}  // namespace testsupport
