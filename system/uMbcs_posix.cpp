// Native stand-in for the system's code page 932 rules.
#include "system/uMbcs.h"

namespace mbcs {

bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

std::string UpperCase(const std::string& s) {
  std::string out = s;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(b)) {
      ++i;
    } else if (b >= 'a' && b <= 'z') {
      out[i] = static_cast<char>(b - 'a' + 'A');
    }
  }
  return out;
}

}  // namespace mbcs
