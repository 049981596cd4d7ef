// The product name from the executable's path, over arbitrary code page 932 bytes. Properties:
// the file name is what follows the last "\" or ":" that starts a character (a 0x5C second byte
// is no separator); the product name is the file name up to its first "Uninst", in any case,
// that starts a character, letters as written; empty when there is none.
#include <cstdint>
#include <string>

#include "FuzzHarness.h"
#include "system/uFiles.h"
#include "system/uMbcs.h"
#include "system/uProductName.h"

namespace {

using fuzzsupport::Check;

UNINST_FUZZ_HARNESS char AsciiLower(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

UNINST_FUZZ_HARNESS bool UninstAt(const std::string& Path, std::size_t At) {
  static const char kWord[] = "uninst";
  if (At + 6 > Path.size()) return false;
  for (std::size_t i = 0; i < 6; ++i)
    if (AsciiLower(Path[At + i]) != kWord[i]) return false;
  return true;
}

// Where the file name starts: after the last separator that starts a character.
UNINST_FUZZ_HARNESS std::size_t FileNameStart(const std::string& Path) {
  std::size_t Start = 0;
  for (std::size_t i = 0; i < Path.size(); ++i) {
    if (mbcs::IsLeadByte(static_cast<unsigned char>(Path[i])) && i + 1 < Path.size()) {
      ++i;
      continue;
    }
    if (Path[i] == '\\' || Path[i] == ':') Start = i + 1;
  }
  return Start;
}

UNINST_FUZZ_HARNESS void CheckName(const std::string& Path, const std::string& FileName, const std::string& Product) {
  const std::size_t Start = FileNameStart(Path);
  Check(FileName.size() == Path.size() - Start && Path.compare(Start, FileName.size(), FileName) == 0);

  // The first "Uninst" on a character boundary of the file name.
  std::size_t Found = std::string::npos;
  for (std::size_t i = Start; i < Path.size() && Found == std::string::npos;) {
    if (UninstAt(Path, i)) Found = i;
    i += mbcs::IsLeadByte(static_cast<unsigned char>(Path[i])) ? 2 : 1;
  }
  if (Found == std::string::npos) {
    Check(Product.empty());
  } else {
    Check(Product.size() == Found - Start && Path.compare(Start, Product.size(), Product) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Path(reinterpret_cast<const char*>(Data), Size);
  const std::string Product = productname::ProductNameFromExePath(Path);
  CheckName(Path, files::ExtractFileName(Path), Product);

  // The key path built from it names the product's own key, one level below Uninstall.
  if (!Product.empty()) {
    const std::string Key = productname::UninstallKeyPath(Product);
    Check(Key == std::string(productname::kUninstallRootKeyPath) + Product + "\\");
  }
  return 0;
}
