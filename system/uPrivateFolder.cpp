#include "system/uPrivateFolder.h"

namespace privatefolder {
namespace {

const char kPrefix[] = "KorvaneUninst-";
const std::size_t kPrefixLength = sizeof(kPrefix) - 1;

}  // namespace

std::string PrivateFolderName(std::uint32_t number) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string name = kPrefix;
  for (int shift = 28; shift >= 0; shift -= 4) name += kDigits[(number >> shift) & 0xF];
  return name;
}

bool IsPrivateFolderName(const std::string& name) {
  if (name.size() != kPrefixLength + 8 || name.compare(0, kPrefixLength, kPrefix) != 0) return false;
  for (std::size_t i = kPrefixLength; i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

std::uint32_t NextFolderNumber(std::uint32_t number) {
  // A full-period linear congruential step (Numerical Recipes' constants).
  return number * 1664525u + 1013904223u;
}

}  // namespace privatefolder
