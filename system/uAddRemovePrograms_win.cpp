#include "system/uAddRemovePrograms_win.h"

#include <commctrl.h>

#include <string>

#include "resources/resource.h"
#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"

namespace arp {
namespace {

const char kDialogClass[] = "#32770";
const char kTabControlClass[] = "SysTabControl32";
const char kOpenCommand[] = "rundll32.exe shell32.dll,Control_RunDLL AppWiz.cpl";

std::string LoadResourceString(UINT id) {
  char buffer[256] = {};
  const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

HWND FindUnderTitle(UINT titleId) {
  const std::string title = LoadResourceString(titleId);
  // An empty title would match any untitled dialog.
  if (title.empty()) return nullptr;
  return FindWindowA(kDialogClass, title.c_str());
}

}  // namespace

HWND FindAddRemoveProgramsWindow() {
  if (platform::WindowsVersion().PlatformId != VER_PLATFORM_WIN32_WINDOWS) return nullptr;
  if (HWND window = FindUnderTitle(IDS_ARP_TITLE_FULLWIDTH)) return window;
  return FindUnderTitle(IDS_ARP_TITLE_HALFWIDTH);
}

void RefreshAddRemovePrograms(HWND mainWindow) {
  HWND window = FindAddRemoveProgramsWindow();
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

  if (HWND reopened = FindAddRemoveProgramsWindow()) {
    SetWindowPos(reopened, mainWindow, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  }
}

}  // namespace arp
