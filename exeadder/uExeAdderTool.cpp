#include "exeadder/uExeAdderTool.h"

#include <exception>

#include "exeadder/uToolAdd.h"
#include "exeadder/uToolList.h"
#include "exeadder/uToolRefusal.h"
#include "exeadder/uToolStamp.h"
#include "exeadder/uToolStrip.h"
#include "exeadder/uToolUsage.h"

namespace exeaddertool {

TToolResult RunExeAdder(const std::vector<std::string>& args) {
  TToolResult result;
  try {
    if (args.empty()) toolrefusal::Usage("no command");
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
      result.Out = toolusage::kUsage;
    } else if (command == "stamp") {
      result.Out = toolstamp::CmdStamp(rest);
    } else if (command == "add") {
      result.Out = tooladd::CmdAdd(rest);
    } else if (command == "list") {
      result.Out = toollist::CmdList(rest);
    } else if (command == "strip") {
      result.Out = toolstrip::CmdStrip(rest);
    } else {
      toolrefusal::Usage("unknown command " + command);
    }
  } catch (const toolrefusal::THelpWanted&) {
    result.Out = toolusage::kUsage;
  } catch (const toolrefusal::TRefusal& refusal) {
    result.ExitCode = refusal.ExitCode;
    result.Out.clear();
    result.Err = "exeadder: " + refusal.Message + "\n";
  } catch (const std::exception& error) {
    result.ExitCode = kExitRefused;
    result.Out.clear();
    result.Err = std::string("exeadder: ") + error.what() + "\n";
  }
  // One line, whatever the message held.
  for (std::size_t i = 0; i + 1 < result.Err.size(); ++i)
    if (result.Err[i] == '\n' || result.Err[i] == '\r') result.Err[i] = ' ';
  return result;
}

}  // namespace exeaddertool
