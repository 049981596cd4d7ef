// The full path of a loaded module, the running executable by default.
#pragma once
#include <windows.h>

#include <string>

namespace modulepath {

// Grows the buffer until GetModuleFileNameA has room for the whole path and its zero, so a long
// path is never cut short; empty when the call fails or the path exceeds 32767 bytes.
std::string ModuleFileName(HMODULE module = nullptr);

}  // namespace modulepath
