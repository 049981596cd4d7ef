// The portable half of the registry helpers: splitting a registry path and taking quotes off a
// stored command. Strings hold code page 932 bytes; positions count bytes. None of these raise.
#pragma once
#include <string>

namespace registry {

struct TRegistryPath {
  std::string KeyPath;    // relative to the root, no leading or trailing "\"
  std::string ValueName;
};

// Splits "key\path\value" at its last "\" or ":" that is not the second byte of a double-byte
// character. No split point: the key path is empty and the value name is the whole text.
TRegistryPath SplitRegistryPath(const std::string& registryPath);

// Takes one trailing byte off text when that byte equals delimiter (a one-byte string); a
// longer delimiter never matches. Only the last byte is tested, so a 0x5C that ends a
// double-byte character counts as "\".
std::string StripTrailingDelimiter(const std::string& text, const std::string& delimiter);

// The quoted part of a text that begins with quote: up to the closing quote, a doubled quote
// standing for one. A text whose quote never closes gives everything after the opening quote.
// Falls back to the whole text when that gives nothing (no opening quote, an empty quoted
// part, a lone quote).
std::string DequoteString(const std::string& text, char quote);

}  // namespace registry
