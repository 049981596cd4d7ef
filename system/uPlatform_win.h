// The platform family and Windows version, read once when the program starts.
#pragma once
#include <windows.h>

namespace platform {

struct TWindowsVersion {
  DWORD PlatformId;  // VER_PLATFORM_WIN32_NT (2) or VER_PLATFORM_WIN32_WINDOWS (1)
  DWORD Major;
  DWORD Minor;
};

// Reads the version on first use and keeps it for the rest of the run.
const TWindowsVersion& WindowsVersion();

// NT family: platform id 2. Every other value is treated as Windows 95/98/Me.
inline bool IsNTFamily() { return WindowsVersion().PlatformId == VER_PLATFORM_WIN32_NT; }

}  // namespace platform
