// The platform family, as the system reports it to the program: the NT family as Wine runs a
// program by default, Windows 95/98/Me in a copy that Wine runs as Windows 98.
#include <windows.h>

#include <gtest/gtest.h>

#include "system/uPlatform_win.h"
#include "winsupport/uRunInCopy.h"

namespace {

TEST(Platform, NTFamilyByDefault) {
  const platform::TWindowsVersion& version = platform::WindowsVersion();
  EXPECT_EQ(version.PlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_GE(version.Major, 5u);
  EXPECT_TRUE(platform::IsNTFamily());
  EXPECT_FALSE(platform::IsWindows9xFamily());
  // Read once: the same object every time.
  EXPECT_EQ(&platform::WindowsVersion(), &version);
}

TEST(Platform, Windows98IsThe9xFamilyOnly) {
  RUN_AS_WINDOWS_98();
  const platform::TWindowsVersion& version = platform::WindowsVersion();
  EXPECT_EQ(version.PlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
  EXPECT_EQ(version.Major, 4u);
  EXPECT_EQ(version.Minor, 10u);
  EXPECT_FALSE(platform::IsNTFamily());
}

}  // namespace
