// Running a test inside a copy of its own test program that Wine starts under another Windows
// version, or under another file name, for code that reads the version or its own file name once
// per process.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "system/uPlatform_win.h"
#include "winsupport/uMachine.h"

namespace testsupport {

// Runs the current test in a copy of this program placed in its own temporary folder, named so
// that Wine gives it the Windows version `version` ("win98"), or the default when empty, and
// checks that it passed. The copy is named exeName (the uninstaller's name for a product, say),
// or after the version when exeName is empty. extraFiles are copied beside it: {source path,
// file name}.
// Returns true where the caller skips the rest of the test: in the parent, which has run the copy
// and checked it, and in a copy of another name (a test that runs one copy per case, in turn).
// False inside the copy of this name, which goes on with the test body.
bool RunInCopy(const std::string& version,
               const std::vector<std::pair<std::string, std::string>>& extraFiles = {},
               const std::string& exeName = std::string());

}  // namespace testsupport

// Runs the rest of the test in a copy of this program that Wine runs as Windows 98 (with the files
// given beside it), and there checks first that the system says so.
#define RUN_AS_WINDOWS_98_WITH(extraFiles)                                    \
  if (testsupport::RunInCopy(testsupport::kWin98, extraFiles)) return;        \
  ASSERT_TRUE(platform::IsWindows9xFamily())
#define RUN_AS_WINDOWS_98() RUN_AS_WINDOWS_98_WITH({})
