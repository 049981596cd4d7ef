// exeadder, the product builder's tool: makes each screen saver's uninstaller (a copy of
// Uninst.exe with a block of named items appended) and reads any block back with the
// uninstaller's own reader. Each command lives in a module of its own (uToolStamp, uToolAdd,
// uToolList, uToolStrip); this one runs them.
#pragma once
#include <string>
#include <vector>

namespace exeaddertool {

// Exit codes.
constexpr int kExitDone = 0;
constexpr int kExitRefused = 1;  // refused or failed: one line on standard error, nothing written
constexpr int kExitUsage = 2;    // wrong command line

struct TToolResult {
  int ExitCode = kExitDone;
  std::string Out;  // for standard output
  std::string Err;  // for standard error: one line, or nothing
};

// Runs one command; args are the arguments after the program's name, taken as bytes.
TToolResult RunExeAdder(const std::vector<std::string>& args);

}  // namespace exeaddertool
