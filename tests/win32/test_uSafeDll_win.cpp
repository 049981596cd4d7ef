#include <windows.h>

#include <gtest/gtest.h>

#include "system/uModulePath_win.h"
#include "system/uMbcs.h"
#include "system/uSafeDll_win.h"

namespace {

// dllprobe.dll is built beside this test program, like a DLL planted in the temporary folder
// beside the uninstaller's copy. Each test runs in a process of its own, so restricting the
// search here touches no other test.
TEST(SafeDll, PlantedDllIsNoLongerFoundBesideTheProgram) {
  const std::string planted = mbcs::ExtractFilePath(modulepath::ModuleFileName()) + "dllprobe.dll";
  ASSERT_NE(GetFileAttributesA(planted.c_str()), INVALID_FILE_ATTRIBUTES) << planted;

  HMODULE before = LoadLibraryA("dllprobe.dll");
  ASSERT_NE(before, nullptr) << "the program's folder is searched before the restriction";
  FreeLibrary(before);

  EXPECT_EQ(safedll::RestrictDllSearchPath(), safedll::TSearchRestriction::SystemFolderOnly);
  HMODULE after = LoadLibraryA("dllprobe.dll");
  EXPECT_EQ(after, nullptr);
  if (after) FreeLibrary(after);

  // The DLL itself is loadable: only the search stopped finding it.
  HMODULE byPath = LoadLibraryA(planted.c_str());
  EXPECT_NE(byPath, nullptr);
  if (byPath) FreeLibrary(byPath);
}

TEST(SafeDll, SystemLibrariesLoadByFullPath) {
  safedll::RestrictDllSearchPath();
  const std::string path = safedll::SystemLibraryPath("uxtheme.dll");
  char system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  EXPECT_EQ(path, std::string(system) + "\\uxtheme.dll");

  HMODULE theme = safedll::LoadSystemLibrary("uxtheme.dll");
  ASSERT_NE(theme, nullptr);
  EXPECT_NE(GetProcAddress(theme, "IsThemeActive"), nullptr);
  FreeLibrary(theme);
  EXPECT_EQ(safedll::LoadSystemLibrary("no-such-library.dll"), nullptr);
}

}  // namespace
