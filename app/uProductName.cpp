#include "app/uProductName.h"

#include "system/uMbcs.h"

namespace app {

const char kUninstallRootKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string ProductNameFromExePath(const std::string& exePath) {
  const std::string fileName = mbcs::ExtractFileName(exePath);
  const std::size_t pos =
      mbcs::FindAtCharBoundary(mbcs::UpperCase(fileName), mbcs::UpperCase("Uninst"));
  return pos == std::string::npos ? std::string() : fileName.substr(0, pos);
}

std::string UninstallKeyPath(const std::string& productName) {
  return kUninstallRootKeyPath + productName + "\\";
}

std::string FormatText(const std::string& format, const std::string& arg) {
  // '%' (0x25) is never the second byte of a code page 932 character, so a byte scan is safe.
  std::string out;
  out.reserve(format.size() + arg.size());
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      if (format[i + 1] == 's') {
        out += arg;
        ++i;
        continue;
      }
      if (format[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

}  // namespace app
