// `exeadder stamp`: a screen saver's uninstaller, named after its product and carrying the name of
// the screen saver's mutex, and the registry values that the product's installer writes.
#pragma once
#include <string>
#include <vector>

namespace toolstamp {

// Runs `stamp` with the arguments after the command; returns what it prints.
std::string CmdStamp(const std::vector<std::string>& args);

}  // namespace toolstamp
