// What an uninstall leaves for the next start of Windows, and the machine state around it that
// scenarios set up and reset: the pending rename operations (NT family), WININIT.INI (Windows
// 95/98/Me), the temporary folder the program copies itself to, Wine's per-program Windows
// version, and helper processes that hold files or a mutex for the length of a scenario.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "support/uDriver.h"

namespace e2e {

// --- deletion at the next start --------------------------------------------------------------

// The strings of HKLM\...\Session Manager\PendingFileRenameOperations in order, empty ones (no
// new name) included; empty when the value is missing.
std::vector<std::string> PendingRenameStrings();
void ClearPendingRenames();

// %windir% with its trailing "\".
std::string WindowsFolder();
std::string WininitPath();
// Removes WININIT.INI and the wininit.bak a restart leaves.
void ClearWininit();

// A Wine restart: carries out the pending operations and WININIT.INI as a start of Windows does.
// False when wineboot could not be started or did not end.
bool RestartWine();

// --- files -----------------------------------------------------------------------------------

// The user's temporary folder (GetTempPathA) with its trailing "\".
std::string TempFolder();
// GetShortPathNameA of an existing path; the path itself when there is no short form.
std::string ShortPathOf(const std::string& path);
// Whole content; empty when the file cannot be read.
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
unsigned long long FileSizeOf(const std::string& path);
bool PathExists(const std::string& path);

// --- Wine's Windows version per program -------------------------------------------------------

// HKCU\Software\Wine\AppDefaults\<exeName>\Version := version ("win98"); applies to every
// executable of that file name, wherever it lies.
bool SetProgramWindowsVersion(const std::string& exeName, const std::string& version);
void ClearProgramWindowsVersion(const std::string& exeName);

// --- helper processes ------------------------------------------------------------------------

// A helper tool (tests/e2e/tools) that takes a ready and a quit event name among its arguments,
// signals ready once it holds what it was asked to hold, and lets go when told to
// end. The destructor ends it (asking first, forcing if it does not answer).
class THeldByHelper {
 public:
  // tool: file name without ".exe" in the e2e tool folder. Its command line is the leading
  // arguments, the ready and quit event names, then the trailing ones (each quoted as needed).
  THeldByHelper(const std::string& tool, const std::string& leading, const std::string& trailing);
  ~THeldByHelper();
  THeldByHelper(const THeldByHelper&) = delete;
  THeldByHelper& operator=(const THeldByHelper&) = delete;

  // True once the helper has signalled that it holds everything.
  bool Ready() const { return ready_; }
  // Asks the helper to let go and waits until it has ended. False when it had to be forced.
  bool End();

 private:
  handles::TUniqueHandleObj readyEvent_;
  handles::TUniqueHandleObj quitEvent_;
  TProcess process_;
  bool ready_ = false;
};

// Path of an e2e tool executable as seen inside Wine.
std::string ToolPath(const std::string& tool);

}  // namespace e2e
