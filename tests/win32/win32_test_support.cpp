#include "win32/win32_test_support.h"

#include <gtest/gtest.h>

namespace testsupport {
namespace {

const char kCopyMarker[] = "UNINST_TEST_IN_COPY";

}  // namespace

const char kWin98[] = "win98";

std::string FromUnixPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string E2EProgram(const std::string& fileName) {
  return FromUnixPath(E2E_BIN_DIR) + "\\" + fileName;
}

std::string OwnFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

namespace {

void DeleteTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(folder + name + "\\");
      } else {
        SetFileAttributesA((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((folder + name).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

}  // namespace

std::string FreshTempFolder(const std::string& name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + name + "\\";
  DeleteTree(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::string ReadFileBytes(const std::string& path) {
  handles::TUniqueFile file(CreateFileA(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::string();
  std::string bytes(GetFileSize(file.get(), nullptr), '\0');
  DWORD done = 0;
  if (!bytes.empty()) ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &done, nullptr);
  bytes.resize(done);
  return bytes;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  handles::TUniqueFile file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file) return false;
  DWORD done = 0;
  return bytes.empty() ||
         (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
          done == bytes.size());
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string SystemShortPath(const std::string& path) {
  char buffer[MAX_PATH * 2] = {};
  const DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof(buffer));
  return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : std::string();
}

TProcess StartProcess(const std::string& commandLine) {
  std::string command = commandLine;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  TProcess process;
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &info)) {
    process.Handle.reset(info.hProcess);
    process.Id = info.dwProcessId;
    CloseHandle(info.hThread);
  }
  return process;
}

DWORD WaitForExit(const TProcess& process) {
  if (!process || WaitForSingleObject(process.Handle.get(), 120000) != WAIT_OBJECT_0) return ~0u;
  DWORD code = ~0u;
  GetExitCodeProcess(process.Handle.get(), &code);
  return code;
}

DWORD RunToEnd(const std::string& commandLine) { return WaitForExit(StartProcess(commandLine)); }

bool WaitUntil(const std::function<bool()>& condition) {
  for (int i = 0; i < 600; ++i) {
    if (condition()) return true;
    Sleep(100);
  }
  return condition();
}

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
  const std::string key = "Software\\Wine\\AppDefaults\\" + exeName;
  if (version.empty()) {
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  } else {
    handles::TUniqueKey appKey;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, appKey.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(appKey.get(), "Version", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>(version.size() + 1));
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
