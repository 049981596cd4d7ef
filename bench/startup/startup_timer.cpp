// Times the start-up of the installed uninstaller against the minimal relaunching program: from
// starting the program without arguments until its temporary copy's main window is visible.
// Usage: startup_timer <runs> <uninstaller exe> <minimal exe>
// Installs a sample product for the uninstaller (files and uninstall entry), runs both programs
// alternately, closes each window once seen, removes the sample and restores the pending
// restart operations that the copies added. Prints every median and their ratio.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kProduct[] = "StartupBench";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\StartupBench";
const char kPendingKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

HWND VisibleWindowOf(const char* className) {
  HWND window = FindWindowA(className, nullptr);
  return window && IsWindowVisible(window) ? window : nullptr;
}

void CloseAndWait(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (process) {
    WaitForSingleObject(process, 60000);
    CloseHandle(process);
  }
}

// Milliseconds from the start of commandLine until a visible window of className exists; a
// negative value when none appeared within a minute.
double TimeOneStart(const std::string& commandLine, const char* className) {
  while (HWND leftover = VisibleWindowOf(className)) CloseAndWait(leftover);
  std::string command = commandLine;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  const double start = Now();
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return -1;
  }
  HWND window = nullptr;
  double end = 0;
  while (!(window = VisibleWindowOf(className))) {
    if (Now() - start > 60000) break;
    Sleep(1);
  }
  end = Now();
  WaitForSingleObject(info.hProcess, 60000);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  if (!window) return -1;
  CloseAndWait(window);
  return end - start;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool WriteEmptyFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

struct TPending {
  bool existed = false;
  DWORD type = 0;
  std::vector<BYTE> data;
};

TPending ReadPending() {
  TPending pending;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return pending;
  DWORD size = 0;
  if (RegQueryValueExA(key, kPendingValue, nullptr, &pending.type, nullptr, &size) == ERROR_SUCCESS) {
    pending.data.resize(size);
    pending.existed = RegQueryValueExA(key, kPendingValue, nullptr, &pending.type, pending.data.data(),
                                       &size) == ERROR_SUCCESS;
    pending.data.resize(size);
  }
  RegCloseKey(key);
  return pending;
}

void RestorePending(const TPending& pending) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  if (pending.existed) {
    RegSetValueExA(key, kPendingValue, 0, pending.type, pending.data.data(), static_cast<DWORD>(pending.data.size()));
  } else {
    RegDeleteValueA(key, kPendingValue);
  }
  RegCloseKey(key);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: startup_timer <runs> <uninstaller exe> <minimal exe>\n");
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[1]));

  char programFiles[MAX_PATH] = {};
  if (!ExpandEnvironmentStringsA("%ProgramFiles%", programFiles, MAX_PATH)) return 1;
  const std::string folder = std::string(programFiles) + "\\" + kProduct + "\\";
  const std::string uninstaller = folder + kProduct + "Uninst.exe";
  const std::string minimal = folder + "minimal_relaunch.exe";
  CreateDirectoryA(folder.c_str(), nullptr);
  if (!CopyFileA(argv[2], uninstaller.c_str(), FALSE) || !CopyFileA(argv[3], minimal.c_str(), FALSE) ||
      !WriteEmptyFile(folder + kProduct + ".scr") || !WriteEmptyFile(folder + kProduct + ".txt")) {
    std::fprintf(stderr, "startup_timer: cannot install the sample in %s\n", folder.c_str());
    return 1;
  }
  HKEY entry;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &entry,
                      nullptr) != ERROR_SUCCESS) {
    std::fprintf(stderr, "startup_timer: cannot create the uninstall entry\n");
    return 1;
  }
  const std::string uninstallString = "\"" + uninstaller + "\"";
  RegSetValueExA(entry, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(uninstallString.c_str()),
                 static_cast<DWORD>(uninstallString.size() + 1));
  RegCloseKey(entry);
  const TPending pending = ReadPending();

  // One start of each first, so that both find the system's DLLs equally warm.
  TimeOneStart(uninstallString, "TfrmMain");
  TimeOneStart("\"" + minimal + "\"", "MinimalRelaunchWindow");
  std::vector<double> uninstallerTimes, minimalTimes;
  bool failed = false;
  for (int i = 0; i < runs && !failed; ++i) {
    const double u = TimeOneStart(uninstallString, "TfrmMain");
    const double m = TimeOneStart("\"" + minimal + "\"", "MinimalRelaunchWindow");
    if (u < 0 || m < 0) {
      std::fprintf(stderr, "startup_timer: a window did not appear (uninstaller %.1f, minimal %.1f)\n", u, m);
      failed = true;
      break;
    }
    std::printf("run %d: uninstaller %.1f ms, minimal %.1f ms\n", i + 1, u, m);
    uninstallerTimes.push_back(u);
    minimalTimes.push_back(m);
  }

  RestorePending(pending);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
  for (const std::string& file : {uninstaller, minimal, folder + kProduct + ".scr", folder + kProduct + ".txt"}) {
    DeleteFileA(file.c_str());
  }
  RemoveDirectoryA(folder.c_str());
  char temp[MAX_PATH] = {};
  if (GetTempPathA(MAX_PATH, temp)) {
    DeleteFileA((std::string(temp) + kProduct + "Uninst.exe").c_str());
    DeleteFileA((std::string(temp) + "minimal_relaunch.exe").c_str());
  }
  if (failed) return 1;

  const double u = Median(uninstallerTimes), m = Median(minimalTimes);
  std::printf("startup median: uninstaller %.1f ms, minimal %.1f ms\n", u, m);
  std::printf("startup ratio: %.2f (goal <= 1.25)\n", m > 0 ? u / m : 0.0);
  return 0;
}
