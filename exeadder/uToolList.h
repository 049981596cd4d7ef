// `exeadder list`: a file's block as the uninstaller reads it, and whether a signature covers it.
#pragma once
#include <string>
#include <vector>

namespace toollist {

// Runs `list` with the arguments after the command; returns what it prints.
std::string CmdList(const std::vector<std::string>& args);

}  // namespace toollist
