#include "system/uSafeDll_win.h"

#include <string>

#include "system/uFiles_win.h"

namespace safedll {

void RestrictDllSearchPath() {
  // Looked up at run time: Windows 9x, NT 4 and an unpatched XP have neither function.
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const auto setDefault = GetProc<BOOL(WINAPI*)(DWORD)>(kernel, "SetDefaultDllDirectories");
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  const auto setDllDirectory = GetProc<BOOL(WINAPI*)(LPCSTR)>(kernel, "SetDllDirectoryA");
  if (setDllDirectory) setDllDirectory("");
}

handles::TUniqueModule LoadSystemLibrary(const char* name) {
  const std::string folder = files::SystemFolder();
  if (folder.empty()) return handles::TUniqueModule();
  return handles::TUniqueModule(LoadLibraryA((folder + name).c_str()));
}

}  // namespace safedll
