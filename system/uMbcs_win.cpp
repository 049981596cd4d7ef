#include <windows.h>

#include "system/uMbcs.h"

namespace mbcs {

bool IsLeadByte(unsigned char b) { return IsDBCSLeadByteEx(CP_ACP, b) != FALSE; }

std::string UpperCase(const std::string& s) {
  std::string out = s;
  if (!out.empty()) CharUpperBuffA(&out[0], static_cast<DWORD>(out.size()));
  return out;
}

}  // namespace mbcs
