// The zlib stream of the block format's own example: 46 bytes that inflate to 600 ("Ko" 285
// times, then 'A' to '^'), through output buffers of 256, 512 and 768 bytes.
#pragma once
#include <string>

namespace testsupport {

inline std::string Stream46() {
  const char* hex = "78daf3cef71e85a3900ce8e8e4ece2eae6eee1e9e5ede3ebe71f1018141c121a161e1119151d131b0700b78ed864";
  std::string bytes;
  for (const char* p = hex; p[0] && p[1]; p += 2) bytes += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
  return bytes;
}

inline std::string Plain600() {
  std::string text;
  for (int i = 0; i < 285; ++i) text += "Ko";
  for (char c = 'A'; c <= '^'; ++c) text += c;
  return text;
}

}  // namespace testsupport
