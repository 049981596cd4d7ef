#include "system/uRegistry.h"

#include "system/uMbcs.h"

namespace registry {

TRegistryPath SplitRegistryPath(const std::string& registryPath) {
  TRegistryPath result;
  const std::size_t split = mbcs::LastDelimiter("\\:", registryPath);
  if (split == std::string::npos) {
    result.ValueName = registryPath;
    return result;
  }
  result.KeyPath = StripTrailingDelimiter(registryPath.substr(0, split + 1), "\\");
  result.ValueName = registryPath.substr(split + 1);
  // The registry refuses a key path that starts with "\" under a root key.
  if (!result.KeyPath.empty() && result.KeyPath[0] == '\\') result.KeyPath.erase(0, 1);
  return result;
}

std::string StripTrailingDelimiter(const std::string& text, const std::string& delimiter) {
  if (text.empty() || delimiter.size() != 1 || text.back() != delimiter[0]) return text;
  return text.substr(0, text.size() - 1);
}

std::string DequoteString(const std::string& text, char quote) {
  if (text.empty() || text[0] != quote) return text;
  std::string quoted;
  for (std::size_t i = 1; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (mbcs::IsLeadByte(b) && i + 1 < text.size()) {
      quoted.append(text, i, 2);
      i += 2;
      continue;
    }
    if (text[i] == quote) {
      if (i + 1 < text.size() && text[i + 1] == quote) {
        quoted.push_back(quote);
        i += 2;
        continue;
      }
      break;  // the closing quote; whatever follows (arguments) is not part of the path
    }
    quoted.push_back(text[i]);
    ++i;
  }
  return quoted.empty() ? text : quoted;
}

}  // namespace registry
