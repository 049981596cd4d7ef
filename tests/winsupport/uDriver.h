// Automation driver: finds the program's windows from another process and works them through
// Win32 messages only (never screen coordinates), so scenarios behave the same on any display.
// Every wait polls with a generous limit; a limit that runs out means "not found", never a
// statement about speed.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "system/uHandles_win.h"

namespace testsupport {

// Generous default for anything that waits on the program under Wine.
constexpr DWORD kDefaultWaitMs = 60000;

// What a top-level window search matches. Empty strings match anything; pid 0 any process.
struct TWindowQuery {
  std::string className;  // exact, case-insensitive (system classes report their own spelling)
  std::string title;      // exact caption bytes (code page 932)
  DWORD pid = 0;          // owning process
  bool visibleOnly = false;
};

// One window as another process sees it. Text is code page 932 bytes.
struct TWindowInfo {
  HWND hwnd = nullptr;
  std::string className;
  int id = 0;              // control ID (GetDlgCtrlID); 0 for top-level windows
  std::string text;        // WM_GETTEXT
  RECT rect{};             // children: in the parent's client coordinates; top-level: screen
  bool visible = false;
  bool enabled = false;
};

// The whole picture of a top-level window: its caption, client size and direct children.
struct TWindowDump {
  TWindowInfo window;
  DWORD pid = 0;
  SIZE clientSize{};
  std::vector<TWindowInfo> controls;                // in z-order (creation order for a form)
  std::vector<std::vector<std::string>> listItems;  // per control; filled for list boxes only
};

// Polls condition until it holds or limitMs has passed; its last answer.
bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs = kDefaultWaitMs);

// --- finding windows -------------------------------------------------------------------------

// Top-level windows matching the query now, in z-order.
std::vector<HWND> FindTopWindows(const TWindowQuery& query);
// Polls until a matching top-level window exists; nullptr when the limit runs out.
HWND WaitForWindow(const TWindowQuery& query, DWORD limitMs = kDefaultWaitMs);
// Polls until the window no longer exists; false when the limit runs out.
bool WaitForWindowGone(HWND hwnd, DWORD limitMs = kDefaultWaitMs);
// Id of the process that owns the window (0 if it is gone).
DWORD WindowProcessId(HWND hwnd);

// --- reading windows -------------------------------------------------------------------------

std::string ClassNameOf(HWND hwnd);
// The caption or control text through WM_GETTEXT, as code page 932 bytes.
std::string TextOf(HWND hwnd);
// The caption or control text through WM_GETTEXT as UTF-16, as a reader that does not share
// the window's code page sees it (the window's own texts, whatever functions showed them).
std::wstring WideTextOf(HWND hwnd);
// Rectangle of a child in its parent's client coordinates (GetWindowRect + ScreenToClient).
RECT RectInParent(HWND child);
TWindowInfo InfoOf(HWND hwnd);
// Direct children in z-order.
std::vector<TWindowInfo> ChildrenOf(HWND parent);
// Direct child with the control ID; nullptr when none.
HWND ChildById(HWND parent, int id);
// Lines of a list box through LB_GETCOUNT / LB_GETTEXT (code page 932 bytes, 0x5C intact).
std::vector<std::string> ListBoxItems(HWND listBox);
// The same lines as UTF-16.
std::vector<std::wstring> WideListBoxItems(HWND listBox);
TWindowDump DumpWindow(HWND hwnd);

// Waits until the window's thread has handled everything posted so far (WM_NULL round trips),
// so that a screenshot or a reading sees the settled state. False if the thread does not answer.
bool Settle(HWND hwnd, DWORD limitMs = kDefaultWaitMs);

// --- acting on windows -----------------------------------------------------------------------

// Posts BM_CLICK to a button (the button's own click handling, no mouse position involved).
void ClickButton(HWND button);
// Clicks the direct child with the control ID; false when there is none.
bool ClickChild(HWND parent, int id);
// Posts WM_CLOSE (the close box's route).
void PostClose(HWND hwnd);

// The window that has the keyboard focus in the thread of a top-level window (the window
// itself when its thread reports none).
HWND FocusOf(HWND topLevel);

// Keys. PostKey posts the key messages to one window (for a control's own handling: Escape
// and Tab are seen by the message loop that dispatches them). With alt it posts
// WM_SYSKEYDOWN/WM_SYSCHAR/WM_SYSKEYUP as the system does for Alt+letter.
void PostKey(HWND target, WORD vk, bool alt = false);
// Types the key through the system's input queue (keybd_event) after bringing the window to
// the foreground: exercises accelerators and hooks as a user's keyboard would.
bool TypeKey(HWND topLevel, WORD vk, bool alt = false);

// --- message boxes ---------------------------------------------------------------------------

// A system message box (#32770) owned by pid (0: any process), optionally with the exact title.
HWND WaitForMessageBox(DWORD pid = 0, const std::string& title = std::string(),
                       DWORD limitMs = kDefaultWaitMs);
// The message text (the static control with id 0xFFFF; CR LF kept).
std::string MessageBoxText(HWND box);
// The same as UTF-16.
std::wstring WideMessageBoxText(HWND box);
// Presses OK: BM_CLICK on the IDOK button, or WM_COMMAND IDOK when the box has no such button.
void PressMessageBoxOk(HWND box);

// --- processes -------------------------------------------------------------------------------

struct TProcess {
  handles::TUniqueKernelObject handle;
  DWORD pid = 0;
};

// Starts commandLine (no application name) in folder (the current one when empty); whether the
// system started it. A program of Wine's host (a path on drive Z:) starts without a process
// handle, so the handle alone cannot tell.
bool StartProcess(std::string commandLine, BOOL inheritHandles, const std::string& folder, STARTUPINFOA& startup,
                  TProcess& process);
// Starts a command line as Explorer's Add/Remove Programs does (CreateProcessA, no
// application name, the system folder as the working folder, the null device as standard
// handles). Empty handle on failure.
TProcess StartCommandLine(const std::string& commandLine, const std::string& workDir = std::string());
// Starts a command line that shares this process's console and standard handles (its output
// shows in the test's log), in the current folder.
TProcess StartSharingOutput(const std::string& commandLine);
// Runs a command line (sharing the output) to its end; its exit code, or ~0u when it did not end.
DWORD RunToEnd(const std::string& commandLine);
// Opens a process to wait on it; empty when it has already gone.
TProcess OpenProcessById(DWORD pid);
// Waits for the process to end; false when the limit runs out. exitCode may be null.
bool WaitForExit(const TProcess& process, DWORD limitMs = kDefaultWaitMs, DWORD* exitCode = nullptr);
// Full path of the process's executable (code page 932); empty when it cannot be read.
std::string ProcessImagePath(DWORD pid);
// The processes that the process started and that still run.
std::vector<DWORD> ChildProcessIds(DWORD parentPid);
// Ends every process that owns a window matching the query (leftovers of a failed scenario).
// Returns how many were ended.
int TerminateOwnersOf(const TWindowQuery& query);

// --- text ------------------------------------------------------------------------------------

// Code page 932 bytes to UTF-8 (for printing and for readable test messages).
std::string Cp932ToUtf8(const std::string& s);
// UTF-8 to code page 932 bytes.
std::string Utf8ToCp932(const std::string& s);
// UTF-16 to UTF-8 (for readable messages) and to and from this process's ANSI code page (for the
// ANSI functions with which the tests install and start things).
std::string WideToUtf8(const std::wstring& s);
std::string AnsiToUtf8(const std::string& s);
std::string WideToAnsi(const std::wstring& s);
std::wstring AnsiToWide(const std::string& s);
// Bytes with everything outside printable ASCII shown as \xNN (for exact-byte failure messages).
std::string EscapeBytes(const std::string& s);

}  // namespace testsupport
