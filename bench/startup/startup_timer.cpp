// Times the start-up of the installed uninstaller against the minimal relaunching program: from
// starting the program without arguments until its temporary copy's main window is visible.
// Usage: startup_timer <runs> <uninstaller exe> <minimal exe> [<bare minimal exe>]
// The minimal program does the work the uninstaller must do in any case (its manifest, COM in
// both processes); the bare one, for information, only relaunches and shows its window.
// Installs a sample product for the uninstaller (files and uninstall entry), runs the programs in
// turn, closes each window once seen, removes the sample and restores the pending restart
// operations that the copies added. Prints every median and the ratios.
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
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: startup_timer <runs> <uninstaller exe> <minimal exe> [<bare minimal exe>]\n");
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[1]));

  char programFiles[MAX_PATH] = {};
  if (!ExpandEnvironmentStringsA("%ProgramFiles%", programFiles, MAX_PATH)) return 1;
  const std::string folder = std::string(programFiles) + "\\" + kProduct + "\\";
  const std::string uninstaller = folder + kProduct + "Uninst.exe";

  struct TProgram {
    const char* label;
    std::string path;
    std::string commandLine;
    const char* windowClass;
    std::vector<double> times;
  };
  std::vector<TProgram> programs;
  programs.push_back({"uninstaller", uninstaller, "\"" + uninstaller + "\"", "TfrmMain", {}});
  programs.push_back({"minimal", folder + "minimal_relaunch.exe", "", "MinimalRelaunchWindow", {}});
  if (argc == 5) {
    programs.push_back({"bare minimal", folder + "minimal_relaunch_bare.exe", "", "MinimalRelaunchWindow", {}});
  }
  for (std::size_t i = 1; i < programs.size(); ++i) programs[i].commandLine = "\"" + programs[i].path + "\"";

  CreateDirectoryA(folder.c_str(), nullptr);
  bool installed = WriteEmptyFile(folder + kProduct + ".scr") && WriteEmptyFile(folder + kProduct + ".txt");
  for (std::size_t i = 0; i < programs.size(); ++i) {
    installed = installed && CopyFileA(argv[2 + i], programs[i].path.c_str(), FALSE);
  }
  if (!installed) {
    std::fprintf(stderr, "startup_timer: cannot install the sample in %s\n", folder.c_str());
    return 1;
  }
  HKEY entry;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &entry,
                      nullptr) != ERROR_SUCCESS) {
    std::fprintf(stderr, "startup_timer: cannot create the uninstall entry\n");
    return 1;
  }
  RegSetValueExA(entry, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(programs[0].commandLine.c_str()),
                 static_cast<DWORD>(programs[0].commandLine.size() + 1));
  RegCloseKey(entry);
  const TPending pending = ReadPending();

  // A window of our own for the whole measurement: under Wine the desktop process ends with the
  // last window and would otherwise start again, at random, inside some of the timed starts.
  HWND keepDesktop = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "startup_timer", WS_POPUP | WS_VISIBLE, -10, -10, 1,
                                     1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);

  // One start of each first, so that all find the system's DLLs equally warm; then the programs
  // take turns, so that a busy moment of the machine falls on all of them alike. Each run begins
  // with the next program, so that none always follows the same one (and its ending).
  for (const TProgram& program : programs) TimeOneStart(program.commandLine, program.windowClass);
  bool failed = false;
  for (int run = 0; run < runs && !failed; ++run) {
    std::printf("run %d:", run + 1);
    for (std::size_t turn = 0; turn < programs.size(); ++turn) {
      TProgram& program = programs[(static_cast<std::size_t>(run) + turn) % programs.size()];
      const double t = TimeOneStart(program.commandLine, program.windowClass);
      if (t < 0) {
        std::fprintf(stderr, "startup_timer: the window of the %s did not appear\n", program.label);
        failed = true;
        break;
      }
      program.times.push_back(t);
      std::printf(" %s %.1f ms;", program.label, t);
    }
    std::printf("\n");
  }

  if (keepDesktop) DestroyWindow(keepDesktop);
  RestorePending(pending);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
  DeleteFileA((folder + kProduct + ".scr").c_str());
  DeleteFileA((folder + kProduct + ".txt").c_str());
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  for (const TProgram& program : programs) {
    DeleteFileA(program.path.c_str());
    const std::size_t slash = program.path.find_last_of('\\');
    DeleteFileA((std::string(temp) + program.path.substr(slash + 1)).c_str());
  }
  RemoveDirectoryA(folder.c_str());
  if (failed) return 1;

  const double u = Median(programs[0].times);
  for (const TProgram& program : programs) std::printf("startup median: %s %.1f ms\n", program.label, Median(program.times));
  const double m = Median(programs[1].times);
  std::printf("startup ratio: %.2f (goal <= 1.25)\n", m > 0 ? u / m : 0.0);
  if (programs.size() > 2) {
    const double s = Median(programs[2].times);
    std::printf("startup ratio against the bare minimal program (no manifest, no COM): %.2f\n", s > 0 ? u / s : 0.0);
  }
  return 0;
}
