#include "app/uCommandLine.h"

namespace {

// Reads one argument starting at pos and moves pos past it. Code page 932 trail bytes are never
// 0x22 or <= 0x20, so a byte-wise scan cannot split a double-byte character.
std::string NextArgument(const std::string& s, std::size_t& pos) {
  while (pos < s.size() && static_cast<unsigned char>(s[pos]) <= 0x20) ++pos;
  std::string arg;
  while (pos < s.size() && static_cast<unsigned char>(s[pos]) > 0x20) {
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
    while (pos < commandLine.size() && static_cast<unsigned char>(commandLine[pos]) <= 0x20) ++pos;
    if (pos >= commandLine.size()) break;
    TCommandLineArgument arg;
    arg.Begin = pos;
    arg.Text = NextArgument(commandLine, pos);
    arg.End = pos;
    args.push_back(arg);
  }
  return args;
}
