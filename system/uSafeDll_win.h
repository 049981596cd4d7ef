// Run-time linking, kept from loading DLLs out of the program's own folder. The temporary copy
// runs with administrator rights from a folder anyone may write to (for the SYSTEM account the
// shared Windows\Temp), so a DLL planted there must never be picked up.
#pragma once
#include <windows.h>

#include "system/uHandles_win.h"

namespace safedll {

// Limits the DLL search to the system folder where the system offers it
// (SetDefaultDllDirectories); else at least takes the current folder out of the search
// (SetDllDirectoryA("")). Where neither exists the program's folder stays searched, which is why
// run-time loads go by full path.
void RestrictDllSearchPath();

// Loads a system DLL by its full path in the system folder; empty when absent (as uxtheme.dll
// is on Windows 95/98/Me and 2000) or when the system folder cannot be read.
handles::TUniqueModule LoadSystemLibrary(const char* name);

// A function of a loaded module as the type F (a function pointer type); null when the module
// is null or does not export it, as newer functions are missing from older systems.
template <typename F>
F GetProc(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace safedll
