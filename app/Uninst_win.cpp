// Program entry: set up, show the main window, run the message loop, tear down in reverse.
#include <windows.h>

#include <exception>
#include <optional>
#include <string>

#include "app/uExitCodes.h"
#include "app/uMain_win.h"
#include "app/uRelaunch_win.h"
#include "app/uStartOptions.h"
#include "app/uUnattended_win.h"
#include "system/uHandles_win.h"
#include "system/uModulePath_win.h"
#include "system/uPaths_win.h"
#include "system/uPlatform_win.h"
#include "system/uRunLog_win.h"
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

const char* ModeText(const app::TStartOptions& options) {
  if (options.IsCopy) return options.Silent ? "無人 (一時コピー)" : "対話 (一時コピー)";
  return options.Silent ? "無人 (起動元)" : "対話 (起動元)";
}

// The log file that "/LOG" asks for, as a full path: the copy runs in another folder.
std::string LogPathFor(const app::TStartOptions& options, const std::string& exe) {
  if (!options.Log) return std::string();
  if (!options.LogPath.empty()) return paths::FullPath(options.LogPath);
  const std::string temp = paths::TemporaryFolder();
  return temp.empty() ? std::string() : temp + app::DefaultLogFileName(exe);
}

void LogStart(const app::TStartOptions& options, const std::string& exe) {
  const platform::TWindowsVersion& version = platform::WindowsVersion();
  runlog::Log(std::string("開始: ") + ModeText(options) + "; 実行ファイル " + exe + "; コマンドライン " +
              GetCommandLineA() + "; Windows " + std::to_string(version.Major) + "." +
              std::to_string(version.Minor) + (platform::IsNTFamily() ? " (NT 系)" : " (95/98/Me 系)"));
}

// The interactive copy: the window, and the exit code it leaves.
unsigned RunWindow() {
  ui::TApplication& application = ui::Application();
  std::optional<TComInitialization> com;
  unsigned code = exitcode::kFailed;
  try {
    application.SetTitle("Korvane Uninstaller");
    app::TfrmMain* form = application.CreateForm<app::TfrmMain>();
    // COM only for the process that goes on to the window, and only once the window shows: the
    // process that merely starts its copy makes no COM call, nothing before the message loop
    // does either, and loading COM's libraries and creating its hidden window held the window
    // back.
    application.ShowMainForm();
    com.emplace();
    application.Run();
    code = form->ExitCode;
  } catch (const std::exception& error) {
    // Start-up failed before the loop ran: report it the same way, then end.
    runlog::Log(std::string("エラーで中断しました: ") + error.what());
    application.HandleException(error);
  } catch (...) {
    application.HandleUnknownException();
  }
  application.DestroyForms();
  return code;  // COM ends here, after the forms
}

unsigned RunProgram(const app::TStartOptions& options, const std::string& exe) {
  try {
    // A process that is not the temporary copy starts one and ends without a window.
    unsigned starterCode = exitcode::kDone;
    if (!app::RelaunchFromTemp(options, starterCode)) return starterCode;
  } catch (const std::exception& error) {
    // Only the copy's scheduling of its own file raises (WININIT.INI on Windows 95/98/Me).
    runlog::Log(std::string("エラーで中断しました: ") + error.what());
    if (!options.Silent) ui::Application().HandleException(error);
    return exitcode::kFailed;
  }
  return options.Silent ? app::RunUnattended(options, exe) : RunWindow();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // First of all, before anything can load a DLL out of the (temporary) program folder.
  safedll::RestrictDllSearchPath();
  platform::WindowsVersion();
  // Before the relaunch decision, so that a process that only starts its copy holds the hook too;
  // removed when this scope ends, after everything else of the run.
  altfix::TAltFixModule altFix;
  const std::string exe = modulepath::ModuleFileName();
  const app::TStartOptions options = app::ParseStartOptions(GetCommandLineA());
  runlog::SetLogFile(LogPathFor(options, exe));
  LogStart(options, exe);
  const unsigned code = RunProgram(options, exe);
  runlog::Log("終了コード: " + std::to_string(code));
  return static_cast<int>(code);
}
