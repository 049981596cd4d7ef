#include "ui/uAssemblyIdentity.h"

#include <cwchar>

namespace ui {

unsigned long MajorVersionOfIdentity(const wchar_t* identity, std::size_t length) {
  static const wchar_t key[] = L"version=\"";
  const std::size_t keyLength = sizeof(key) / sizeof(key[0]) - 1;
  if (!identity) return 0;
  for (std::size_t at = 0; at + keyLength <= length; ++at) {
    if (std::wmemcmp(identity + at, key, keyLength) != 0) continue;
    unsigned long major = 0;
    std::size_t digits = 0;
    for (std::size_t i = at + keyLength; i < length && digits < 5; ++i, ++digits) {
      const wchar_t c = identity[i];
      if (c < L'0' || c > L'9') break;
      major = major * 10 + static_cast<unsigned long>(c - L'0');
    }
    return digits == 0 ? 0 : major;
  }
  return 0;
}

}  // namespace ui
