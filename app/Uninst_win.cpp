// Program entry: set up, show the main window, run the message loop, tear down in reverse.
#include <windows.h>
#include <objbase.h>

#include <exception>

#include "app/uMain_win.h"
#include "app/uRelaunch_win.h"
#include "system/uPlatform_win.h"
#include "system/uSafeDll_win.h"
#include "ui/uAltFixOnVista_win.h"
#include "ui/uForms_win.h"

namespace {

// COM for the life of the program; uninitialised only when it was initialised.
class TComInitialization {
 public:
  TComInitialization() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~TComInitialization() {
    if (initialized_) CoUninitialize();
  }
  TComInitialization(const TComInitialization&) = delete;
  TComInitialization& operator=(const TComInitialization&) = delete;

 private:
  bool initialized_;
};

int RunProgram() {
  ui::TApplication& application = ui::Application();
  try {
    // A process that is not the temporary copy starts one and ends without a window.
    if (!RelaunchFromTemp()) return 0;

    application.SetTitle("Korvane Uninstaller");
    application.CreateForm<app::TfrmMain>();
    application.Run();
  } catch (const std::exception& error) {
    // Start-up failed before the loop ran: report it the same way, then end.
    application.HandleException(error);
  } catch (...) {
    application.HandleUnknownException();
  }
  application.DestroyForms();
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // First of all, before anything can load a DLL out of the (temporary) program folder.
  safedll::RestrictDllSearchPath();
  TComInitialization com;
  platform::WindowsVersion();
  // Before the relaunch decision, so that a process that only starts its copy holds the hook too;
  // removed when this scope ends, after everything else of the run.
  altfix::TAltFixModule altFix;
  return RunProgram();
}
