// The command line of a command of the builder's tool: positional arguments, the options that the
// command allows, and items. A wrong command line is refused with exit status 2.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace toolarguments {

// An item option: --text, --file, --ztext or --zfile NAME VALUE.
struct TItemSource {
  std::string Name;
  std::string Value;  // the text, or the name of the file that holds the data
  bool FromFile = false;
  bool Compressed = false;
};

struct TCommandLine {
  std::vector<std::string> Positional;
  std::map<std::string, std::string> Values;
  std::set<std::string> Flags;
  std::vector<TItemSource> Items;

  bool Has(const std::string& flag) const { return Flags.count(flag) != 0; }
  std::string Value(const std::string& option, const std::string& fallback = std::string()) const {
    const auto found = Values.find(option);
    return found == Values.end() ? fallback : found->second;
  }
};

// Splits args (after the command) into positional arguments, the options that the command
// allows and, when allowItems, item options; everything after "--" is positional. Throws
// toolrefusal::THelpWanted for --help.
TCommandLine Parse(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                   const std::set<std::string>& flagOptions, bool allowItems);

// The value of --key: 0 to 0xFFFFFFFF, decimal or 0x hexadecimal.
uint32_t ParseKey(const std::string& text);

// The output file of a command that takes IN and OUT: OUT, or IN itself with --in-place and no
// OUT.
std::string OutputOf(const TCommandLine& line, const char* command);

}  // namespace toolarguments
