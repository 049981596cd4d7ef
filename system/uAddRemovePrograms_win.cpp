#include "system/uAddRemovePrograms_win.h"

#include <commctrl.h>

#include <string>

#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"

namespace arp {
namespace {

const char kDialogClass[] = "#32770";
const char kTabControlClass[] = "SysTabControl32";
const char kOpenCommand[] = "rundll32.exe shell32.dll,Control_RunDLL AppWiz.cpl";

}  // namespace

HWND FindAddRemoveProgramsWindow(const TTitles& titles) {
  if (platform::WindowsVersion().PlatformId != VER_PLATFORM_WIN32_WINDOWS) return nullptr;
  for (const std::string& title : titles) {
    // An empty title would match any untitled dialog.
    if (title.empty()) continue;
    if (HWND window = FindWindowA(kDialogClass, title.c_str())) return window;
  }
  return nullptr;
}

void RefreshAddRemovePrograms(HWND mainWindow, const TTitles& titles) {
  HWND window = FindAddRemoveProgramsWindow(titles);
  if (window == nullptr) return;

  RECT rect = {};
  GetWindowRect(window, &rect);

  std::string command = kOpenCommand;
  if (HWND tabs = FindWindowExA(window, nullptr, kTabControlClass, nullptr)) {
    const LRESULT focused = SendMessageA(tabs, TCM_GETCURFOCUS, 0, 0);
    command += ",," + std::to_string(static_cast<long>(focused) + 1);
  }

  SendMessageA(window, WM_CLOSE, 0, 0);

  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USEPOSITION;
  startup.dwX = static_cast<DWORD>(rect.left);
  startup.dwY = static_cast<DWORD>(rect.top);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return;
  }
  {
    handles::TUniqueHandleObj process(info.hProcess);
    handles::TUniqueHandleObj thread(info.hThread);
    WaitForInputIdle(process.get(), INFINITE);
  }

  if (HWND reopened = FindAddRemoveProgramsWindow(titles)) {
    SetWindowPos(reopened, mainWindow, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  }
}

}  // namespace arp
