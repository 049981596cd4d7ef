#include "exeadder/uToolList.h"

#include <exception>

#include "appended/uExeAdder.h"
#include "appended/uStreamUtils.h"
#include "exeadder/uToolArguments.h"
#include "exeadder/uToolDisplay.h"
#include "exeadder/uToolPlatform.h"
#include "exeadder/uToolRefusal.h"
#include "exeadder/uToolSigning.h"

namespace toollist {
namespace {

using tooldisplay::ByteCount;
using tooldisplay::Quoted;

// Where the block lies, its key and how many items it holds.
std::string BlockLines(const std::string& path, const TBlockInfo& info, std::size_t count) {
  const TBlockPlace& place = info.Place;
  return path + ": block of " + ByteCount(place.End - place.Start) + " at offset " + std::to_string(place.Start) +
         (place.AtEnd() ? ", at the end of the file"
                        : ", found behind the image, " + ByteCount(place.FileSize - place.End) + " of other data behind it") +
         "\n" + "key " + tooldisplay::HexNumber(info.Key) + " (names scrambled with 0x" +
         tooldisplay::Hex2(static_cast<uint8_t>(info.Key)) + "), " + std::to_string(count) +
         (count == 1 ? " item\n" : " items\n");
}

// Item number index + 1: its name, how it is stored and a preview of its data.
std::string ItemLine(const TItemType& item, std::size_t index, int32_t storedLength) {
  const std::string data = AppendedItemData(item);
  return "  " + std::to_string(index + 1) + ". " + Quoted(item.Name) + "  " +
         (item.Compressed ? "compressed, " + ByteCount(storedLength) + " stored, " + ByteCount(item.Size) + " inflated"
                          : "plain, " + ByteCount(item.Size) + (item.Size < 0 ? " (no data)" : "")) +
         (data.empty() ? "" : "  " + tooldisplay::Preview(data)) + "\n";
}

// Which item the uninstaller takes for the mutex name, if any.
std::string GuidLine(const TItemTypes& items) {
  const TItemType* guid = FindAppendedItem(items, "GUID");
  if (!guid) return "no item \"GUID\": the uninstaller will not check whether the screen saver runs\n";
  if (AppendedItemData(*guid).empty())
    return "the first item \"GUID\" is empty: the uninstaller will not check whether the screen saver runs\n";
  return "the uninstaller checks the mutex named by item " + std::to_string(guid - &items[0] + 1) + " \"GUID\"\n";
}

}  // namespace

std::string CmdList(const std::vector<std::string>& args) {
  const toolarguments::TCommandLine line = toolarguments::Parse(args, {}, {}, false);
  if (line.Positional.size() != 1) toolrefusal::Usage("list needs one FILE");
  const std::string& path = line.Positional[0];
  if (!toolplatform::IsFile(path)) toolrefusal::Refuse("cannot read " + path + ": no such file");

  TItemTypes items;
  TBlockInfo info;
  try {
    ReadAppendedItems(path, items, &info);
  } catch (const std::exception& error) {
    // The uninstaller would show this message.
    toolrefusal::Refuse(path + ": " + error.what());
  }
  if (!info.Place.Found) toolrefusal::Refuse(path + ": carries no block that the uninstaller finds");

  std::string text = BlockLines(path, info, items.size());
  for (std::size_t i = 0; i < items.size(); ++i) text += ItemLine(items[i], i, info.DataLengths[i]);
  text += GuidLine(items);
  try {
    text += toolsigning::SignatureLine(LoadFileBytes(path), info.Place);
  } catch (const EFOpenError& error) {
    text += std::string("Authenticode signature not examined: ") + error.what() + "\n";
  }
  return text;
}

}  // namespace toollist
