#include "app/uRelaunch_win.h"

#include <windows.h>

#include <string>

#include "app/uCommandLine.h"
#include "system/uMbcs.h"
#include "system/uModulePath_win.h"
#include "system/uPaths_win.h"
#include "system/uRestartDelete_win.h"

namespace {

// The temporary folder with its trailing "\"; empty when it cannot be had within 260 bytes.
std::string TemporaryFolder() {
  char buffer[MAX_PATH];
  const DWORD n = GetTempPathA(MAX_PATH, buffer);
  if (n == 0 || n >= MAX_PATH) return std::string();
  std::string folder(buffer, n);
  if (mbcs::LastDelimiter("\\", folder) != folder.size() - 1) folder += '\\';
  return folder;
}

}  // namespace

bool RelaunchFromTemp() {
  const std::string exe = modulepath::ModuleFileName();
  if (CommandLineArgument(GetCommandLineA(), 1) == "START") {
    if (!exe.empty()) restart::DeleteFileAtRestart(exe);
    return true;
  }

  // Without a usable temporary folder or own path the copy would land in the wrong place:
  // end quietly instead, as a failed copy does.
  const std::string folder = TemporaryFolder();
  if (exe.empty() || folder.empty()) return false;
  const std::string copy = folder + mbcs::ExtractFileName(exe);
  if (copy.size() >= MAX_PATH) return false;

  if (CopyFileA(exe.c_str(), copy.c_str(), FALSE)) {
    const std::string commandLine = "\"" + copy + "\" START " + paths::GetShortPath(exe);
    WinExec(commandLine.c_str(), SW_SHOW);
  }
  return false;
}
