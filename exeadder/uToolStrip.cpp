#include "exeadder/uToolStrip.h"

#include "appended/uBlockWriter.h"
#include "appended/uExeAdder.h"
#include "exeadder/uToolArguments.h"
#include "exeadder/uToolDisplay.h"
#include "exeadder/uToolFiles.h"
#include "exeadder/uToolSigning.h"

namespace toolstrip {

std::string CmdStrip(const std::vector<std::string>& args) {
  const toolarguments::TCommandLine line = toolarguments::Parse(args, {}, {"--in-place", "--unsign"}, false);
  const std::string out = toolarguments::OutputOf(line, "strip");
  const std::string& in = line.Positional[0];
  const toolfiles::TChangedInput stripped = toolfiles::ChangeInput(in, out, line, blockwriter::BytesWithoutBlock);
  std::string note;
  toolfiles::WriteThroughTemp(out, stripped.Bytes, [&](const std::string& temp) {
    try {
      const TBlockPlace left = LocateAppendedBlock(temp);
      if (left.Found) note = "the uninstaller still finds a block, at offset " + std::to_string(left.Start) + "\n";
    } catch (const EImageBlockException&) {
      // No signature at the end and no image: no block, as wanted.
    }
  });
  if (!stripped.Input.Removed.empty())
    note += toolsigning::RemovedLine(in, stripped.Input) + toolsigning::NextStepLine(out, stripped.Bytes, nullptr);
  return "wrote " + out + ": " + tooldisplay::ByteCount(static_cast<int64_t>(stripped.Bytes.size())) +
         ", without the block\n" + note;
}

}  // namespace toolstrip
