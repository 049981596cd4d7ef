// The smallest program that starts the way the uninstaller does: started without "START" it
// copies itself into the temporary folder, starts the copy with "START" and ends; the copy shows
// one window. Built with MINIMAL_WITH_COM it also does the rest of the work every process of the
// uninstaller must do: COM from first to last, ole32 loaded by its full path (and, through its
// .rc, the uninstaller's manifest). The start-up benchmark measures the uninstaller against it.
#include <windows.h>

#include <cstring>

namespace {

const char kClassName[] = "MinimalRelaunchWindow";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool StartedAsCopy(const char* commandLine) {
  // Skip the program path (quoted or not), then look at the first argument.
  const char* p = commandLine;
  if (*p == '"') {
    p = std::strchr(p + 1, '"');
    p = p ? p + 1 : commandLine + std::strlen(commandLine);
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return std::strncmp(p, "START", 5) == 0 && (p[5] == '\0' || p[5] == ' ');
}

int Relaunch() {
  char self[MAX_PATH];
  char folder[MAX_PATH];
  const DWORD selfLength = GetModuleFileNameA(nullptr, self, MAX_PATH);
  const DWORD folderLength = GetTempPathA(MAX_PATH, folder);
  if (selfLength == 0 || selfLength >= MAX_PATH || folderLength == 0 || folderLength >= MAX_PATH) return 1;
  const char* name = std::strrchr(self, '\\');
  name = name ? name + 1 : self;
  char copy[MAX_PATH * 2];
  lstrcpyA(copy, folder);
  lstrcatA(copy, name);
  if (!CopyFileA(self, copy, FALSE)) return 1;
  char commandLine[MAX_PATH * 2 + 16] = "\"";
  lstrcatA(commandLine, copy);
  lstrcatA(commandLine, "\" START");
  WinExec(commandLine, SW_SHOW);
  return 0;
}

int ShowWindowAndRun(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = &WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kClassName;
  if (!RegisterClassA(&wc)) return 1;
  HWND window = CreateWindowExA(0, kClassName, "Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 416, 258, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

}  // namespace

#ifdef MINIMAL_WITH_COM
// CoInitialize at the start, CoUninitialize at the end, as the uninstaller does in every process.
class TCom {
 public:
  TCom() {
    char path[MAX_PATH];
    const UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (n == 0 || n + 11 >= MAX_PATH) return;
    lstrcatA(path, "\\ole32.dll");
    ole32_ = LoadLibraryA(path);
    if (!ole32_) return;
    const auto coInitialize = reinterpret_cast<HRESULT(WINAPI*)(LPVOID)>(
        reinterpret_cast<void*>(GetProcAddress(ole32_, "CoInitialize")));
    coUninitialize_ = reinterpret_cast<void(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(ole32_, "CoUninitialize")));
    initialized_ = coInitialize && coUninitialize_ && SUCCEEDED(coInitialize(nullptr));
  }
  ~TCom() {
    if (initialized_) coUninitialize_();
    if (ole32_) FreeLibrary(ole32_);
  }

 private:
  HMODULE ole32_ = nullptr;
  void(WINAPI* coUninitialize_)() = nullptr;
  bool initialized_ = false;
};
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#ifdef MINIMAL_WITH_COM
  const TCom com;
#endif
  return StartedAsCopy(GetCommandLineA()) ? ShowWindowAndRun(instance) : Relaunch();
}
