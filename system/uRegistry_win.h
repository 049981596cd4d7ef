// Reading the uninstall entry and deleting its key tree. Nothing here raises or shows anything:
// a read that fails gives false or an empty string, a deletion that fails leaves the keys it
// could not delete and says nothing.
#pragma once
#include <windows.h>

#include <string>

#include "system/uRegistry.h"

namespace registry {

// Opens keyPath under root for KEY_QUERY_VALUE and queries valueName into buffer. size holds the
// buffer size on entry and the data size on success; the data's type is not checked. On failure
// buffer and size hold whatever RegQueryValueExA left in them.
bool ReadRegistryValue(HKEY root, const std::string& keyPath, const std::string& valueName,
                       DWORD valueType, BYTE* buffer, DWORD& size);

// A string value of at most 254 bytes of text, without its terminating zero and trimmed of
// bytes 0x20 and below; empty when the key or value is missing, unreadable or too long.
// Expandable strings come back unexpanded.
std::string ReadRegistryString(HKEY root, const std::string& keyPath, const std::string& valueName);
// The same, for "key\path\value" in one string (SplitRegistryPath).
std::string ReadRegistryString(HKEY root, const std::string& registryPath);

// Opens keyPath (with or without its trailing "\") with the access that DeleteRegistryKeyTree
// asks of every key of the tree, and closes it again: ERROR_SUCCESS, or the status of the
// refusal (ERROR_FILE_NOT_FOUND when there is no such key). On the NT family a key that is a
// symbolic link is opened as the link itself, with the right to delete it, as the deletion does.
LONG OpenForDeletion(HKEY root, const std::string& keyPath);

// Deletes keyPath (with or without a trailing "\") and everything under it, deepest keys first,
// each with RegDeleteKeyA: on the NT family given its path with a trailing "\", on Windows
// 95/98/Me without one. Each subkey's path is its parent's, "\" and its name, whatever byte the
// name ends in; no name is too long to be read. On the NT family a key that is a symbolic link is
// deleted as a link and never followed, so nothing it leads to is touched. A key that cannot be
// opened with full access is left with its whole tree; a key that cannot be deleted stays while
// its siblings still go. A path made only of "\" (the root itself) or an empty path deletes
// nothing (ERROR_INVALID_PARAMETER). ERROR_SUCCESS when the key went; ERROR_FILE_NOT_FOUND when
// there was no such key; else the status of the first open or deletion that failed, the reason
// the key stays (a subkey that was gone when its turn came is no failure).
LONG DeleteRegistryKeyTree(HKEY root, const std::string& keyPath);

// Whether the key is gone after DeleteRegistryKeyTree returned status: deleted, or never there.
inline bool KeyTreeGone(LONG status) { return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND; }

}  // namespace registry
