// Paths and files that the file system answers for: short forms, the program's own path, the
// system's folders, existence of files and folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/uWholeFile.h"
#include "system/uFiles_win.h"
#include "winsupport/uImportHook.h"
#include "winsupport/uMachine.h"

namespace {

using testsupport::ShortPathOf;

TEST(Files, ShortPathOfLongPathsIsTheSystemsShortForm) {
  const std::string base = testsupport::FreshTempFolder("uninst short path test");
  const std::string file = base + "A Rather Long File Name.scr";
  const std::string japanese = base + "表示スクリーンセーバー.scr";  // Wine: an ASCII alias
  const std::string folder = base + "Long Folder Name";
  ASSERT_TRUE(testsupport::WriteFileBytes(file, "x"));
  ASSERT_TRUE(testsupport::WriteFileBytes(japanese, "x"));
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  for (const std::string& path : {file, japanese, folder, folder + "\\"}) {
    const std::string expected = ShortPathOf(path);
    ASSERT_LT(expected.size(), path.size()) << path;
    EXPECT_EQ(files::GetShortPath(path), expected) << path;
  }
}

TEST(Files, ShortPathFallsBackToTheInput) {
  const std::string base = testsupport::FreshTempFolder("uninst short path test");
  const std::string shortFile = ShortPathOf(base) + "A.TXT";
  ASSERT_TRUE(testsupport::WriteFileBytes(shortFile, "x"));
  const std::string cases[] = {
      base + "Missing File Name.scr",  // no such path
      shortFile,                          // already short: the short form does not fit
      "C:\\",
      "",
  };
  for (const std::string& path : cases) EXPECT_EQ(files::GetShortPath(path), path) << path;
}

// With the system's own lead bytes: the second byte 0x5C of "表" is no delimiter.
TEST(Files, TrailBackslashIsNoDelimiter) {
  EXPECT_EQ(files::ExtractFileName("C:\\dir\\\x95\x5CUninst.exe"), "\x95\x5CUninst.exe");
  EXPECT_EQ(files::IncludeTrailingDelimiter("C:\\\x95\x5C"), "C:\\\x95\x5C\\");
}

// A drive's root has nothing on the way to it (a temporary folder set to "C:\" is usable); a
// path whose folders cannot be told apart is taken as lying behind one.
TEST(Files, ReparsePointsOnTheWay) {
  EXPECT_FALSE(files::LiesBehindReparsePoint("C:\\"));
  EXPECT_FALSE(files::LiesBehindReparsePoint(testsupport::TempFolder()));
  for (const char* unclear : {"Temp\\", "\\\\.\\C:\\", "\\\\?\\C:\\Temp\\"}) {
    EXPECT_TRUE(files::LiesBehindReparsePoint(unclear)) << unclear;
  }
}

TEST(Files, ModuleFileNameIsTheRunningExecutable) {
  char expected[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, expected, MAX_PATH);
  EXPECT_EQ(files::ModuleFileName(), expected);
  EXPECT_EQ(files::ExtractFileName(files::ModuleFileName()), "win32_tests.exe");
  EXPECT_EQ(files::ModuleFileName(GetModuleHandleA("kernel32.dll")), files::SystemFolder() + "kernel32.dll");
}

TEST(Files, SystemFoldersEndInTheirDelimiter) {
  char system[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  EXPECT_EQ(files::SystemFolder(), std::string(system) + "\\");
  EXPECT_EQ(files::TemporaryFolder(), testsupport::TempFolder());
  EXPECT_EQ(files::WininitPath(), testsupport::WindowsFolder() + "WININIT.INI");
  EXPECT_EQ(files::WindowsFolder(), testsupport::WindowsFolder());
  EXPECT_EQ(files::SystemTemporaryFolder(), testsupport::WindowsFolder() + "Temp\\");
}

TEST(Files, ExistenceTellsFilesFromFolders) {
  const std::string folder = testsupport::FreshTempFolder("uninst exists test");
  ASSERT_TRUE(testsupport::WriteFileBytes(folder + "file.txt", "x"));
  struct Case {
    std::string path;
    bool file, path_;
  } cases[] = {
      {folder + "file.txt", true, true},
      {folder, false, true},
      {folder + "missing.txt", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(files::FileExists(c.path), c.file) << c.path;
    EXPECT_EQ(files::PathExists(c.path), c.path_) << c.path;
  }
}

// The whole-file helpers report the system's error code and leave what they could not change.
TEST(Files, WholeFileReadWriteAndReplace) {
  const std::string folder = testsupport::FreshTempFolder("uninst whole file test");
  const std::string file = folder + "a.ini";
  EXPECT_EQ(files::WriteWholeFile(file, "one\r\n"), 0u);
  std::string content = "untouched";
  EXPECT_EQ(ReadWholeFile(folder + "missing.ini", content), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ReadWholeFile(folder, content), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(content, "untouched");
  EXPECT_EQ(ReadWholeFile(file, content), 0u);
  EXPECT_EQ(content, "one\r\n");
  EXPECT_EQ(files::ReplaceWholeFile(file, "two\r\n"), 0u);
  EXPECT_EQ(testsupport::ReadFileBytes(file), "two\r\n");
  {
    // Held open without sharing: it cannot be replaced, and stays as it was.
    TFileHandle holder(CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_NE(files::ReplaceWholeFile(file, "three\r\n"), 0u);
  }
  EXPECT_EQ(testsupport::ReadFileBytes(file), "two\r\n");
  EXPECT_EQ(testsupport::FileSizeOf(folder + "a.ini"), 5u);
}

// A rename that fails the way a program briefly holding the file makes it fail: those of the new
// content onto the file's name a given number of times, all of them when the count is negative,
// and with restores, those of the old content back too.
// It stands in for MoveFileA in this program's imports, which the file layer's renames go through.
int g_failuresLeft = 0;
bool g_restoresFail = false;
std::string g_newContent;
const testsupport::TImportHook* g_renameHook = nullptr;
BOOL WINAPI FailingRename(LPCSTR from, LPCSTR to) {
  const bool isNew = testsupport::ReadFileBytes(from) == g_newContent;
  if (files::ExtractFileName(to) == "a.ini" && (isNew ? g_failuresLeft != 0 : g_restoresFail)) {
    if (isNew && g_failuresLeft > 0) --g_failuresLeft;
    SetLastError(ERROR_SHARING_VIOLATION);
    return FALSE;
  }
  return g_renameHook->Original<decltype(&MoveFileA)>()(from, to);
}

// The files in folder other than the one replaced: name and content.
std::vector<std::pair<std::string, std::string>> OtherFiles(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> found;
  for (const WIN32_FIND_DATAA& entry : testsupport::FindFiles(folder + "*")) {
    const std::string name = entry.cFileName;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "a.ini") {
      found.emplace_back(name, testsupport::ReadFileBytes(folder + name));
    }
  }
  return found;
}

// The old file is set aside, not deleted, until the new one has its name: a final rename that
// keeps failing gives the old file back, and where even that fails, both complete files stay in
// the folder. A rename that fails only briefly is tried again.
TEST(Files, ReplaceNeverDeletesTheOnlyCompleteCopy) {
  struct TCase {
    const char* what;
    int failures;
    bool restoresFail;
    bool replaced;
    std::string file;  // afterwards; empty: missing
    std::vector<std::string> others;  // contents of the files left beside it
  } cases[] = {
      {"the final rename fails once", 1, false, true, "new\r\n", {}},
      {"the final rename keeps failing", -1, false, false, "old\r\n", {}},
      {"the restore fails too", -1, true, false, "", {"new\r\n", "old\r\n"}},
  };
  const testsupport::TImportHook hook("KERNEL32.dll", "MoveFileA", reinterpret_cast<const void*>(&FailingRename));
  ASSERT_TRUE(hook.Installed());
  g_renameHook = &hook;
  for (const TCase& c : cases) {
    const std::string folder = testsupport::FreshTempFolder("uninst replace test");
    const std::string file = folder + "a.ini";
    ASSERT_TRUE(testsupport::WriteFileBytes(file, "old\r\n"));
    g_failuresLeft = c.failures;
    g_restoresFail = c.restoresFail;
    g_newContent = "new\r\n";
    const DWORD code = files::ReplaceWholeFile(file, g_newContent);
    EXPECT_EQ(code == 0, c.replaced) << c.what << ": " << code;
    EXPECT_EQ(testsupport::FileExists(file), !c.file.empty()) << c.what;
    EXPECT_EQ(testsupport::ReadFileBytes(file), c.file) << c.what;
    std::vector<std::string> others;
    for (const auto& other : OtherFiles(folder)) others.push_back(other.second);
    std::sort(others.begin(), others.end());
    EXPECT_EQ(others, c.others) << c.what;
  }
}

}  // namespace
