// `exeadder strip`: a copy of a program without its block.
#pragma once
#include <string>
#include <vector>

namespace toolstrip {

// Runs `strip` with the arguments after the command; returns what it prints.
std::string CmdStrip(const std::vector<std::string>& args);

}  // namespace toolstrip
