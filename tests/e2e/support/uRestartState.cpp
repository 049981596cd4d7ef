#include "support/uRestartState.h"

#include <algorithm>

#include "support/uSample.h"
#include "system/uHandles_win.h"

namespace e2e {
namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";
const char kAppDefaults[] = "Software\\Wine\\AppDefaults";

// Names unique to this process and call, for the helper's events.
std::string UniqueName(const char* what) {
  static unsigned serial = 0;
  return std::string("KorvaneE2E-") + what + "-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++serial);
}

}  // namespace

std::vector<std::string> PendingRenameStrings() {
  handles::TUniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), kPendingValue, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return {};
  std::string data(size, '\0');
  if (RegQueryValueExA(key.get(), kPendingValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]), &size) !=
      ERROR_SUCCESS)
    return {};
  data.resize(size);
  std::vector<std::string> items;
  std::size_t start = 0;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\0') {
      items.push_back(data.substr(start, i - start));
      start = i + 1;
    }
  }
  // The list's closing zero (and any padding zeros) leave empty strings at the end.
  while (items.size() % 2 != 0 && !items.empty() && items.back().empty()) items.pop_back();
  return items;
}

void ClearPendingRenames() {
  handles::TUniqueKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
    RegDeleteValueA(key.get(), kPendingValue);
}

std::string WindowsFolder() {
  char buffer[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryA(buffer, MAX_PATH);
  std::string folder(buffer, n < MAX_PATH ? n : 0);
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::string WininitPath() { return WindowsFolder() + "WININIT.INI"; }

void ClearWininit() {
  DeleteFileA(WininitPath().c_str());
  DeleteFileA((WindowsFolder() + "wininit.bak").c_str());
}

bool RestartWine() {
  TProcess boot = StartCommandLine("wineboot.exe -r");
  if (!boot.handle) return false;
  return WaitForExit(boot, 5 * kDefaultWaitMs);
}

std::string TempFolder() {
  char buffer[MAX_PATH] = {};
  const DWORD n = GetTempPathA(MAX_PATH, buffer);
  std::string folder(buffer, n < MAX_PATH ? n : 0);
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::string ShortPathOf(const std::string& path) {
  char buffer[MAX_PATH] = {};
  const DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
  return (n == 0 || n >= MAX_PATH) ? path : std::string(buffer, n);
}

std::string ReadFileBytes(const std::string& path) {
  handles::TUniqueFile f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return std::string();
  const DWORD size = GetFileSize(f.get(), nullptr);
  if (size == INVALID_FILE_SIZE) return std::string();
  std::string data(size, '\0');
  DWORD got = 0;
  if (size != 0 && !ReadFile(f.get(), &data[0], size, &got, nullptr)) return std::string();
  data.resize(got);
  return data;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  handles::TUniqueFile f(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  DWORD written = 0;
  return bytes.empty() ||
         (WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
          written == bytes.size());
}

unsigned long long FileSizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool SetProgramWindowsVersion(const std::string& exeName, const std::string& version) {
  handles::TUniqueKey key;
  const std::string path = std::string(kAppDefaults) + "\\" + exeName;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS)
    return false;
  return RegSetValueExA(key.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                        static_cast<DWORD>(version.size() + 1)) == ERROR_SUCCESS;
}

void ClearProgramWindowsVersion(const std::string& exeName) {
  DeleteKeyTree(HKEY_CURRENT_USER, std::string(kAppDefaults) + "\\" + exeName);
}

std::string ToolPath(const std::string& tool) { return WinePathOf(std::string(E2E_BIN_DIR) + "/" + tool + ".exe"); }

THeldByHelper::THeldByHelper(const std::string& tool, const std::string& leading, const std::string& trailing) {
  const std::string readyName = UniqueName("ready");
  const std::string quitName = UniqueName("quit");
  readyEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
  quitEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, quitName.c_str()));
  if (!readyEvent_ || !quitEvent_) return;
  std::string commandLine = "\"" + ToolPath(tool) + "\"";
  if (!leading.empty()) commandLine += " " + leading;
  commandLine += " " + readyName + " " + quitName;
  if (!trailing.empty()) commandLine += " " + trailing;
  process_ = StartCommandLine(commandLine);
  if (!process_.handle) return;
  // Ready, or the helper gave up (it ends when it cannot hold what it was asked to).
  const HANDLE waitOn[] = {readyEvent_.get(), process_.handle.get()};
  ready_ = WaitForMultipleObjects(2, waitOn, FALSE, kDefaultWaitMs) == WAIT_OBJECT_0;
}

THeldByHelper::~THeldByHelper() { End(); }

bool THeldByHelper::End() {
  if (!process_.handle) return true;
  SetEvent(quitEvent_.get());
  bool clean = WaitForExit(process_);
  if (!clean) {
    TerminateProcess(process_.handle.get(), 1);
    WaitForExit(process_);
  }
  process_ = TProcess();
  return clean;
}

}  // namespace e2e
