#include <windows.h>

#include <gtest/gtest.h>

#include "system/uFiles_win.h"
#include "system/uSafeDll_win.h"

namespace {

// dllprobe.dll is built beside this test program, like a DLL planted in the temporary folder
// beside the uninstaller's copy. Each test runs in a process of its own, so restricting the
// search here touches no other test.
TEST(SafeDll, PlantedDllIsNoLongerFoundBesideTheProgram) {
  const std::string planted = files::ExtractFilePath(files::ModuleFileName()) + "dllprobe.dll";
  ASSERT_NE(GetFileAttributesA(planted.c_str()), INVALID_FILE_ATTRIBUTES) << planted;

  HMODULE before = LoadLibraryA("dllprobe.dll");
  ASSERT_NE(before, nullptr) << "the program's folder is searched before the restriction";
  FreeLibrary(before);

  safedll::RestrictDllSearchPath();
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
  const handles::TUniqueModule theme = safedll::LoadSystemLibrary("uxtheme.dll");
  ASSERT_TRUE(theme);
  EXPECT_EQ(files::ModuleFileName(theme.get()), files::SystemFolder() + "uxtheme.dll");
  EXPECT_NE(GetProcAddress(theme.get(), "IsThemeActive"), nullptr);
  EXPECT_FALSE(safedll::LoadSystemLibrary("no-such-library.dll"));
}

TEST(SafeDll, GetProcGivesTypedFunctionsOrNull) {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const auto getCurrentProcessId = safedll::GetProc<DWORD(WINAPI*)()>(kernel, "GetCurrentProcessId");
  ASSERT_NE(getCurrentProcessId, nullptr);
  EXPECT_EQ(getCurrentProcessId(), GetCurrentProcessId());
  EXPECT_EQ(safedll::GetProc<DWORD(WINAPI*)()>(kernel, "NoSuchFunction"), nullptr);
  EXPECT_EQ(safedll::GetProc<DWORD(WINAPI*)()>(nullptr, "GetCurrentProcessId"), nullptr);
}

}  // namespace
