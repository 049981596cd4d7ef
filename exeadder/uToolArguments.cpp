#include "exeadder/uToolArguments.h"

#include "exeadder/uToolRefusal.h"

namespace toolarguments {

using toolrefusal::Usage;

TCommandLine Parse(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                   const std::set<std::string>& flagOptions, bool allowItems) {
  // Each item option: whether its value names a file, whether the item is stored compressed.
  static const std::map<std::string, std::pair<bool, bool>> kItemOptions = {
      {"--text", {false, false}}, {"--file", {true, false}}, {"--ztext", {false, true}}, {"--zfile", {true, true}}};
  TCommandLine line;
  bool optionsEnd = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnd || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      line.Positional.push_back(arg);
    } else if (arg == "--") {
      optionsEnd = true;
    } else if (arg == "--help") {
      throw toolrefusal::THelpWanted();
    } else if (allowItems && kItemOptions.count(arg)) {
      if (i + 2 >= args.size()) Usage(arg + " needs a name and a " + (kItemOptions.at(arg).first ? "file" : "text"));
      line.Items.push_back({args[i + 1], args[i + 2], kItemOptions.at(arg).first, kItemOptions.at(arg).second});
      i += 2;
    } else if (valueOptions.count(arg)) {
      if (i + 1 >= args.size()) Usage(arg + " needs a value");
      if (!line.Values.emplace(arg, args[i + 1]).second) Usage(arg + " is given twice");
      ++i;
    } else if (flagOptions.count(arg)) {
      line.Flags.insert(arg);
    } else {
      Usage("unknown option " + arg);
    }
  }
  return line;
}

uint32_t ParseKey(const std::string& text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  uint64_t value = 0;
  for (char digitChar : digits) {
    int digit = -1;
    if (digitChar >= '0' && digitChar <= '9') digit = digitChar - '0';
    if (hex && digitChar >= 'a' && digitChar <= 'f') digit = digitChar - 'a' + 10;
    if (hex && digitChar >= 'A' && digitChar <= 'F') digit = digitChar - 'A' + 10;
    if (digit < 0) Usage("--key " + text + " is not a number");
    value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (value > UINT32_MAX) Usage("--key " + text + " does not fit 32 bits");
  }
  if (digits.empty()) Usage("--key needs a number");
  return static_cast<uint32_t>(value);
}

std::string OutputOf(const TCommandLine& line, const char* command) {
  const std::size_t count = line.Positional.size();
  if (count == 2) return line.Positional[1];
  if (count == 1 && line.Has("--in-place")) return line.Positional[0];
  Usage(std::string(command) + " needs IN and OUT");
}

}  // namespace toolarguments
