// Program entry: set up, show the main window, run the message loop, tear down in reverse.
#include <windows.h>

#include <exception>
#include <optional>

#include "app/uMain_win.h"
#include "app/uRelaunch_win.h"
#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"
#include "system/uSafeDll_win.h"
#include "ui/uAltFixOnVista_win.h"
#include "ui/uForms_win.h"

namespace {

// COM for the life of the program; uninitialised only when it was initialised. ole32 is loaded
// here, by its full path, rather than imported: the process that only starts its temporary copy
// then never loads it and the libraries it brings along.
class TComInitialization {
 public:
  TComInitialization() : ole32_(safedll::LoadSystemLibrary("ole32.dll")) {
    using TCoInitialize = HRESULT(WINAPI*)(LPVOID);
    const auto coInitialize = reinterpret_cast<TCoInitialize>(
        ole32_ ? reinterpret_cast<void*>(GetProcAddress(ole32_.get(), "CoInitialize")) : nullptr);
    coUninitialize_ = reinterpret_cast<TCoUninitialize>(
        ole32_ ? reinterpret_cast<void*>(GetProcAddress(ole32_.get(), "CoUninitialize")) : nullptr);
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

int RunProgram() {
  ui::TApplication& application = ui::Application();
  std::optional<TComInitialization> com;
  try {
    // A process that is not the temporary copy starts one and ends without a window.
    if (!RelaunchFromTemp()) return 0;
    application.SetTitle("Korvane Uninstaller");
    application.CreateForm<app::TfrmMain>();
    // COM only for the process that goes on to the window, and only once the window shows: the
    // process that merely starts its copy makes no COM call, nothing before the message loop
    // does either, and loading COM's libraries and creating its hidden window held the window
    // back.
    application.ShowMainForm();
    com.emplace();
    application.Run();
  } catch (const std::exception& error) {
    // Start-up failed before the loop ran: report it the same way, then end.
    application.HandleException(error);
  } catch (...) {
    application.HandleUnknownException();
  }
  application.DestroyForms();
  return 0;  // COM ends here, after the forms
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // First of all, before anything can load a DLL out of the (temporary) program folder.
  safedll::RestrictDllSearchPath();
  platform::WindowsVersion();
  // Before the relaunch decision, so that a process that only starts its copy holds the hook too;
  // removed when this scope ends, after everything else of the run.
  altfix::TAltFixModule altFix;
  return RunProgram();
}
