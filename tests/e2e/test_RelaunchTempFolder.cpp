// Started normally with a temporary folder that cannot be used, the program must not copy itself
// anywhere or start anything: it ends quietly, as when the copy fails.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "uScenario.h"

namespace e2e {
namespace {

std::string TemporaryFolder() {
  char buffer[MAX_PATH];
  const DWORD n = GetTempPathA(MAX_PATH, buffer);
  return std::string(buffer, n);
}

class RelaunchTempFolderTest : public TScenario {};

TEST_F(RelaunchTempFolderTest, TemporaryFolderLongerThan260BytesStartsNothing) {
  TSampleOptions options;
  const TSample sample = Install(options);
  const std::string usualCopy = TemporaryFolder() + "SampleUninst.exe";
  DeleteFileA(usualCopy.c_str());
  const TSampleState before = CaptureState(sample);

  // GetTempPathA takes TMP first; a folder of 300 bytes cannot come back in 260.
  const std::string longFolder = "C:\\" + std::string(296, 'x');
  DWORD exitCode = 1;
  {
    TScopedEnvironment tmp("TMP", longFolder);
    TScopedEnvironment temp("TEMP", longFolder);
    const TProcess& started = Start(sample.UninstallString());
    ASSERT_TRUE(started.handle);
    ASSERT_TRUE(WaitForExit(started, kDefaultWaitMs, &exitCode));
  }
  EXPECT_EQ(exitCode, 0u);
  EXPECT_FALSE(FileExists(usualCopy)) << "a copy went to the usual temporary folder";
  TWindowQuery main;
  main.className = kMainClass;
  EXPECT_TRUE(FindTopWindows(main).empty()) << "a window was shown";
  const TSampleState after = CaptureState(sample);
  EXPECT_TRUE(after == before) << "before:\n" << before.Describe() << "after:\n" << after.Describe();
}

}  // namespace
}  // namespace e2e
