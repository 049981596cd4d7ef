// Running a test inside a copy of its own test program that Wine starts under another Windows
// version, for code that reads the version once per process.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Runs the current test in a copy of this program placed in its own temporary folder, named so
// that Wine gives it the Windows version `version` ("win98"), or the default when empty, and
// checks that it passed. extraFiles are copied beside it: {source path, file name}.
// Returns true in the parent, which should end the test there; false inside the copy, which
// goes on with the test body.
bool RunInCopy(const std::string& version,
               const std::vector<std::pair<std::string, std::string>>& extraFiles = {});

}  // namespace testsupport
