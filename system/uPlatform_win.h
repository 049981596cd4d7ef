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

// Two questions that rightly disagree on any other platform id (0, Win32s): each caller asks its own.
// Id 2. Registry walk, restart deletion, security, log, wide texts: NT calls only here; else 95/98/Me's.
inline bool IsNTFamily() { return WindowsVersion().PlatformId == VER_PLATFORM_WIN32_NT; }
// Id 1. Add/Remove Programs refresh: only this family has the window it reopens; else it does nothing.
inline bool IsWindows9xFamily() { return WindowsVersion().PlatformId == VER_PLATFORM_WIN32_WINDOWS; }

}  // namespace platform
