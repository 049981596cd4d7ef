// The product name from the executable's path, over arbitrary code page 932 bytes. Properties:
// the file name is what follows the last "\" or ":" that starts a character (a 0x5C second byte
// is no separator); the product name is the file name up to its first "Uninst", in any case,
// that starts a character, letters as written; empty when there is none.
#include <cstdint>
#include <string>

#include "app/uProductName.h"
#include "system/uFiles.h"
#include "system/uMbcs.h"

namespace {

void Check(bool Holds) {
  if (!Holds) __builtin_trap();
}

char AsciiLower(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

bool UninstAt(const std::string& Name, std::size_t At) {
  static const char kWord[] = "uninst";
  if (At + 6 > Name.size()) return false;
  for (std::size_t i = 0; i < 6; ++i)
    if (AsciiLower(Name[At + i]) != kWord[i]) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Path(reinterpret_cast<const char*>(Data), Size);

  // The file name: after the last separator that starts a character.
  std::size_t Start = 0;
  for (std::size_t i = 0; i < Path.size(); ++i) {
    if (mbcs::IsLeadByte(static_cast<unsigned char>(Path[i])) && i + 1 < Path.size()) {
      ++i;
      continue;
    }
    if (Path[i] == '\\' || Path[i] == ':') Start = i + 1;
  }
  const std::string FileName = Path.substr(Start);
  Check(files::ExtractFileName(Path) == FileName);

  // The first "Uninst" on a character boundary of the file name.
  std::size_t Found = std::string::npos;
  for (std::size_t i = 0; i < FileName.size() && Found == std::string::npos;) {
    if (UninstAt(FileName, i)) Found = i;
    i += mbcs::IsLeadByte(static_cast<unsigned char>(FileName[i])) ? 2 : 1;
  }
  const std::string Product = app::ProductNameFromExePath(Path);
  Check(Product == (Found == std::string::npos ? std::string() : FileName.substr(0, Found)));

  // The key path built from it names the product's own key, one level below Uninstall.
  if (!Product.empty()) {
    const std::string Key = app::UninstallKeyPath(Product);
    Check(Key == std::string(app::kUninstallRootKeyPath) + Product + "\\");
  }
  return 0;
}
