#include "exeadder/uToolAdd.h"

#include <algorithm>

#include "appended/uExeAdder.h"
#include "exeadder/uMutexName.h"
#include "exeadder/uToolDisplay.h"
#include "exeadder/uToolFiles.h"
#include "exeadder/uToolRefusal.h"
#include "exeadder/uToolSigning.h"

namespace tooladd {
namespace {

using toolarguments::TCommandLine;
using toolarguments::TItemSource;
using toolrefusal::Refuse;
using toolrefusal::Usage;

blockwriter::TNewItems ReadItems(const std::vector<TItemSource>& sources) {
  blockwriter::TNewItems items;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const TItemSource& source = sources[i];
    blockwriter::TNewItem item;
    item.Name = source.Name;
    item.Compressed = source.Compressed;
    item.Data = source.FromFile
                    ? toolfiles::ReadFileOrRefuse(source.Value, "item " + std::to_string(i + 1) + ": cannot read its file")
                    : source.Value;
    items.push_back(std::move(item));
  }
  return items;
}

}  // namespace

blockwriter::TFileWithBlock AddAndWrite(const std::string& in, const std::string& out, const blockwriter::TNewItems& items,
                                        const blockwriter::TAddOptions& options, const TCommandLine& line,
                                        std::string& note) {
  blockwriter::TFileWithBlock file;
  toolfiles::TChangedInput changed = toolfiles::ChangeInput(in, out, line, [&](const std::string& bytes) {
    file = blockwriter::BytesWithBlock(bytes, items, options);
    return std::move(file.Bytes);
  });
  file.Bytes = std::move(changed.Bytes);
  toolfiles::WriteThroughTemp(out, file.Bytes, [&](const std::string& temp) {
    try {
      blockwriter::CheckReadsBack(temp, items, file.BlockStart);
    } catch (const blockwriter::EBlockWriteError& error) {
      Refuse(out + " not written: " + error.what());
    }
  });
  note = toolsigning::RemovedLine(in, changed.Input);
  if (options.Placement == blockwriter::TBlockPlacement::BehindImage || !changed.Input.Removed.empty()) {
    TBlockPlace block;
    block.Found = true;
    block.Start = file.BlockStart;
    block.End = file.BlockStart + file.BlockLength;
    note += toolsigning::NextStepLine(out, file.Bytes, &block);
  }
  return file;
}

std::string Placement(const blockwriter::TFileWithBlock& file) {
  const int64_t behind = static_cast<int64_t>(file.Bytes.size()) - file.BlockStart - file.BlockLength;
  return "block of " + tooldisplay::ByteCount(file.BlockLength) + " at offset " + std::to_string(file.BlockStart) +
         (behind > 0 ? ", " + tooldisplay::ByteCount(behind) + " of other data behind it" : "");
}

std::string CmdAdd(const std::vector<std::string>& args) {
  const TCommandLine line =
      toolarguments::Parse(args, {"--key", "--trailer"}, {"--behind-image", "--replace", "--in-place", "--unsign"}, true);
  const std::string out = toolarguments::OutputOf(line, "add");
  const std::string& in = line.Positional[0];
  if (line.Items.empty()) Usage("add needs at least one item (--text, --file, --ztext, --zfile)");
  blockwriter::TAddOptions options;
  if (line.Values.count("--key")) options.Key = toolarguments::ParseKey(line.Value("--key"));
  options.Replace = line.Has("--replace");
  if (line.Has("--behind-image")) options.Placement = blockwriter::TBlockPlacement::BehindImage;
  if (line.Values.count("--trailer")) {
    if (!line.Has("--behind-image")) Usage("--trailer goes with --behind-image");
    options.Trailer = toolfiles::ReadFileOrRefuse(line.Value("--trailer"), "cannot read the trailer");
  }
  const blockwriter::TNewItems items = ReadItems(line.Items);
  // The uninstaller takes the first item of exactly that name; an empty one means no check.
  const auto guid =
      std::find_if(items.begin(), items.end(), [](const blockwriter::TNewItem& item) { return item.Name == "GUID"; });
  if (guid != items.end() && !guid->Data.empty()) {
    const std::string why = mutexname::MutexNameRefusal(guid->Data);
    if (!why.empty()) Refuse("item \"GUID\": " + why);
  }
  std::string note;
  const blockwriter::TFileWithBlock file = AddAndWrite(in, out, items, options, line, note);
  return "wrote " + out + ": " + std::to_string(items.size()) + (items.size() == 1 ? " item, " : " items, ") +
         Placement(file) + "\n" + note;
}

}  // namespace tooladd
