// SplitRegistryPath and StripTrailingDelimiter over arbitrary code page 932 bytes. Properties:
// the value name is what follows the last "\" or ":" that is no second byte of a double-byte
// character; the key path is what precedes it, less one trailing "\" and then one leading "\".
#include <cstdint>
#include <string>

#include "system/uMbcs.h"
#include "system/uRegistry.h"

namespace {

void Check(bool Holds) {
  if (!Holds) __builtin_trap();
}

bool IsDelimiter(char C) { return C == '\\' || C == ':'; }

// Whether the byte at Pos is the second byte of a double-byte character: the string walked from
// its start, a byte's role depending on all before it.
bool IsTrailByteAt(const std::string& S, std::size_t Pos) {
  std::size_t i = 0;
  while (i < Pos) i += mbcs::IsLeadByte(static_cast<unsigned char>(S[i])) ? 2 : 1;
  return i > Pos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Path(reinterpret_cast<const char*>(Data), Size);
  const registry::TRegistryPath Split = registry::SplitRegistryPath(Path);

  // The value name ends the path and holds no delimiter on a character boundary.
  Check(Split.ValueName.size() <= Path.size());
  Check(Path.compare(Path.size() - Split.ValueName.size(), Split.ValueName.size(), Split.ValueName) == 0);
  for (std::size_t i = 0; i < Split.ValueName.size(); ++i)
    Check(!IsDelimiter(Split.ValueName[i]) || IsTrailByteAt(Path, Path.size() - Split.ValueName.size() + i));

  if (Split.ValueName.size() == Path.size()) {
    Check(Split.KeyPath.empty());
  } else {
    // The byte before the value name is the split point: a delimiter that starts a character.
    const std::size_t At = Path.size() - Split.ValueName.size() - 1;
    Check(IsDelimiter(Path[At]) && !IsTrailByteAt(Path, At));
    std::string Key = Path.substr(0, At + 1);
    if (Key.back() == '\\') Key.pop_back();
    if (!Key.empty() && Key[0] == '\\') Key.erase(0, 1);
    Check(Split.KeyPath == Key);
  }

  // StripTrailingDelimiter takes at most the one last byte, and only the delimiter.
  for (const char* Delimiter : {"\\", ":", "", "\\\\"}) {
    const std::string Stripped = registry::StripTrailingDelimiter(Path, Delimiter);
    const bool Strips = !Path.empty() && std::string(Delimiter).size() == 1 && Path.back() == Delimiter[0];
    Check(Stripped == (Strips ? Path.substr(0, Path.size() - 1) : Path));
  }
  return 0;
}
