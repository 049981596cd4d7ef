// Keeps the program from loading DLLs out of its own folder. The temporary copy runs with
// administrator rights from a folder anyone may write to (for the SYSTEM account the shared
// Windows\Temp), so a DLL planted there must never be picked up.
#pragma once
#include <windows.h>

#include <string>

namespace safedll {

// Limits the DLL search to the system folder where the system offers it
// (SetDefaultDllDirectories); else at least takes the current folder out of the search
// (SetDllDirectoryA("")). Returns which of the two took effect. Where neither exists the
// program's folder stays searched, which is why run-time loads go by full path.
enum class TSearchRestriction { SystemFolderOnly, CurrentFolderRemoved, None };
TSearchRestriction RestrictDllSearchPath();

// The full path of name in the system folder; empty when the folder cannot be read.
std::string SystemLibraryPath(const char* name);

// Loads a system DLL by its full path in the system folder; null when absent (as uxtheme.dll is
// on Windows 95/98/Me and 2000). The caller owns the module.
HMODULE LoadSystemLibrary(const char* name);

}  // namespace safedll
