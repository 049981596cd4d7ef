#include "app/uCommandLine.h"

#include "system/uMbcs.h"

namespace {

// Reads the argument that starts at pos (not a blank) and moves pos past it. Code page 932 trail
// bytes are never 0x22 or blanks, so a byte-wise scan cannot split a double-byte character.
std::string NextArgument(const std::string& s, std::size_t& pos) {
  std::string arg;
  while (pos < s.size() && !mbcs::IsControlByte(s[pos])) {
    if (s[pos] == '"') {
      ++pos;
      while (pos < s.size() && s[pos] != '"') arg += s[pos++];
      if (pos < s.size()) ++pos;
    } else {
      arg += s[pos++];
    }
  }
  return arg;
}

}  // namespace

std::vector<TCommandLineArgument> SplitCommandLine(const std::string& commandLine) {
  std::vector<TCommandLineArgument> args;
  std::size_t pos = 0;
  for (;;) {
    while (pos < commandLine.size() && mbcs::IsControlByte(commandLine[pos])) ++pos;
    if (pos >= commandLine.size()) break;
    TCommandLineArgument arg;
    arg.Begin = pos;
    arg.Text = NextArgument(commandLine, pos);
    arg.End = pos;
    args.push_back(arg);
  }
  return args;
}

std::size_t ProgramPathEnd(const std::string& commandLine, const TNamesProgram& namesProgram) {
  const std::vector<TCommandLineArgument> args = SplitCommandLine(commandLine);
  if (args.empty()) return commandLine.size();
  const std::size_t begin = args[0].Begin;
  if (commandLine[begin] == '"' || !namesProgram) return args[0].End;
  for (const TCommandLineArgument& arg : args) {
    const std::string candidate = commandLine.substr(begin, arg.End - begin);
    // A quote ends what CreateProcess reads as one unquoted path.
    if (candidate.find('"') != std::string::npos) break;
    if (namesProgram(candidate)) return arg.End;
  }
  return args[0].End;
}
