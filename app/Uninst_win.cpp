// Program entry. The modules start in this order and end in the reverse one: COM, the platform
// family and Windows version, the application object, the Alt key cue hook; then the relaunch
// decision, and in the temporary copy the main window and its message loop, or the unattended run.
#include <windows.h>

#include <string>

#include "app/uExitCodes.h"
#include "app/uMain_win.h"
#include "app/uMainTexts.h"
#include "app/uRelaunch_win.h"
#include "app/uStartOptions.h"
#include "app/uUnattended_win.h"
#include "system/uFiles_win.h"
#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"
#include "system/uRunLog_win.h"
#include "system/uSafeDll_win.h"
#include "ui/uAltKeyCueHook_win.h"
#include "ui/uApplication_win.h"
#include "ui/uMessageDialog.h"
#include "ui/uText_win.h"

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

const char* ModeText(const app::TStartOptions& options) {
  if (options.IsCopy) return options.Silent ? "無人 (一時コピー)" : "対話 (一時コピー)";
  return options.Silent ? "無人 (起動元)" : "対話 (起動元)";
}

// The log file that "/LOG" asks for, as a full path: the copy runs in another folder.
std::string LogPathFor(const app::TStartOptions& options, const std::string& exe) {
  if (!options.Log) return std::string();
  if (!options.LogPath.empty()) return files::FullPath(options.LogPath);
  // A link in the temporary folder's path, which its user can place, would lead the log, written
  // with administrator rights, into any folder.
  const std::string temp = files::TemporaryFolder();
  if (temp.empty() || files::LiesBehindReparsePoint(temp)) return std::string();
  return temp + app::DefaultLogFileName(exe);
}

void LogStart(const app::TStartOptions& options, const std::string& exe) {
  const platform::TWindowsVersion& version = platform::WindowsVersion();
  runlog::Log(std::string("開始: ") + ModeText(options) + "; 実行ファイル " + exe + "; コマンドライン " +
              GetCommandLineA() + "; Windows " + std::to_string(version.Major) + "." +
              std::to_string(version.Minor) + (platform::IsNTFamily() ? " (NT 系)" : " (95/98/Me 系)"));
}

// The report of a failure that ends the start-up, inside its catch block: the log says it, and
// unless the run is silent the error report shows it as a window's errors are shown.
void ReportStartUpFailure(bool silent) noexcept {
  runlog::LogCurrentException();
  if (!silent) ui::ReportException();
}

// The interactive copy: the window, and the exit code it leaves.
unsigned RunWindow(ui::TApplication& application) {
  const app::TfrmMain* form = application.CreateForm<app::TfrmMain>();
  application.Run();
  return form->ExitCode;
}

// Whether path, as CreateProcess would complete it, is this program's own file.
bool NamesProgram(const std::string& path, const std::string& exe) {
  return files::SameFile(path, exe) || files::SameFile(path + ".exe", exe);
}

// What the command line asks before any uninstall: the usage box for "/?" or an unknown switch,
// and the end; true when the run is to end with code.
bool AnswerTheCommandLine(const app::TStartOptions& options, const std::string& exe, unsigned& code) {
  if (!options.IgnoredWords.empty()) {
    std::string words;
    for (const std::string& word : options.IgnoredWords) words += " " + word;
    runlog::Log("スイッチではない引数は使いません:" + words);
  }
  const bool unknown = !options.UnknownSwitch.empty();
  if (!unknown && !options.Usage) return false;
  if (unknown) runlog::Log("不明なスイッチがあるため何もせずに終了します: " + options.UnknownSwitch);
  code = unknown ? exitcode::kInvalidCommandLine : exitcode::kDone;
  if (options.Silent) {
    // "/S" promises that nothing is shown; a script learns from the code alone that the run did
    // not happen, and "/?" beside it asks for nothing that can be done.
    if (!unknown) runlog::Log("/? と /S は同時に指定できないため何もせずに終了します");
    code = exitcode::kInvalidCommandLine;
    return true;
  }
  // A person who typed a switch sees what went wrong and what the program takes.
  ui::TText text;
  if (unknown) text = ui::FormatText(maintexts::kUnknownSwitch, ui::SystemText(options.UnknownSwitch));
  text += ui::FormatText(maintexts::kUsage, ui::SystemText(files::ExtractFileName(exe)));
  ui::ShowInformation(text);
  return true;
}

unsigned RunProgram(ui::TApplication& application, const app::TStartOptions& options, const std::string& exe) {
  unsigned answered = exitcode::kDone;
  if (AnswerTheCommandLine(options, exe, answered)) return answered;
  try {
    // A process that is not the temporary copy starts one and ends without a window; its boxes,
    // and the copy's own before this point, carry the executable's name.
    unsigned starterCode = exitcode::kDone;
    if (!app::RelaunchFromTemp(options, starterCode)) return starterCode;
    // The taskbar entry's and every later box's title.
    application.SetTitle(maintexts::kApplicationTitle);
    return options.Silent ? app::RunUnattended(options, exe) : RunWindow(application);
  } catch (...) {
    // Start-up failed before the loop ran (the copy's scheduling of its own file on Windows
    // 95/98/Me, or the window's creation): reported under the application's title as it stands,
    // then the end.
    ReportStartUpFailure(options.Silent);
  }
  return exitcode::kFailed;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything can load a DLL out of the (temporary) program folder, COM's included.
  safedll::RestrictDllSearchPath();
  bool silent = false;
  try {
    // Read first, so that a failure of any later start-up step shows nothing in a silent run.
    const std::string exe = files::ModuleFileName();
    const app::TStartOptions options =
        app::ParseStartOptions(GetCommandLineA(), [&exe](const std::string& path) { return NamesProgram(path, exe); });
    silent = options.Silent;
    const TComInitialization com;
    platform::WindowsVersion();
    ui::TApplication application;
    // Before the relaunch decision, so that a process that only starts its copy holds the hook too.
    const altkeycuehook::TCueRepaintHook altFix;
    runlog::SetLogFile(LogPathFor(options, exe));
    LogStart(options, exe);
    const unsigned code = RunProgram(application, options, exe);
    runlog::Log("終了コード: " + std::to_string(code));
    return static_cast<int>(code);
  } catch (...) {
    ReportStartUpFailure(silent);
  }
  return static_cast<int>(exitcode::kFailed);
}
