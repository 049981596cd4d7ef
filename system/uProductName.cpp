#include "system/uProductName.h"

#include "system/uFiles.h"
#include "system/uMbcs.h"

namespace productname {

const char kUninstallRootKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string ProductNameFromExePath(const std::string& exePath) {
  const std::string fileName = files::ExtractFileName(exePath);
  const std::size_t pos =
      mbcs::FindAtCharBoundary(mbcs::UpperCase(fileName), mbcs::UpperCase("Uninst"));
  return pos == std::string::npos ? std::string() : fileName.substr(0, pos);
}

std::string UninstallKeyPath(const std::string& productName) {
  return kUninstallRootKeyPath + productName + "\\";
}

}  // namespace productname
