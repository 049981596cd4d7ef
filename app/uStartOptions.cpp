#include "app/uStartOptions.h"

#include <vector>

#include "app/uCommandLine.h"
#include "system/uFiles.h"
#include "system/uMbcs.h"

namespace app {
namespace {

// The copy's own switches, which its starter writes, all begin with "/"; a short path never does.
bool IsCopySwitch(const std::string& text) { return !text.empty() && text[0] == '/'; }

// What a person or a tool means as a switch, in either of the forms Windows programs take.
bool LooksLikeSwitch(const std::string& text) { return !text.empty() && (text[0] == '/' || text[0] == '-'); }

bool IsLogSwitch(const std::string& text) {
  return text.size() >= 4 && mbcs::UpperCase(text.substr(0, 4)) == "/LOG" && (text.size() == 4 || text[4] == '=');
}

// "<decimal>" into value; false unless the whole text is digits that fit in a handle value.
bool ParseHandleValue(const std::string& text, THandleValue& value) {
  if (text.empty()) return false;
  constexpr THandleValue kMax = ~THandleValue(0);
  THandleValue n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (n > (kMax - digit) / 10) return false;
    n = n * 10 + digit;
  }
  value = n;
  return true;
}

void ParseHandBack(const std::string& value, TStartOptions& options) {
  const std::size_t colon = value.find(':');
  THandleValue pipe = 0;
  THandleValue process = 0;
  if (colon == std::string::npos || !ParseHandleValue(value.substr(0, colon), pipe) ||
      !ParseHandleValue(value.substr(colon + 1), process) || pipe == 0 || process == 0) {
    return;
  }
  options.HandBackPipe = pipe;
  options.StarterProcess = process;
}

}  // namespace

TStartOptions ParseStartOptions(const std::string& commandLine, const TNamesProgram& namesProgram) {
  const std::string line = commandLine.substr(ProgramPathEnd(commandLine, namesProgram));
  const std::vector<TCommandLineArgument> args = SplitCommandLine(line);
  TStartOptions options;
  std::size_t next = 0;
  if (!args.empty() && args[0].Text == "START") {
    options.IsCopy = true;
    // A path never holds "/", so the starter's path ends where the first switch begins.
    std::size_t end = 1;
    while (end < args.size() && !IsCopySwitch(args[end].Text)) ++end;
    if (end > 1) options.StarterPath = line.substr(args[1].Begin, args[end - 1].End - args[1].Begin);
    next = end;
  }
  const std::string handBack = "/HANDBACK=";
  for (std::size_t i = next; i < args.size(); ++i) {
    const std::string& arg = args[i].Text;
    const std::string asWritten = line.substr(args[i].Begin, args[i].End - args[i].Begin);
    if (arg == "/S" || arg == "/s") {
      options.Silent = true;
    } else if (IsLogSwitch(arg)) {
      options.Log = true;
      options.LogPath = arg.size() > 5 ? arg.substr(5) : std::string();
    } else if (arg == "/?") {
      options.Usage = true;
    } else if (options.IsCopy && arg.compare(0, handBack.size(), handBack) == 0) {
      ParseHandBack(arg.substr(handBack.size()), options);
    } else if (!LooksLikeSwitch(arg)) {
      options.IgnoredWords.push_back(asWritten);
    } else if (options.UnknownSwitch.empty()) {
      options.UnknownSwitch = asWritten;
    }
  }
  return options;
}

std::string CopyCommandLine(const std::string& copyPath, const std::string& starterShortPath, bool silent,
                            const std::string& logPath, THandleValue pipe, THandleValue process) {
  std::string line = "\"" + copyPath + "\" START " + starterShortPath;
  if (silent) line += " /S";
  if (!logPath.empty()) line += " /LOG=\"" + logPath + "\"";
  if (pipe != 0) line += " /HANDBACK=" + std::to_string(pipe) + ":" + std::to_string(process);
  return line;
}

std::string DefaultLogFileName(const std::string& exePath) {
  return files::ChangeFileExt(files::ExtractFileName(exePath), ".log");
}

}  // namespace app
