#include "system/uRegistry_win.h"

#include <algorithm>
#include <vector>

#include "system/uHandles_win.h"
#include "system/uMbcs.h"
#include "system/uPlatform_win.h"
#include "system/uSafeDll_win.h"
#include "system/uSystemError_win.h"

namespace registry {
namespace {

constexpr DWORD kStringBufferSize = 255;
constexpr DWORD kSubkeyNameSize = 260;
// Bytes per character that a name can take in an ANSI code page: two in code page 932, up to
// three (four for a surrogate pair) where the ANSI code page is UTF-8.
constexpr DWORD kBytesPerCharacter = 4;

// The name buffer for the subkeys of key: the system counts the longest name in characters, and
// a name of double-byte characters takes twice that in bytes.
DWORD SubkeyNameBufferSize(HKEY key) {
  DWORD longest = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS) {
    longest = 0;
  }
  return std::max<DWORD>(kSubkeyNameSize, (std::min<DWORD>(longest, 32767) + 1) * kBytesPerCharacter);
}

// Whether key, opened as itself (REG_OPTION_OPEN_LINK) with KEY_QUERY_VALUE, is a symbolic link.
bool IsLink(HKEY key) {
  DWORD type = REG_NONE;
  DWORD size = 0;
  const LONG status = RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, &size);
  return (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) && type == REG_LINK;
}

// Whether the key at path is a symbolic link; if it is, link holds it opened as the link itself,
// with the right to delete it.
bool OpenIfLink(HKEY root, const std::string& path, handles::TUniqueKey& link) {
  handles::TUniqueKey key;
  if (RegOpenKeyExA(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | DELETE, key.put()) != ERROR_SUCCESS) {
    return false;
  }
  if (!IsLink(key.get())) return false;
  link = std::move(key);
  return true;
}

// Deletes the key open under link as the link itself, through the native call: the registry
// functions of the system would follow it.
LONG DeleteLinkKey(HKEY link) {
  using TNtDeleteKey = LONG(NTAPI*)(HANDLE);
  const auto ntDeleteKey = safedll::GetProc<TNtDeleteKey>(GetModuleHandleA("ntdll.dll"), "NtDeleteKey");
  if (!ntDeleteKey) return ERROR_CALL_NOT_IMPLEMENTED;
  return static_cast<LONG>(systemerror::NtStatusError(ntDeleteKey(link)));
}

// A walk over a key tree: how its keys are deleted, and the first failure met. Each level of the
// recursion keeps its own paths, index and handle.
struct TTreeWalk {
  HKEY root;
  // The NT family: RegDeleteKeyA is given "key\", and links are looked for. Windows 95/98/Me
  // want "key" and know no links.
  bool nt;
  // The status of the first open or deletion that failed.
  LONG firstFailure;

  void Failed(LONG status) {
    if (firstFailure == ERROR_SUCCESS) firstFailure = status;
  }

  // Deletes the key withoutDelimiter names and its tree; its status. A subkey that is gone
  // already counts as no failure.
  LONG DeleteTree(const std::string& withoutDelimiter, bool top) {
    const LONG status = DeleteKeyAndTree(withoutDelimiter);
    if (status != ERROR_SUCCESS && (top || status != ERROR_FILE_NOT_FOUND)) Failed(status);
    return status;
  }

  LONG DeleteKeyAndTree(const std::string& withoutDelimiter) {
    if (nt) {
      // A link goes as a link: what it leads to may be any key of the machine.
      handles::TUniqueKey link;
      if (OpenIfLink(root, withoutDelimiter, link)) return DeleteLinkKey(link.get());
    }
    handles::TUniqueKey key;
    const LONG opened = RegOpenKeyExA(root, withoutDelimiter.c_str(), 0, KEY_ALL_ACCESS, key.put());
    if (opened != ERROR_SUCCESS) return opened;
    std::vector<char> name(SubkeyNameBufferSize(key.get()));
    DWORD index = 0;
    for (;;) {
      DWORD nameLength = static_cast<DWORD>(name.size());
      const LONG status =
          RegEnumKeyExA(key.get(), index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_MORE_DATA) {
        // A longer name added since the buffer was sized: once more with room for it; a name that
        // still does not fit is passed over, not the rest.
        const DWORD larger = SubkeyNameBufferSize(key.get());
        if (larger > name.size()) {
          name.resize(larger);
        } else {
          ++index;
        }
        continue;
      }
      if (status != ERROR_SUCCESS) break;
      // The name is joined with its own "\": a name may end in a byte 0x5C that is the second
      // byte of a character ("ソ"), which must not be taken for the delimiter.
      const std::string child =
          withoutDelimiter + "\\" + std::string(name.data(), std::min<std::size_t>(nameLength, name.size()));
      // A deleted subkey moves the following ones down by one: enumerate the same index again.
      if (DeleteTree(child, false) != ERROR_SUCCESS) ++index;
    }
    // The handle stays open until the key itself has been tried.
    return RegDeleteKeyA(root, (nt ? withoutDelimiter + "\\" : withoutDelimiter).c_str());
  }
};

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

LONG OpenForDeletion(HKEY root, const std::string& keyPath) {
  const std::string path = StripTrailingDelimiter(keyPath, "\\");
  handles::TUniqueKey key;
  if (platform::IsNTFamily()) {
    // The deletion takes a link as the link itself: only the right to delete the link counts,
    // never what the key it leads to allows, nor whether that key is there at all.
    const LONG opened = RegOpenKeyExA(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, key.put());
    if (opened != ERROR_SUCCESS) return opened;
    if (IsLink(key.get())) {
      return RegOpenKeyExA(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | DELETE, key.put());
    }
  }
  return RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.put());
}

LONG DeleteRegistryKeyTree(HKEY root, const std::string& keyPath) {
  // "\" alone names the root: opening it would hand back the root key and its whole tree.
  if (keyPath.find_first_not_of('\\') == std::string::npos) return ERROR_INVALID_PARAMETER;
  // The key itself is named as given: its last byte decides whether a "\" is added.
  const std::string working = keyPath.back() == '\\' ? keyPath : keyPath + "\\";
  TTreeWalk walk = {root, platform::IsNTFamily(), ERROR_SUCCESS};
  // Where the key itself went (Windows 95/98/Me delete a whole tree at once), earlier failures
  // below it left nothing behind.
  if (walk.DeleteTree(StripTrailingDelimiter(working, "\\"), true) == ERROR_SUCCESS) return ERROR_SUCCESS;
  return walk.firstFailure;
}

}  // namespace registry
