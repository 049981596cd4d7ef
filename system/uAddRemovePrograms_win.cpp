#include "system/uAddRemovePrograms_win.h"

#include <commctrl.h>

#include <string>

#include "system/uFiles_win.h"
#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"

namespace addremoveprograms {
namespace {

const char kDialogClass[] = "#32770";
const char kTabControlClass[] = "SysTabControl32";
const char kOpenCommand[] = "rundll32.exe shell32.dll,Control_RunDLL AppWiz.cpl";
// How long the old window's closing may take to be handled, how long it may take to go (counted
// from the same start: a window slowed down by a loaded machine or a long list of programs still
// closes after the send gave up), and how long the new one may take to take input. A window that
// hangs must not hang the uninstall, nor an unattended run waiting for it.
constexpr UINT kCloseLimitMs = 5000;
constexpr DWORD kGoneLimitMs = 20000;
constexpr DWORD kInputIdleLimitMs = 20000;
constexpr DWORD kPollMs = 50;

// The program that opens the window again, named by its full path: a search would look in the
// program's own folder first, the shared temporary folder on these systems. Empty when the
// Windows folder cannot be read.
std::string OpenProgramPath() {
  const std::string windows = files::WindowsFolder();
  return windows.empty() ? std::string() : windows + "rundll32.exe";
}

// Whether window has gone within limitMs of start (GetTickCount). Messages that other programs
// send to this thread's windows are answered meanwhile: a closing window that waits for one of
// them would otherwise never go.
bool WaitUntilGone(HWND window, DWORD start, DWORD limitMs) {
  for (;;) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    if (!IsWindow(window)) return true;
    if (GetTickCount() - start >= limitMs) return false;
    Sleep(kPollMs);
  }
}

}  // namespace

HWND FindAddRemoveProgramsWindow(const TTitles& titles) {
  if (!platform::IsWindows9xFamily()) return nullptr;
  for (const std::string& title : titles) {
    // An empty title would match any untitled dialog.
    if (title.empty()) continue;
    if (HWND window = FindWindowA(kDialogClass, title.c_str())) return window;
  }
  return nullptr;
}

TRefresh RefreshAddRemovePrograms(HWND mainWindow, const TTitles& titles) {
  HWND window = FindAddRemoveProgramsWindow(titles);
  if (window == nullptr) return TRefresh::NotOpen;

  RECT rect = {};
  GetWindowRect(window, &rect);

  std::string command = kOpenCommand;
  if (HWND tabs = FindWindowExA(window, nullptr, kTabControlClass, nullptr)) {
    DWORD_PTR focused = 0;
    if (SendMessageTimeoutA(tabs, TCM_GETCURFOCUS, 0, 0, SMTO_ABORTIFHUNG, kCloseLimitMs, &focused)) {
      command += ",," + std::to_string(static_cast<long>(static_cast<LRESULT>(focused)) + 1);
    }
  }

  // A send that gave up has still left the message in the window's queue: the window may close
  // later, and it is reopened once it has gone. A property sheet also goes only some time after it
  // has handled its closing. A window still there at the end is left alone: a second one beside
  // it would not be what the user had open.
  const DWORD start = GetTickCount();
  DWORD_PTR closed = 0;
  SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, kCloseLimitMs, &closed);
  if (!WaitUntilGone(window, start, kGoneLimitMs)) return TRefresh::LeftOpen;
  const std::string program = OpenProgramPath();
  if (program.empty()) return TRefresh::NotReopened;

  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USEPOSITION;
  startup.dwX = static_cast<DWORD>(rect.left);
  startup.dwY = static_cast<DWORD>(rect.top);
  PROCESS_INFORMATION info = {};
  // No handle is inherited: the window lives on after the uninstall, and a pipe it held (the
  // output of a deployment tool that started the uninstall) would never report its end.
  if (!CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return TRefresh::NotReopened;
  }
  {
    handles::TUniqueKernelObject process(info.hProcess);
    handles::TUniqueKernelObject thread(info.hThread);
    WaitForInputIdle(process.get(), kInputIdleLimitMs);
  }

  if (HWND reopened = FindAddRemoveProgramsWindow(titles)) {
    SetWindowPos(reopened, mainWindow, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  }
  return TRefresh::Reopened;
}

}  // namespace addremoveprograms
