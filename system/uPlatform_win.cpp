#include "system/uPlatform_win.h"

namespace platform {
namespace {

TWindowsVersion ReadWindowsVersion() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  TWindowsVersion version = {VER_PLATFORM_WIN32_NT, 0, 0};
  if (GetVersionExA(&info)) {
    version.PlatformId = info.dwPlatformId;
    version.Major = info.dwMajorVersion;
    version.Minor = info.dwMinorVersion;
  }
  return version;
}

bool g_loaded = false;
TWindowsVersion g_version;

}  // namespace

const TWindowsVersion& WindowsVersion() {
  if (!g_loaded) {
    g_version = ReadWindowsVersion();
    g_loaded = true;
  }
  return g_version;
}

}  // namespace platform
