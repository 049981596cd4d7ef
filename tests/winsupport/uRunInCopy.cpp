#include "winsupport/uRunInCopy.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "system/uFiles.h"
#include "system/uFiles_win.h"
#include "winsupport/uMachine.h"

namespace testsupport {
namespace {

const char kCopyMarker[] = "UNINST_TEST_IN_COPY";

}  // namespace

bool RunInCopy(const std::string& version,
               const std::vector<std::pair<std::string, std::string>>& extraFiles,
               const std::string& exeName) {
  const std::string tag = version.empty() ? "default" : version;
  const std::string copyName = exeName.empty() ? "win32_tests_" + tag + ".exe" : exeName;
  const std::string self = files::ModuleFileName();
  char marker[8] = {};
  if (GetEnvironmentVariableA(kCopyMarker, marker, sizeof(marker)) > 0) {
    if (lstrcmpiA(files::ExtractFileName(self).c_str(), copyName.c_str()) != 0) return true;
    // Tells the parent that the filter found the test and its body ran here.
    WriteFileBytes(OwnFolder() + "ran", "");
    return false;
  }

  const std::string folder = FreshTempFolder("uninst-test-" + tag);
  EXPECT_TRUE(CopyFileA(self.c_str(), (folder + copyName).c_str(), FALSE)) << copyName;
  for (const auto& file : extraFiles) {
    EXPECT_TRUE(CopyFileA(file.first.c_str(), (folder + file.second).c_str(), FALSE)) << file.first;
  }

  // Wine reads HKCU\Software\Wine\AppDefaults\<file name>\Version when a program starts.
  if (version.empty()) {
    ClearProgramWindowsVersion(copyName);
  } else {
    EXPECT_TRUE(SetProgramWindowsVersion(copyName, version));
  }

  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string command = "\"" + folder + copyName + "\" --gtest_filter=" +
                              test->test_suite_name() + "." + test->name();
  SetEnvironmentVariableA(kCopyMarker, "1");
  const DWORD code = RunToEnd(command);
  SetEnvironmentVariableA(kCopyMarker, nullptr);
  EXPECT_EQ(code, 0u) << "the test failed in the copy running as " << copyName << " (" << tag << ")";
  EXPECT_TRUE(FileExists(folder + "ran")) << "the copy did not run the test";
  return true;
}

}  // namespace testsupport
