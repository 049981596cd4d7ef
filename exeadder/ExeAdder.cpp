// Entry of exeadder (ExeAdder.exe on Windows, a console program).
#include <cstdio>
#include <string>
#include <vector>

#include "exeadder/uExeAdderTool.h"

#ifdef _WIN32
// Arguments are taken as they are: no expansion of wildcards by the C runtime.
int _dowildcard = 0;
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  const exeaddertool::TToolResult result = exeaddertool::RunExeAdder(args);
  if (!result.Out.empty()) std::fwrite(result.Out.data(), 1, result.Out.size(), stdout);
  std::fflush(stdout);
  if (!result.Err.empty()) std::fwrite(result.Err.data(), 1, result.Err.size(), stderr);
  return result.ExitCode;
}
