// What every end-to-end scenario shares: the program's window facts, and a fixture that leaves
// no program window or sample behind, whatever the outcome of the scenario before.
#pragma once
#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "winsupport/uCaseName.h"
#include "winsupport/uDriver.h"
#include "winsupport/uMachine.h"
#include "winsupport/uSample.h"

namespace e2e {

// The scenarios speak in the shared Windows test support's terms throughout.
using namespace testsupport;

constexpr const char* kAppTitle = "Korvane Uninstaller";
constexpr const char* kMainClass = "TfrmMain";
constexpr int kListBoxId = 1001;
constexpr int kUninstallButtonId = 1002;
constexpr int kCancelButtonId = 1003;

inline std::string MainCaption(const std::string& product) { return product + "スクリーンセーバー Uninstaller"; }

inline std::string MissingEntryText(const std::string& product) {
  return product + " のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました";
}

// Sets an environment variable for the processes this test starts, and puts it back afterwards.
class TScopedEnvironment {
 public:
  TScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    char buffer[32768];
    const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof(buffer));
    had_ = n > 0 && n < sizeof(buffer);
    if (had_) old_.assign(buffer, n);
    SetEnvironmentVariableA(name, value.c_str());
  }
  ~TScopedEnvironment() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }
  TScopedEnvironment(const TScopedEnvironment&) = delete;
  TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

// Ends the program's processes that an earlier, failed scenario may have left running.
inline void EndLeftoverPrograms() {
  TWindowQuery main;
  main.className = kMainClass;
  TerminateOwnersOf(main);
  TWindowQuery box;
  box.className = "#32770";
  box.title = kAppTitle;
  TerminateOwnersOf(box);
}

// Printable form of code page 932 bytes for assertion messages: the text and its exact bytes.
inline std::string Show(const std::string& cp932) { return Cp932ToUtf8(cp932) + "  [" + EscapeBytes(cp932) + "]"; }

inline std::string Show(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += "\n  " + Show(l);
  return out.empty() ? "(none)" : out;
}

class TScenario : public ::testing::Test {
 protected:
  void SetUp() override { EndLeftoverPrograms(); }
  void TearDown() override {
    EndLeftoverPrograms();
    for (const TProcess& p : started_)
      if (p.handle && WaitForSingleObject(p.handle.get(), 0) == WAIT_TIMEOUT) TerminateProcess(p.handle.get(), 1);
    for (const TProcess& p : started_)
      if (p.handle) WaitForSingleObject(p.handle.get(), 10000);
    for (const TSample& s : installed_) RemoveSample(s);
  }

  // Starts a command line as Add/Remove Programs does; TearDown ends it if it still runs.
  const TProcess& Start(const std::string& commandLine) {
    started_.push_back(StartCommandLine(commandLine));
    return started_.back();
  }

  // Installs a sample that TearDown removes again.
  TSample Install(const TSampleOptions& options) {
    TSample s = InstallSample(options);
    installed_.push_back(s);
    return s;
  }

  // The program's main window once it shows, in whichever process; null when none appears.
  static HWND WaitForMainWindow() {
    TWindowQuery q;
    q.className = kMainClass;
    q.visibleOnly = true;
    return WaitForWindow(q);
  }

  // A message box of the program, if one is showing: what it says (for failure messages).
  static std::string VisibleMessage() {
    HWND box = WaitForMessageBox(0, kAppTitle, 0);
    return box ? Show(MessageBoxText(box)) : std::string("(no message box)");
  }

 private:
  std::vector<TSample> installed_;
  std::list<TProcess> started_;  // a list: references handed out stay valid
};

}  // namespace e2e
