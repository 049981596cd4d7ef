#include "system/uRegistry_win.h"

#include <algorithm>

#include "system/uHandles_win.h"
#include "system/uMbcs.h"
#include "system/uPlatform_win.h"

namespace registry {
namespace {

constexpr DWORD kStringBufferSize = 255;
constexpr DWORD kSubkeyNameSize = 260;

// Returns whether the key itself was deleted; firstFailure keeps the status of the first open or
// deletion that failed. Each level keeps its own path, index and handle.
bool DeleteKeyTreeStep(HKEY root, const std::string& keyPath, const TKeyDeletion& deletion, LONG& firstFailure) {
  if (keyPath.empty()) return false;
  const std::string working = keyPath.back() == '\\' ? keyPath : keyPath + "\\";
  const std::string withoutDelimiter = StripTrailingDelimiter(working, "\\");

  handles::TUniqueKey key;
  const LONG opened = RegOpenKeyExA(root, withoutDelimiter.c_str(), 0, KEY_ALL_ACCESS, key.put());
  if (opened != ERROR_SUCCESS) {
    if (firstFailure == ERROR_SUCCESS) firstFailure = opened;
    return false;
  }
  DWORD index = 0;
  for (;;) {
    char name[kSubkeyNameSize];
    DWORD nameLength = kSubkeyNameSize;
    const LONG status =
        RegEnumKeyExA(key.get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) break;
    // A deleted subkey moves the following ones down by one: enumerate the same index again.
    const std::string subkey(name, std::min<DWORD>(nameLength, kSubkeyNameSize));
    if (!DeleteKeyTreeStep(root, working + subkey, deletion, firstFailure)) ++index;
  }
  // The handle stays open until the key itself has been tried.
  const std::string& deletePath = deletion.TrailingDelimiter ? working : withoutDelimiter;
  const LONG deleted = deletion.DeleteKey(root, deletePath.c_str());
  if (deleted != ERROR_SUCCESS && firstFailure == ERROR_SUCCESS) firstFailure = deleted;
  return deleted == ERROR_SUCCESS;
}

}  // namespace

bool ReadRegistryValue(HKEY root, const std::string& keyPath, const std::string& valueName,
                       DWORD valueType, BYTE* buffer, DWORD& size) {
  handles::TUniqueKey key;
  if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = valueType;
  return RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type, buffer, &size) ==
         ERROR_SUCCESS;
}

std::string ReadRegistryString(HKEY root, const std::string& keyPath, const std::string& valueName) {
  BYTE buffer[kStringBufferSize];
  DWORD size = kStringBufferSize;
  if (!ReadRegistryValue(root, keyPath, valueName, REG_SZ, buffer, size)) return std::string();
  // The size counts the terminating zero of a string value.
  const DWORD length = std::min(size, kStringBufferSize);
  if (length <= 1) return std::string();
  return mbcs::TrimControlBytes(std::string(reinterpret_cast<const char*>(buffer), length - 1));
}

std::string ReadRegistryString(HKEY root, const std::string& registryPath) {
  const TRegistryPath split = SplitRegistryPath(registryPath);
  return ReadRegistryString(root, split.KeyPath, split.ValueName);
}

bool KeyExists(HKEY root, const std::string& keyPath) {
  handles::TUniqueKey key;
  const LONG status = RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.put());
  return status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED;
}

LONG OpenForDeletion(HKEY root, const std::string& keyPath) {
  handles::TUniqueKey key;
  return RegOpenKeyExA(root, StripTrailingDelimiter(keyPath, "\\").c_str(), 0, KEY_ALL_ACCESS, key.put());
}

TKeyDeletion SystemKeyDeletion() {
  // Windows 95/98/Me wants the path without its trailing "\"; the NT family takes it either way.
  return TKeyDeletion{&RegDeleteKeyA, platform::IsNTFamily()};
}

LONG DeleteRegistryKeyTree(HKEY root, const std::string& keyPath, const TKeyDeletion& deletion) {
  // "\" alone names the root: opening it would hand back the root key and its whole tree.
  if (keyPath.find_first_not_of('\\') == std::string::npos) return ERROR_INVALID_PARAMETER;
  LONG firstFailure = ERROR_SUCCESS;
  DeleteKeyTreeStep(root, keyPath, deletion, firstFailure);
  return firstFailure;
}

}  // namespace registry
