#include "app/uRelaunch_win.h"

#include <windows.h>

#include <string>

#include "app/uCommandLine.h"
#include "system/uFiles_win.h"
#include "system/uRestartDelete_win.h"

bool RelaunchFromTemp() {
  const std::string exe = files::ModuleFileName();
  if (CommandLineArgument(GetCommandLineA(), 1) == "START") {
    if (!exe.empty()) restart::DeleteFileAtRestart(exe);
    return true;
  }

  // Without a usable temporary folder or own path the copy would land in the wrong place:
  // end quietly instead, as a failed copy does.
  const std::string folder = files::TemporaryFolder();
  if (exe.empty() || folder.empty()) return false;
  const std::string copy = folder + files::ExtractFileName(exe);
  if (copy.size() >= MAX_PATH) return false;

  if (CopyFileA(exe.c_str(), copy.c_str(), FALSE)) {
    const std::string commandLine = "\"" + copy + "\" START " + files::GetShortPath(exe);
    WinExec(commandLine.c_str(), SW_SHOW);
  }
  return false;
}
