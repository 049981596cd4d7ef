// Helpers shared by the Windows tests: paths, files, child processes, and running a test inside
// a copy of this test program under another Windows version of Wine.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "system/uHandles_win.h"

namespace testsupport {

// Wine's per-program Windows version that reports the Windows 95/98/Me family.
extern const char kWin98[];

// Windows path of a Unix path of the build tree (Wine maps "/" to drive Z:).
std::string FromUnixPath(const std::string& unixPath);
// Windows path of a program built into the e2e folder, e.g. E2EProgram("hold_named_mutex.exe").
std::string E2EProgram(const std::string& fileName);
// The folder of this running test program, with its trailing "\".
std::string OwnFolder();
// A fresh, empty folder under the temporary folder, with its trailing "\".
std::string FreshTempFolder(const std::string& name);

std::string ReadFileBytes(const std::string& path);  // empty when missing
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// GetShortPathNameA with a buffer that always fits.
std::string SystemShortPath(const std::string& path);

struct TProcess {
  handles::TUniqueHandleObj Handle;
  DWORD Id = 0;
  explicit operator bool() const { return static_cast<bool>(Handle); }
};
// Starts a command line; the child inherits this process's console and handles.
TProcess StartProcess(const std::string& commandLine);
// Waits for the process to end (generous limit) and returns its exit code, or ~0u if it did not.
DWORD WaitForExit(const TProcess& process);
// Runs a command line to its end and returns its exit code.
DWORD RunToEnd(const std::string& commandLine);

// Polls until condition holds, for up to about a minute. Returns whether it held.
bool WaitUntil(const std::function<bool()>& condition);

// Runs the current test in a copy of this program placed in its own temporary folder, named so
// that Wine gives it the Windows version `version` ("win98"), or the default when empty, and
// checks that it passed. extraFiles are copied beside it: {source path, file name}.
// Returns true in the parent, which should end the test there; false inside the copy, which
// goes on with the test body.
bool RunInCopy(const std::string& version,
               const std::vector<std::pair<std::string, std::string>>& extraFiles = {});

}  // namespace testsupport
