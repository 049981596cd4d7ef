// How a command of the builder's tool gives up: a refusal ends the command with one line on
// standard error and an exit status; --help ends it with the usage text.
#pragma once
#include <string>

#include "exeadder/uExeAdderTool.h"

namespace toolrefusal {

struct TRefusal {
  int ExitCode;
  std::string Message;
};

// --help anywhere among the options.
struct THelpWanted {};

// Refused or failed: exit status 1, nothing written.
[[noreturn]] inline void Refuse(const std::string& message) { throw TRefusal{exeaddertool::kExitRefused, message}; }

// A wrong command line: exit status 2.
[[noreturn]] inline void Usage(const std::string& message) {
  throw TRefusal{exeaddertool::kExitUsage, message + " (exeadder --help describes the commands)"};
}

}  // namespace toolrefusal
