// What the uninstaller's reader finds in a file, in the forms the tests compare.
#pragma once
#include <string>
#include <vector>

#include "appended/uExeAdder.h"

namespace testsupport {

// "name=data", with " (z)" for a compressed item, of every item in path's block.
inline std::vector<std::string> ItemsOf(const std::string& path) {
  TItemTypes list;
  ReadAppendedItems(path, list);
  std::vector<std::string> out;
  for (const TItemType& item : list) out.push_back(item.Name + "=" + AppendedItemData(item) + (item.Compressed ? " (z)" : ""));
  return out;
}

// The data of path's first item "GUID", the mutex name the uninstaller checks; "(none)" without
// one. info, when given, gets what the reader saw.
inline std::string GuidOf(const std::string& path, TBlockInfo* info = nullptr) {
  TItemTypes list;
  ReadAppendedItems(path, list, info);
  const TItemType* guid = FindAppendedItem(list, "GUID");
  return guid && guid->Data ? AppendedItemData(*guid) : std::string("(none)");
}

}  // namespace testsupport
