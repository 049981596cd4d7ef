// Program entry. The modules start in this order and end in the reverse one: COM, the platform
// family and Windows version, the application object, the Alt key cue hook; then the relaunch
// decision, and in the temporary copy the main window and its message loop.
#include <windows.h>

#include "app/uMain_win.h"
#include "app/uRelaunch_win.h"
#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"
#include "system/uSafeDll_win.h"
#include "ui/uAltFixOnVista_win.h"
#include "ui/uApplication_win.h"
#include "ui/uVisualStyles_win.h"

namespace {

// COM for the life of the program; uninitialised only when it was initialised. ole32 is loaded
// by its full path rather than imported: an import would be looked for in the program's own
// folder first, the temporary folder that anyone may write to, where Windows 95/98/Me does not
// protect it as a known system DLL.
class TComInitialization {
 public:
  TComInitialization() : ole32_(safedll::LoadSystemLibrary("ole32.dll")) {
    const auto coInitialize = safedll::GetProc<HRESULT(WINAPI*)(LPVOID)>(ole32_.get(), "CoInitialize");
    coUninitialize_ = safedll::GetProc<TCoUninitialize>(ole32_.get(), "CoUninitialize");
    initialized_ = coInitialize && coUninitialize_ && SUCCEEDED(coInitialize(nullptr));
  }
  ~TComInitialization() {
    if (initialized_) coUninitialize_();
  }
  TComInitialization(const TComInitialization&) = delete;
  TComInitialization& operator=(const TComInitialization&) = delete;

 private:
  using TCoUninitialize = void(WINAPI*)();
  handles::TUniqueModule ole32_;  // released after CoUninitialize
  TCoUninitialize coUninitialize_ = nullptr;
  bool initialized_ = false;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything can load a DLL out of the (temporary) program folder, COM's included.
  safedll::RestrictDllSearchPath();
  const TComInitialization com;
  platform::WindowsVersion();
  ui::TApplication application;
  // Before the relaunch decision, so that a process that only starts its copy holds the hook too.
  const altfix::TAltFixModule altFix(&ui::VisualStylesInEffect);
  try {
    // A process that is not the temporary copy starts one and ends without a window.
    if (!RelaunchFromTemp()) return 0;
    application.SetTitle("Korvane Uninstaller");
    application.CreateForm<app::TfrmMain>();
    application.Run();
  } catch (...) {
    // Start-up failed before the loop ran: report it the same way, then end.
    application.HandleException();
  }
  return 0;
}
