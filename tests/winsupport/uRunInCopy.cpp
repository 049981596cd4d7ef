#include "winsupport/uRunInCopy.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "winsupport/uMachine.h"

namespace testsupport {
namespace {

const char kCopyMarker[] = "UNINST_TEST_IN_COPY";

}  // namespace

bool RunInCopy(const std::string& version,
               const std::vector<std::pair<std::string, std::string>>& extraFiles) {
  char marker[8] = {};
  if (GetEnvironmentVariableA(kCopyMarker, marker, sizeof(marker)) > 0) {
    // Tells the parent that the filter found the test and its body ran here.
    WriteFileBytes(OwnFolder() + "ran", "");
    return false;
  }

  const std::string tag = version.empty() ? "default" : version;
  const std::string exeName = "win32_tests_" + tag + ".exe";
  const std::string folder = FreshTempFolder("uninst-test-" + tag);
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  EXPECT_TRUE(CopyFileA(self, (folder + exeName).c_str(), FALSE));
  for (const auto& file : extraFiles) {
    EXPECT_TRUE(CopyFileA(file.first.c_str(), (folder + file.second).c_str(), FALSE)) << file.first;
  }

  // Wine reads HKCU\Software\Wine\AppDefaults\<file name>\Version when a program starts.
  if (version.empty()) {
    ClearProgramWindowsVersion(exeName);
  } else {
    EXPECT_TRUE(SetProgramWindowsVersion(exeName, version));
  }

  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string command = "\"" + folder + exeName + "\" --gtest_filter=" +
                              test->test_suite_name() + "." + test->name();
  SetEnvironmentVariableA(kCopyMarker, "1");
  const DWORD code = RunToEnd(command);
  SetEnvironmentVariableA(kCopyMarker, nullptr);
  EXPECT_EQ(code, 0u) << "the test failed in the copy running as " << tag;
  EXPECT_TRUE(FileExists(folder + "ran")) << "the copy did not run the test";
  return true;
}

}  // namespace testsupport
