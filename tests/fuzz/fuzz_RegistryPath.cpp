// SplitRegistryPath and StripTrailingDelimiter over arbitrary code page 932 bytes. Properties:
// the value name is what follows the last "\" or ":" that is no second byte of a double-byte
// character; the key path is what precedes it, less one trailing "\" and then one leading "\".
#include <cstdint>
#include <string>

#include "FuzzHarness.h"
#include "system/uMbcs.h"
#include "system/uRegistry.h"

namespace {

using fuzzsupport::Check;

UNINST_FUZZ_HARNESS bool IsDelimiter(char C) { return C == '\\' || C == ':'; }

// The last "\" or ":" that starts a character, found in one walk over the characters; npos for
// none. A lead byte at the very end stands alone.
UNINST_FUZZ_HARNESS std::size_t SplitPoint(const std::string& Path) {
  std::size_t Found = std::string::npos;
  for (std::size_t i = 0; i < Path.size();) {
    if (mbcs::IsLeadByte(static_cast<unsigned char>(Path[i]))) {
      i += 2;
      continue;
    }
    if (IsDelimiter(Path[i])) Found = i;
    ++i;
  }
  return Found;
}

UNINST_FUZZ_HARNESS void CheckSplit(const std::string& Path, const registry::TRegistryPath& Split) {
  const std::size_t At = SplitPoint(Path);
  if (At == std::string::npos) {
    Check(Split.KeyPath.empty() && Split.ValueName == Path);
    return;
  }
  Check(Split.ValueName.size() == Path.size() - At - 1 &&
        Path.compare(At + 1, Split.ValueName.size(), Split.ValueName) == 0);
  // The key: Path up to and including the split point, less a trailing "\", then a leading "\".
  std::size_t KeyStart = 0, KeyEnd = At + 1;
  if (Path[At] == '\\') --KeyEnd;
  if (KeyEnd > 0 && Path[0] == '\\') KeyStart = 1;
  Check(Split.KeyPath.size() == KeyEnd - KeyStart &&
        Path.compare(KeyStart, Split.KeyPath.size(), Split.KeyPath) == 0);
}

// StripTrailingDelimiter takes at most the one last byte, and only the delimiter.
UNINST_FUZZ_HARNESS void CheckStrip(const std::string& Path, const std::string& Delimiter, const std::string& Stripped) {
  const bool Strips = !Path.empty() && Delimiter.size() == 1 && Path.back() == Delimiter[0];
  Check(Stripped.size() == Path.size() - (Strips ? 1 : 0) && Path.compare(0, Stripped.size(), Stripped) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Path(reinterpret_cast<const char*>(Data), Size);
  CheckSplit(Path, registry::SplitRegistryPath(Path));
  for (const char* Delimiter : {"\\", ":", "", "\\\\"}) {
    const std::string D(Delimiter);
    CheckStrip(Path, D, registry::StripTrailingDelimiter(Path, D));
  }
  return 0;
}
