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
  std::vector<std::string> Args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  const TToolResult Result = RunExeAdder(Args);
  if (!Result.Out.empty()) std::fwrite(Result.Out.data(), 1, Result.Out.size(), stdout);
  std::fflush(stdout);
  if (!Result.Err.empty()) std::fwrite(Result.Err.data(), 1, Result.Err.size(), stderr);
  return Result.ExitCode;
}
