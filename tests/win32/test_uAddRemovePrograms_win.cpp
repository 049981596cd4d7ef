#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "system/uAddRemovePrograms_win.h"
#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"
#include "winsupport/uMachine.h"
#include "winsupport/uRunInCopy.h"

namespace addremoveprograms {
// For the test's messages.
void PrintTo(TRefresh refresh, std::ostream* os) {
  const char* const names[] = {"NotOpen", "Reopened", "LeftOpen", "NotReopened"};
  *os << names[static_cast<int>(refresh)];
}
}  // namespace addremoveprograms

namespace {

using addremoveprograms::TRefresh;
using testsupport::ReadFileBytes;

const char kOpenCommand[] = "rundll32.exe shell32.dll,Control_RunDLL AppWiz.cpl";
const char kFullTitle[] = "アプリケーションの追加と削除のプロパティ";
const char kHalfTitle[] = "ｱﾌﾟﾘｹｰｼｮﾝの追加と削除 のﾌﾟﾛﾊﾟﾃｨ";
// As the program hands them over: full-width first.
const addremoveprograms::TTitles kTitles = {kFullTitle, kHalfTitle};

// The helper program, also planted beside the test program as a rundll32.exe that must never run:
// on these systems the program runs from the shared temporary folder.
std::vector<std::pair<std::string, std::string>> StandIn() {
  return {{testsupport::ToolPath("arp_window_gui"), "rundll32.exe"}};
}

// The helper program as the rundll32.exe that the refresh starts: in the Windows folder, where
// Windows 95/98/Me keep it. Its files lie beside it: rundll32.log (what it was started with),
// rundll32.title, rundll32.busy. A rundll32.exe that was there before comes back when it goes.
class TRundll32InWindowsFolder {
 public:
  TRundll32InWindowsFolder() : folder_(testsupport::WindowsFolder()) {
    const std::string program = folder_ + "rundll32.exe";
    if (testsupport::FileExists(program)) keptAside_ = MoveFileA(program.c_str(), Aside().c_str()) != FALSE;
    EXPECT_TRUE(CopyFileA(testsupport::ToolPath("arp_window_gui").c_str(), program.c_str(), FALSE))
        << "the stand-in cannot be put in the Windows folder";
  }
  ~TRundll32InWindowsFolder() {
    // A stand-in told to end may still be running for a moment.
    for (const char* file : {"rundll32.exe", "rundll32.log", "rundll32.title", "rundll32.busy"}) {
      const std::string path = folder_ + file;
      testsupport::WaitUntil([&] { return DeleteFileA(path.c_str()) || !testsupport::FileExists(path); });
    }
    if (keptAside_) MoveFileA(Aside().c_str(), (folder_ + "rundll32.exe").c_str());
  }
  TRundll32InWindowsFolder(const TRundll32InWindowsFolder&) = delete;
  TRundll32InWindowsFolder& operator=(const TRundll32InWindowsFolder&) = delete;

  // A file beside it.
  std::string File(const char* name) const { return folder_ + name; }

 private:
  std::string Aside() const { return folder_ + "rundll32.exe.kept"; }
  std::string folder_;
  bool keptAside_ = false;
};

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// Stands in for the uninstaller's main window: visible and in the foreground.
class TMainWindow {
 public:
  TMainWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "UninstTestMainWindow";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, "UninstTestMainWindow", "Korvane Uninstaller",
                              WS_OVERLAPPEDWINDOW, 400, 300, 320, 240, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    testsupport::WaitUntil([this] {
      PumpMessages();
      return GetForegroundWindow() == window_;
    });
  }
  ~TMainWindow() { DestroyWindow(window_); }
  HWND get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

// A program showing a window like the Add/Remove Programs window; mode "hung": it handles no
// message; "slow": it takes longer over its closing than the refresh's send waits.
class TArpWindow {
 public:
  TArpWindow(const char* title, int tabs, int focusedTab, const std::string& mode = std::string())
      : hung_(mode == "hung") {
    process_ = testsupport::StartSharingOutput("\"" + testsupport::ToolPath("arp_window_gui") + "\" " +
                                               title + " " + std::to_string(tabs) + " " +
                                               std::to_string(focusedTab) + " 130 170" +
                                               (mode.empty() ? std::string() : " " + mode));
    const char* text = std::string(title) == "half" ? kHalfTitle : kFullTitle;
    testsupport::WaitUntil([&] {
      window_ = FindWindowA("#32770", text);
      return window_ != nullptr && IsWindowVisible(window_);
    });
  }
  ~TArpWindow() {
    if (hung_ && process_.handle) TerminateProcess(process_.handle.get(), 1);
    if (IsWindow(window_)) PostMessageA(window_, WM_CLOSE, 0, 0);
    if (process_.handle && !testsupport::WaitForExit(process_)) TerminateProcess(process_.handle.get(), 1);
  }
  HWND get() const { return window_; }
  DWORD ExitCode() {
    DWORD code = ~0u;
    testsupport::WaitForExit(process_, testsupport::kDefaultWaitMs, &code);
    return code;
  }

 private:
  testsupport::TProcess process_;
  HWND window_ = nullptr;
  bool hung_;
};

// Closes the window that the stand-in opened and waits for it to end.
void CloseStandIn(HWND window) {
  if (!IsWindow(window)) return;
  handles::TUniqueKernelObject process(OpenProcess(SYNCHRONIZE, FALSE, testsupport::WindowProcessId(window)));
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (process) WaitForSingleObject(process.get(), 60000);
  // Without a process handle to wait on, wait for the window itself: a window still closing
  // would stand behind the main window in the next case and take the activation.
  testsupport::WaitUntil([&] { return !IsWindow(window); });
}

// The refresh's start of rundll32.exe is the program's own, so its failure shows only in the
// result; where Wine lost the process while it started (ERROR_INTERNAL_ERROR, still the last
// error), the test's output says so in the line by which the test runner knows that fault.
void ReportIfReopenLost(TRefresh refresh) {
  if (refresh == TRefresh::NotReopened && GetLastError() == ERROR_INTERNAL_ERROR) {
    std::printf("wine-start-lost: the refresh could not start rundll32.exe (error %lu)\n",
                static_cast<unsigned long>(ERROR_INTERNAL_ERROR));
    std::fflush(stdout);
  }
}

TEST(AddRemovePrograms, Windows98ReopensTheWindowOnTheFocusedTab) {
  RUN_AS_WINDOWS_98_WITH(StandIn());
  const TRundll32InWindowsFolder rundll32;
  const TMainWindow main;
  ASSERT_EQ(GetForegroundWindow(), main.get());

  struct TCase {
    const char* title;
    int tabs;
    int focusedTab;
    const char* suffix;
    const char* mode;
  };
  const TCase cases[] = {
      {"full", 3, 1, ",,2", ""},
      {"half", 3, 0, ",,1", ""},  // only the second search finds it
      {"full", 3, 2, ",,3", ""},
      {"half", 0, 0, "", ""},     // no tab control: no suffix
      // Closing takes longer than the send waits (a loaded machine): the window goes afterwards,
      // and is reopened once it has gone.
      {"full", 3, 1, ",,2", "slow"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.title) + " title, " + std::to_string(c.tabs) + " tabs, focus on " +
                 std::to_string(c.focusedTab) + (*c.mode ? std::string(", ") + c.mode : std::string()));
    DeleteFileA(rundll32.File("rundll32.log").c_str());
    ASSERT_TRUE(testsupport::WriteFileBytes(rundll32.File("rundll32.title"), c.title));
    TArpWindow old(c.title, c.tabs, c.focusedTab, c.mode);
    ASSERT_NE(old.get(), nullptr);
    ASSERT_EQ(addremoveprograms::FindAddRemoveProgramsWindow(kTitles), old.get());
    RECT oldRect = {};
    GetWindowRect(old.get(), &oldRect);

    const TRefresh refresh = addremoveprograms::RefreshAddRemovePrograms(main.get(), kTitles);
    ReportIfReopenLost(refresh);
    EXPECT_EQ(refresh, TRefresh::Reopened);
    PumpMessages();

    EXPECT_FALSE(IsWindow(old.get())) << "the old window is still open";
    EXPECT_EQ(old.ExitCode(), 0u);
    const std::string log = ReadFileBytes(rundll32.File("rundll32.log"));
    EXPECT_EQ(log, std::string(kOpenCommand) + c.suffix + "\n" + std::to_string(STARTF_USEPOSITION) +
                       " " + std::to_string(oldRect.left) + " " + std::to_string(oldRect.top) + "\n");

    const HWND reopened = addremoveprograms::FindAddRemoveProgramsWindow(kTitles);
    ASSERT_NE(reopened, nullptr);
    EXPECT_NE(reopened, old.get());
    EXPECT_EQ(GetWindow(main.get(), GW_HWNDNEXT), reopened) << "not directly behind the main window";
    EXPECT_EQ(GetForegroundWindow(), main.get()) << "the reopened window was activated";
    RECT newRect = {};
    GetWindowRect(reopened, &newRect);
    EXPECT_EQ(newRect.left, oldRect.left);
    EXPECT_EQ(newRect.top, oldRect.top);
    CloseStandIn(reopened);
  }
}

TEST(AddRemovePrograms, Windows98WithoutTheWindowDoesNothing) {
  RUN_AS_WINDOWS_98_WITH(StandIn());
  const TRundll32InWindowsFolder rundll32;
  const TMainWindow main;
  EXPECT_EQ(addremoveprograms::FindAddRemoveProgramsWindow(kTitles), nullptr);
  EXPECT_EQ(addremoveprograms::RefreshAddRemovePrograms(main.get(), kTitles), TRefresh::NotOpen);
  EXPECT_FALSE(testsupport::FileExists(rundll32.File("rundll32.log"))) << "something was started";
}

TEST(AddRemovePrograms, NTFamilyNeitherSearchesNorCloses) {
  if (testsupport::RunInCopy("", StandIn())) return;
  ASSERT_TRUE(platform::IsNTFamily());
  const TRundll32InWindowsFolder rundll32;
  const TMainWindow main;
  TArpWindow open("full", 3, 1);
  ASSERT_NE(open.get(), nullptr);

  EXPECT_EQ(addremoveprograms::FindAddRemoveProgramsWindow(kTitles), nullptr);
  EXPECT_EQ(addremoveprograms::RefreshAddRemovePrograms(main.get(), kTitles), TRefresh::NotOpen);
  PumpMessages();
  EXPECT_TRUE(IsWindow(open.get()));
  EXPECT_FALSE(testsupport::FileExists(rundll32.File("rundll32.log"))) << "something was started";
}

// rundll32.exe is named by its full path in the Windows folder: one beside the program, which on
// these systems runs from the shared temporary folder, is never started, whether or not the
// Windows folder has one.
TEST(AddRemovePrograms, Windows98StartsRundll32FromTheWindowsFolderOnly) {
  RUN_AS_WINDOWS_98_WITH(StandIn());
  const std::string beside = testsupport::OwnFolder() + "rundll32.log";
  ASSERT_TRUE(testsupport::FileExists(testsupport::OwnFolder() + "rundll32.exe"));
  const TMainWindow main;
  for (const bool inWindowsFolder : {false, true}) {
    SCOPED_TRACE(inWindowsFolder ? "a rundll32.exe in the Windows folder" : "none in the Windows folder");
    std::unique_ptr<TRundll32InWindowsFolder> rundll32;
    if (inWindowsFolder) {
      rundll32 = std::make_unique<TRundll32InWindowsFolder>();
      ASSERT_TRUE(testsupport::WriteFileBytes(rundll32->File("rundll32.title"), "full"));
    } else if (testsupport::FileExists(testsupport::WindowsFolder() + "rundll32.exe")) {
      continue;  // this prefix has one of its own
    }
    TArpWindow old("full", 3, 1);
    ASSERT_NE(old.get(), nullptr);

    // Without one in the Windows folder the old window is closed all the same, and stays closed.
    const TRefresh refresh = addremoveprograms::RefreshAddRemovePrograms(main.get(), kTitles);
    if (rundll32) ReportIfReopenLost(refresh);
    EXPECT_EQ(refresh, rundll32 ? TRefresh::Reopened : TRefresh::NotReopened);
    PumpMessages();
    EXPECT_FALSE(IsWindow(old.get())) << "the old window is still open";
    EXPECT_FALSE(testsupport::FileExists(beside)) << "the rundll32.exe beside the program ran";
    if (rundll32) {
      EXPECT_TRUE(testsupport::FileExists(rundll32->File("rundll32.log"))) << "the Windows folder's did not run";
      CloseStandIn(addremoveprograms::FindAddRemoveProgramsWindow(kTitles));
    }
  }
}

// The reopened window outlives the uninstall: it holds none of the uninstaller's handles, so an
// output pipe of the deployment tool that started the uninstall reports its end once the
// uninstaller has let go of it.
TEST(AddRemovePrograms, Windows98ReopenedWindowHoldsNoInheritedHandle) {
  RUN_AS_WINDOWS_98_WITH(StandIn());
  const TRundll32InWindowsFolder rundll32;
  ASSERT_TRUE(testsupport::WriteFileBytes(rundll32.File("rundll32.title"), "full"));
  const TMainWindow main;
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  ASSERT_TRUE(CreatePipe(&read, &write, &inheritable, 0));
  handles::TUniqueKernelObject readEnd(read);
  handles::TUniqueKernelObject writeEnd(write);
  TArpWindow old("full", 3, 0);
  ASSERT_NE(old.get(), nullptr);

  const TRefresh refresh = addremoveprograms::RefreshAddRemovePrograms(main.get(), kTitles);
  ReportIfReopenLost(refresh);
  EXPECT_EQ(refresh, TRefresh::Reopened);
  PumpMessages();
  const HWND reopened = addremoveprograms::FindAddRemoveProgramsWindow(kTitles);
  ASSERT_NE(reopened, nullptr);
  writeEnd.reset();
  EXPECT_TRUE(testsupport::WaitUntil([&] {
    DWORD available = 0;
    return !PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr) &&
           GetLastError() == ERROR_BROKEN_PIPE;
  }, 10000)) << "the reopened window holds the pipe";
  CloseStandIn(reopened);
}

// A thread procedure is WINAPI (__stdcall on i686), which no lambda converts to.
struct TRefreshOnThread {
  HWND mainWindow;
  TRefresh result;
};
DWORD WINAPI RefreshOnThread(LPVOID parameter) {
  auto* refresh = static_cast<TRefreshOnThread*>(parameter);
  refresh->result = addremoveprograms::RefreshAddRemovePrograms(refresh->mainWindow, kTitles);
  return 0;
}

// A window that hangs does not hang the uninstall: the old window's closing and the new one's
// first wait for input each end after some seconds, and the refresh returns. An old window that
// never went is left alone, with nothing started beside it; a new one that never takes input is
// still looked for.
TEST(AddRemovePrograms, Windows98RefreshNeverWaitsUnbounded) {
  RUN_AS_WINDOWS_98_WITH(StandIn());
  const TRundll32InWindowsFolder rundll32;
  ASSERT_TRUE(testsupport::WriteFileBytes(rundll32.File("rundll32.title"), "full"));
  handles::TUniqueKernelObject quit(CreateEventA(nullptr, TRUE, FALSE, "KorvaneArpStandInQuit"));
  ASSERT_TRUE(quit);
  const TMainWindow main;
  struct TCase {
    const char* what;
    bool oldWindowHangs;
    bool newProgramNeverIdle;
    TRefresh result;
  } cases[] = {
      {"old window hangs", true, false, TRefresh::LeftOpen},
      {"new program never takes input", false, true, TRefresh::Reopened},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    ResetEvent(quit.get());
    DeleteFileA(rundll32.File("rundll32.log").c_str());
    DeleteFileA(rundll32.File("rundll32.busy").c_str());
    if (c.newProgramNeverIdle) {
      ASSERT_TRUE(testsupport::WriteFileBytes(rundll32.File("rundll32.busy"), ""));
    }
    TArpWindow old("full", 3, 1, c.oldWindowHangs ? "hung" : "");
    ASSERT_NE(old.get(), nullptr);

    // On a thread of its own, so that a refresh that hangs fails the test instead of hanging it.
    TRefreshOnThread refresh = {main.get(), TRefresh::NotOpen};
    handles::TUniqueKernelObject thread(CreateThread(nullptr, 0, RefreshOnThread, &refresh, 0, nullptr));
    ASSERT_TRUE(thread);
    const bool ended = testsupport::WaitUntil(
        [&] {
          PumpMessages();
          return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
        },
        testsupport::kDefaultWaitMs);
    ASSERT_TRUE(ended) << "the refresh does not return";
    EXPECT_EQ(refresh.result, c.result);
    const std::string log = rundll32.File("rundll32.log");
    if (!c.oldWindowHangs) {
      // The refresh waits a few seconds for the program's first input, not for its start: on a
      // slow machine its first line comes later.
      EXPECT_TRUE(testsupport::WaitUntil([&] { return testsupport::FileExists(log); })) << "nothing was started";
    } else {
      EXPECT_FALSE(testsupport::FileExists(log)) << "a program was started beside the window that did not close";
    }
    if (c.oldWindowHangs) {
      EXPECT_TRUE(IsWindow(old.get())) << "the hung window went";
    }
    SetEvent(quit.get());  // ends what stands still
  }
}

}  // namespace
