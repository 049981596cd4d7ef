#include "system/uModulePath_win.h"

namespace modulepath {

std::string ModuleFileName(HMODULE module) {
  constexpr DWORD kLongestPath = 32768;
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameA(module, &buffer[0], size);
    if (length == 0) return std::string();
    // A cut path fills the whole buffer (with or without its zero, depending on the system).
    if (length < size - 1) {
      buffer.resize(length);
      return buffer;
    }
    if (size >= kLongestPath) return std::string();
    buffer.resize(size * 2);
  }
}

}  // namespace modulepath
