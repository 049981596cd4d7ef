// Stands in for the Windows 95/98/Me Add/Remove Programs window: a top-level "#32770" dialog
// under one of its two titles, optionally with a tab control whose focus is on a chosen tab.
//
//   arp_window_gui <full|half> <tab count, 0 for none> <focused tab index> <left> <top> [hung|slow]
//
// With "hung" the window never handles a message (a program that hangs): it does not close when
// asked to, and the process ends when the event "KorvaneArpStandInQuit" is set, or after two
// minutes. With "slow" it takes eight seconds over its closing (a window on a loaded machine):
// longer than a sender of WM_CLOSE waits, and it goes all the same.
//
// Copied under the name rundll32.exe it stands in for the program that opens that window:
// it writes its command line and start-up position to rundll32.log beside itself, then shows
// the window (title from rundll32.title beside itself: "full" or "half") at the start-up
// position, without activating it, until it is closed. With a file rundll32.busy beside it, it
// shows nothing and never waits for input (a program that never becomes idle), and ends as a hung
// window does.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "system/uFiles_win.h"
#include "winsupport/uMachine.h"

namespace {

const char kFullTitle[] = "アプリケーションの追加と削除のプロパティ";
const char kHalfTitle[] = "ｱﾌﾟﾘｹｰｼｮﾝの追加と削除 のﾌﾟﾛﾊﾟﾃｨ";

// How long the window takes over its closing.
DWORD g_closingMs = 0;

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_CLOSE:
      if (g_closingMs > 0) Sleep(g_closingMs);
      DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}

HWND ShowDialog(const char* title, int tabCount, int focusedTab, int left, int top) {
  struct {
    DLGTEMPLATE dialog;
    WORD menu, windowClass, title;
  } layout = {};
  layout.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  layout.dialog.cx = 240;
  layout.dialog.cy = 180;
  HWND window = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &layout.dialog, nullptr,
                                           DialogProc, 0);
  if (window == nullptr) return nullptr;
  SetWindowTextA(window, title);
  if (tabCount > 0) {
    HWND tabs = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE, 8, 8, 300, 200,
                                window, nullptr, GetModuleHandleA(nullptr), nullptr);
    for (int i = 0; i < tabCount; ++i) {
      std::string text = "Tab " + std::to_string(i + 1);
      TCITEMA item = {};
      item.mask = TCIF_TEXT;
      item.pszText = &text[0];
      SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(tabs, TCM_SETCURFOCUS, focusedTab, 0);
  }
  SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window, SW_SHOWNA);
  return window;
}

bool IsStandInForRundll32() {
  return lstrcmpiA(files::ExtractFileName(files::ModuleFileName()).c_str(), "rundll32.exe") == 0;
}

// Stands still, handling no message, until the test sets the event "KorvaneArpStandInQuit" or
// two minutes have passed.
int Hang() {
  const handles::TUniqueKernelObject quit(CreateEventA(nullptr, TRUE, FALSE, "KorvaneArpStandInQuit"));
  if (quit) {
    WaitForSingleObject(quit.get(), 120000);
  } else {
    Sleep(120000);
  }
  return 0;
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);

  if (IsStandInForRundll32()) {
    const std::string folder = testsupport::OwnFolder();
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    if (FILE* log = std::fopen((folder + "rundll32.log").c_str(), "wb")) {
      std::fprintf(log, "%s\n%lu %ld %ld\n", GetCommandLineA(),
                   static_cast<unsigned long>(startup.dwFlags), static_cast<long>(startup.dwX),
                   static_cast<long>(startup.dwY));
      std::fclose(log);
    }
    if (testsupport::PathExists(folder + "rundll32.busy")) return Hang();
    const bool half = testsupport::ReadFileBytes(folder + "rundll32.title").rfind("half", 0) == 0;
    int left = 0, top = 0;
    if (startup.dwFlags & STARTF_USEPOSITION) {
      left = static_cast<int>(startup.dwX);
      top = static_cast<int>(startup.dwY);
    }
    if (!ShowDialog(half ? kHalfTitle : kFullTitle, 3, 0, left, top)) return 3;
    return RunMessageLoop();
  }

  if (__argc != 6 && __argc != 7) return 2;
  const std::string mode = __argc == 7 ? __argv[6] : "";
  if (mode == "slow") g_closingMs = 8000;
  const bool half = std::string(__argv[1]) == "half";
  if (!ShowDialog(half ? kHalfTitle : kFullTitle, std::atoi(__argv[2]), std::atoi(__argv[3]),
                  std::atoi(__argv[4]), std::atoi(__argv[5]))) {
    return 3;
  }
  if (mode == "hung") return Hang();
  return RunMessageLoop();
}
