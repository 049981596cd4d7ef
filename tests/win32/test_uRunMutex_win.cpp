#include <gtest/gtest.h>

#include "system/uPlatform_win.h"
#include "system/uRunMutex_win.h"
#include "winsupport/uMachine.h"
#include "winsupport/uRunInCopy.h"

namespace {

using runmutex::RunMutexHandle;

std::string UniqueName(const char* tag) {
  return std::string("{7C1E5A2B-uninst-test-") + tag + "-" + std::to_string(GetCurrentProcessId()) + "}";
}

bool MutexExists(const std::string& name) {
  handles::TUniqueKernelObject handle(OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()));
  return static_cast<bool>(handle);
}

// A second process holding the mutex, as the running screen saver does.
class TMutexHolder : public testsupport::THeldByHelper {
 public:
  explicit TMutexHolder(const std::string& name) : THeldByHelper("hold_named_mutex", "\"" + name + "\"", "") {}
};

void AbsentMutexIsCreatedAndHeldUntilReleased() {
  const std::string name = UniqueName("absent");
  ASSERT_FALSE(MutexExists(name));
  EXPECT_TRUE(runmutex::TryCreateRunMutex(name));
  EXPECT_EQ(runmutex::RunMutexName, name);
  EXPECT_TRUE(RunMutexHandle);
  EXPECT_TRUE(MutexExists(name));
  runmutex::ReleaseRunMutex();
  EXPECT_FALSE(RunMutexHandle);
  EXPECT_FALSE(MutexExists(name)) << "a handle to the mutex remains";
}

void MutexHeldByAnotherProcessMeansRunning() {
  const std::string name = UniqueName("held");
  TMutexHolder holder(name);
  ASSERT_TRUE(holder.Ready());

  EXPECT_FALSE(runmutex::TryCreateRunMutex(name));
  EXPECT_FALSE(RunMutexHandle);
  runmutex::ReleaseRunMutex();  // nothing to release
  EXPECT_TRUE(MutexExists(name));

  ASSERT_TRUE(holder.End());
  // Had this process kept a handle, the mutex would outlive the holder.
  EXPECT_FALSE(MutexExists(name));

  EXPECT_TRUE(runmutex::TryCreateRunMutex(name));
  runmutex::ReleaseRunMutex();
  EXPECT_FALSE(MutexExists(name));
}

TEST(RunMutex, AbsentMutexIsCreatedAndHeldUntilReleased) { AbsentMutexIsCreatedAndHeldUntilReleased(); }

TEST(RunMutex, MutexHeldByAnotherProcessMeansRunning) { MutexHeldByAnotherProcessMeansRunning(); }

TEST(RunMutex, AsWindows98) {
  RUN_AS_WINDOWS_98();
  AbsentMutexIsCreatedAndHeldUntilReleased();
  MutexHeldByAnotherProcessMeansRunning();
}

TEST(RunMutex, ReleaseWithoutHandleDoesNothing) {
  ASSERT_FALSE(RunMutexHandle);
  runmutex::ReleaseRunMutex();
  EXPECT_FALSE(RunMutexHandle);

  const std::string name = UniqueName("twice");
  ASSERT_TRUE(runmutex::TryCreateRunMutex(name));
  runmutex::ReleaseRunMutex();
  runmutex::ReleaseRunMutex();
  EXPECT_FALSE(RunMutexHandle);
  EXPECT_FALSE(MutexExists(name));

  handles::TUniqueKernelObject empty;
  runmutex::CloseMutexHandle(empty);
  EXPECT_FALSE(empty);
}

TEST(RunMutex, AnotherKindOfObjectUnderTheNameCountsAsRunning) {
  // The open finds no mutex and the create fails: reported as running, no handle kept, and the
  // create's own error handed back.
  const std::string name = UniqueName("event");
  handles::TUniqueKernelObject event(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
  ASSERT_TRUE(event);
  DWORD error = 0;
  EXPECT_FALSE(runmutex::TryCreateRunMutex(name, &error));
  EXPECT_FALSE(RunMutexHandle);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// A failed create is told apart from a mutex that exists by its error: the run logs it.
TEST(RunMutex, AFailedCreateHandsBackItsError) {
  DWORD error = 0;
  EXPECT_FALSE(runmutex::TryCreateRunMutex("Korvane\\" + UniqueName("backslash"), &error));
  EXPECT_FALSE(RunMutexHandle);
  EXPECT_NE(error, 0u);
  const std::string name = UniqueName("held-here");
  handles::TUniqueKernelObject held(CreateMutexA(nullptr, FALSE, name.c_str()));
  ASSERT_TRUE(held);
  error = ~0u;
  EXPECT_FALSE(runmutex::TryCreateRunMutex(name, &error));
  EXPECT_EQ(error, 0u) << "an existing mutex is no failure";
  EXPECT_TRUE(runmutex::TryCreateRunMutex(UniqueName("fresh"), &error));
  EXPECT_EQ(error, 0u);
  runmutex::ReleaseRunMutex();
}

TEST(RunMutex, CreateMutexIfAbsentWorksOnTheGivenVariable) {
  const std::string name = UniqueName("variable");
  handles::TUniqueKernelObject mine;
  ASSERT_TRUE(runmutex::CreateMutexIfAbsent(mine, name));
  ASSERT_TRUE(mine);
  // A second look while this process holds it: it exists, and the variable is left empty.
  handles::TUniqueKernelObject second;
  EXPECT_FALSE(runmutex::CreateMutexIfAbsent(second, name));
  EXPECT_FALSE(second);
  runmutex::CloseMutexHandle(mine);
  EXPECT_FALSE(mine);
  EXPECT_FALSE(MutexExists(name));
}

}  // namespace
