// Security identifiers written as people read them, for test expectations and failure messages.
#pragma once
#include <cstdint>
#include <string>

#include "system/uAcl.h"

namespace testsupport {

// "S-1-5-32-544" for the bytes of a SID; empty when they are not one (acl::SidLength).
inline std::string SidToText(const std::string& sid) {
  if (sid.empty() || acl::SidLength(sid.data(), sid.size()) != sid.size()) return std::string();
  const unsigned char* p = reinterpret_cast<const unsigned char*>(sid.data());
  unsigned long long authority = 0;
  for (int i = 2; i < 8; ++i) authority = (authority << 8) | p[i];
  std::string text = "S-1-" + std::to_string(authority);
  for (std::size_t i = 8; i + 4 <= sid.size(); i += 4) {
    const std::uint32_t sub = static_cast<std::uint32_t>(p[i]) | (static_cast<std::uint32_t>(p[i + 1]) << 8) |
                              (static_cast<std::uint32_t>(p[i + 2]) << 16) |
                              (static_cast<std::uint32_t>(p[i + 3]) << 24);
    text += "-" + std::to_string(sub);
  }
  return text;
}

}  // namespace testsupport
