#include "system/uSafeDll_win.h"

namespace safedll {

TSearchRestriction RestrictDllSearchPath() {
  // Looked up at run time: Windows 9x, NT 4 and an unpatched XP have neither function.
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return TSearchRestriction::None;
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return TSearchRestriction::SystemFolderOnly;
  }
  const auto setDllDirectory = reinterpret_cast<SetDllDirectoryFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
  if (setDllDirectory && setDllDirectory("")) return TSearchRestriction::CurrentFolderRemoved;
  return TSearchRestriction::None;
}

std::string SystemLibraryPath(const char* name) {
  char folder[MAX_PATH];
  const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  std::string path(folder, n);
  if (path.back() != '\\') path += '\\';
  return path + name;
}

HMODULE LoadSystemLibrary(const char* name) {
  const std::string path = SystemLibraryPath(name);
  return path.empty() ? nullptr : LoadLibraryA(path.c_str());
}

}  // namespace safedll
