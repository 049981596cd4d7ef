#include "winsupport/uDriver.h"

#include <tlhelp32.h>

#include <cstdio>

namespace testsupport {
namespace {

constexpr DWORD kPollMs = 50;
// Each cross-process message is answered within this, or the target counts as hung.
constexpr UINT kMessageLimitMs = 10000;

LRESULT SendWithLimit(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool* ok = nullptr) {
  DWORD_PTR result = 0;
  const LRESULT sent = SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, kMessageLimitMs, &result);
  if (ok) *ok = sent != 0;
  return sent ? static_cast<LRESULT>(result) : 0;
}

struct TEnumState {
  const TWindowQuery* query;
  std::vector<HWND>* found;
};

bool Matches(HWND hwnd, const TWindowQuery& q) {
  if (q.visibleOnly && !IsWindowVisible(hwnd)) return false;
  if (q.pid != 0 && WindowProcessId(hwnd) != q.pid) return false;
  if (!q.className.empty() && lstrcmpiA(ClassNameOf(hwnd).c_str(), q.className.c_str()) != 0) return false;
  if (!q.title.empty() && TextOf(hwnd) != q.title) return false;
  return true;
}

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM lp) {
  auto* state = reinterpret_cast<TEnumState*>(lp);
  if (Matches(hwnd, *state->query)) state->found->push_back(hwnd);
  return TRUE;
}

LPARAM KeyLParam(WORD vk, bool up, bool alt) {
  LPARAM lp = 1 | (static_cast<LPARAM>(MapVirtualKeyA(vk, 0) & 0xFF) << 16);
  if (alt) lp |= 1 << 29;
  if (up) lp |= (1u << 30) | (1u << 31);
  return lp;
}

std::string Convert(const std::string& s, UINT from, UINT to) {
  if (s.empty()) return s;
  const int wlen = MultiByteToWideChar(from, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (wlen <= 0) return s;
  std::wstring w(static_cast<size_t>(wlen), L'\0');
  MultiByteToWideChar(from, 0, s.data(), static_cast<int>(s.size()), &w[0], wlen);
  const int len = WideCharToMultiByte(to, 0, w.data(), wlen, nullptr, 0, nullptr, nullptr);
  if (len <= 0) return s;
  std::string out(static_cast<size_t>(len), '\0');
  WideCharToMultiByte(to, 0, w.data(), wlen, &out[0], len, nullptr, nullptr);
  return out;
}

std::string FromWide(const std::wstring& w, UINT codePage) {
  if (w.empty()) return std::string();
  const int len = WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  if (len <= 0) return std::string();
  std::string out(static_cast<size_t>(len), '\0');
  WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), &out[0], len, nullptr, nullptr);
  return out;
}

std::string WideToCp932(const std::wstring& w) { return FromWide(w, 932); }

// The process and its id, or an empty handle when it did not start.
TProcess Started(std::string commandLine, BOOL inheritHandles, const std::string& folder, STARTUPINFOA& startup) {
  TProcess process;
  StartProcess(commandLine, inheritHandles, folder, startup, process);
  return process;
}

}  // namespace

bool StartProcess(std::string commandLine, BOOL inheritHandles, const std::string& folder, STARTUPINFOA& startup,
                  TProcess& process) {
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, inheritHandles, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    return false;
  }
  if (info.hThread) CloseHandle(info.hThread);
  process.handle.reset(info.hProcess);
  process.pid = info.dwProcessId;
  return true;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD limitMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= limitMs) return condition();
    Sleep(kPollMs);
  }
}

std::vector<HWND> FindTopWindows(const TWindowQuery& query) {
  std::vector<HWND> found;
  TEnumState state{&query, &found};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&state));
  return found;
}

HWND WaitForWindow(const TWindowQuery& query, DWORD limitMs) {
  HWND hwnd = nullptr;
  WaitUntil(
      [&] {
        const std::vector<HWND> found = FindTopWindows(query);
        hwnd = found.empty() ? nullptr : found.front();
        return hwnd != nullptr;
      },
      limitMs);
  return hwnd;
}

bool WaitForWindowGone(HWND hwnd, DWORD limitMs) {
  return WaitUntil([&] { return !IsWindow(hwnd); }, limitMs);
}

DWORD WindowProcessId(HWND hwnd) {
  DWORD pid = 0;
  if (!GetWindowThreadProcessId(hwnd, &pid)) return 0;
  return pid;
}

std::string ClassNameOf(HWND hwnd) {
  char buf[256] = {};
  const int n = GetClassNameA(hwnd, buf, sizeof buf);
  return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string TextOf(HWND hwnd) {
  bool ok = false;
  const LRESULT len = SendWithLimit(hwnd, WM_GETTEXTLENGTH, 0, 0, &ok);
  if (!ok) return std::string();
  // The length may count UTF-16 units on the way through Wine; leave room for double bytes.
  std::vector<char> buf(static_cast<size_t>(len) * 2 + 2, '\0');
  const LRESULT got = SendWithLimit(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
  const size_t n = got > 0 ? static_cast<size_t>(got) : 0;
  return std::string(buf.data(), n < buf.size() ? n : buf.size() - 1);
}

std::wstring WideTextOf(HWND hwnd) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageLimitMs, &len)) return std::wstring();
  std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(&buf[0]), SMTO_ABORTIFHUNG,
                           kMessageLimitMs, &got))
    return std::wstring();
  buf.resize(got < buf.size() ? got : buf.size() - 1);
  return buf;
}

RECT RectInParent(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  HWND parent = GetAncestor(child, GA_PARENT);
  if (parent && parent != GetDesktopWindow()) {
    POINT tl{r.left, r.top}, br{r.right, r.bottom};
    ScreenToClient(parent, &tl);
    ScreenToClient(parent, &br);
    r = RECT{tl.x, tl.y, br.x, br.y};
  }
  return r;
}

TWindowInfo InfoOf(HWND hwnd) {
  TWindowInfo info;
  info.hwnd = hwnd;
  info.className = ClassNameOf(hwnd);
  const bool child = (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) != 0;
  info.id = child ? GetDlgCtrlID(hwnd) : 0;
  info.text = TextOf(hwnd);
  info.rect = RectInParent(hwnd);
  info.visible = IsWindowVisible(hwnd) != FALSE;
  info.enabled = IsWindowEnabled(hwnd) != FALSE;
  return info;
}

std::vector<TWindowInfo> ChildrenOf(HWND parent) {
  std::vector<TWindowInfo> children;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(InfoOf(c));
  return children;
}

HWND ChildById(HWND parent, int id) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (GetDlgCtrlID(c) == id) return c;
  return nullptr;
}

std::vector<std::wstring> WideListBoxItems(HWND listBox) {
  std::vector<std::wstring> items;
  bool ok = false;
  const LRESULT count = SendWithLimit(listBox, LB_GETCOUNT, 0, 0, &ok);
  if (!ok || count == LB_ERR) return items;
  for (LRESULT i = 0; i < count; ++i) {
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, SMTO_ABORTIFHUNG, kMessageLimitMs,
                             &len) ||
        static_cast<LRESULT>(len) == LB_ERR)
      break;
    std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(listBox, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&buf[0]),
                             SMTO_ABORTIFHUNG, kMessageLimitMs, &got) ||
        static_cast<LRESULT>(got) == LB_ERR)
      break;
    buf.resize(got < buf.size() ? got : buf.size() - 1);
    items.push_back(buf);
  }
  return items;
}

std::vector<std::string> ListBoxItems(HWND listBox) {
  // Asked in UTF-16 and converted here: Wine hands an ANSI LB_GETTEXT from another process the
  // list box's UTF-16 text unconverted. The round trip keeps code page 932 bytes exact.
  std::vector<std::string> items;
  for (const std::wstring& item : WideListBoxItems(listBox)) items.push_back(WideToCp932(item));
  return items;
}

TWindowDump DumpWindow(HWND hwnd) {
  TWindowDump dump;
  dump.window = InfoOf(hwnd);
  dump.pid = WindowProcessId(hwnd);
  RECT client{};
  GetClientRect(hwnd, &client);
  dump.clientSize = SIZE{client.right - client.left, client.bottom - client.top};
  dump.controls = ChildrenOf(hwnd);
  for (const TWindowInfo& c : dump.controls) {
    if (lstrcmpiA(c.className.c_str(), "ListBox") == 0)
      dump.listItems.push_back(ListBoxItems(c.hwnd));
    else
      dump.listItems.emplace_back();
  }
  return dump;
}

bool Settle(HWND hwnd, DWORD limitMs) {
  // Paint messages come when the queue is empty: two round trips with a pause between let the
  // window finish what the first one found pending.
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, limitMs, &r)) return false;
  Sleep(200);
  return SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, limitMs, &r) != 0;
}

void ClickButton(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

bool ClickChild(HWND parent, int id) {
  HWND c = ChildById(parent, id);
  if (!c) return false;
  ClickButton(c);
  return true;
}

void PostClose(HWND hwnd) { PostMessageA(hwnd, WM_CLOSE, 0, 0); }

HWND FocusOf(HWND topLevel) {
  GUITHREADINFO gti{};
  gti.cbSize = sizeof gti;
  const DWORD thread = GetWindowThreadProcessId(topLevel, nullptr);
  if (thread && GetGUIThreadInfo(thread, &gti) && gti.hwndFocus) return gti.hwndFocus;
  return topLevel;
}

void PostKey(HWND target, WORD vk, bool alt) {
  // Only the key transitions: the target's own TranslateMessage makes the character messages,
  // as it does for a real keyboard.
  if (alt) {
    PostMessageA(target, WM_SYSKEYDOWN, VK_MENU, KeyLParam(VK_MENU, false, true));
    PostMessageA(target, WM_SYSKEYDOWN, vk, KeyLParam(vk, false, true));
    PostMessageA(target, WM_SYSKEYUP, vk, KeyLParam(vk, true, true));
    PostMessageA(target, WM_KEYUP, VK_MENU, KeyLParam(VK_MENU, true, false));
  } else {
    PostMessageA(target, WM_KEYDOWN, vk, KeyLParam(vk, false, false));
    PostMessageA(target, WM_KEYUP, vk, KeyLParam(vk, true, false));
  }
}

bool TypeKey(HWND topLevel, WORD vk, bool alt) {
  SetForegroundWindow(topLevel);
  if (!WaitUntil([&] { return GetForegroundWindow() == topLevel; }, 5000)) return false;
  const BYTE scan = static_cast<BYTE>(MapVirtualKeyA(vk, 0));
  const BYTE altScan = static_cast<BYTE>(MapVirtualKeyA(VK_MENU, 0));
  if (alt) keybd_event(VK_MENU, altScan, 0, 0);
  keybd_event(static_cast<BYTE>(vk), scan, 0, 0);
  keybd_event(static_cast<BYTE>(vk), scan, KEYEVENTF_KEYUP, 0);
  if (alt) keybd_event(VK_MENU, altScan, KEYEVENTF_KEYUP, 0);
  return true;
}

HWND WaitForMessageBox(DWORD pid, const std::string& title, DWORD limitMs) {
  TWindowQuery q;
  q.className = "#32770";
  q.title = title;
  q.pid = pid;
  q.visibleOnly = true;
  HWND box = nullptr;
  WaitUntil(
      [&] {
        for (HWND h : FindTopWindows(q)) {
          // Fully built: the text control exists.
          if (GetDlgItem(h, 0xFFFF)) {
            box = h;
            return true;
          }
        }
        return false;
      },
      limitMs);
  return box;
}

std::string MessageBoxText(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);
  return text ? TextOf(text) : std::string();
}

std::wstring WideMessageBoxText(HWND box) {
  HWND text = GetDlgItem(box, 0xFFFF);
  return text ? WideTextOf(text) : std::wstring();
}

void PressMessageBoxOk(HWND box) {
  if (HWND ok = GetDlgItem(box, IDOK))
    ClickButton(ok);
  else
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

TProcess StartCommandLine(const std::string& commandLine, const std::string& workDir) {
  std::string dir = workDir;
  if (dir.empty()) {
    char sys[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(sys, MAX_PATH);
    if (n > 0 && n < MAX_PATH) dir.assign(sys, n);
  }
  // The child gets the null device as its standard handles: otherwise Wine hands it ours, and
  // a caller reading our output through a pipe waits until the child ends.
  TFileHandle nulIn(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
  TFileHandle nulOut(CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  STARTUPINFOA si{};
  si.cb = sizeof si;
  if (nulIn && nulOut) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nulIn.get();
    si.hStdOutput = nulOut.get();
    si.hStdError = nulOut.get();
  }
  return Started(commandLine, FALSE, dir, si);
}

TProcess StartSharingOutput(const std::string& commandLine) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  return Started(commandLine, TRUE, std::string(), startup);
}

DWORD RunToEnd(const std::string& commandLine) {
  DWORD code = ~0u;
  const TProcess process = StartSharingOutput(commandLine);
  if (!process.handle || !WaitForExit(process, 2 * kDefaultWaitMs, &code)) return ~0u;
  return code;
}

TProcess OpenProcessById(DWORD pid) {
  TProcess p;
  HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
  if (h) {
    p.handle.reset(h);
    p.pid = pid;
  }
  return p;
}

bool WaitForExit(const TProcess& process, DWORD limitMs, DWORD* exitCode) {
  if (!process.handle) return true;
  if (WaitForSingleObject(process.handle.get(), limitMs) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(process.handle.get(), exitCode);
  return true;
}

std::string ProcessImagePath(DWORD pid) {
  handles::TUniqueKernelObject process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return std::string();
  char buf[MAX_PATH * 2] = {};
  DWORD size = sizeof buf;
  if (!QueryFullProcessImageNameA(process.get(), 0, buf, &size)) return std::string();
  return std::string(buf, size);
}

std::vector<DWORD> ChildProcessIds(DWORD parentPid) {
  std::vector<DWORD> children;
  TFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return children;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID == parentPid && entry.th32ProcessID != parentPid) children.push_back(entry.th32ProcessID);
  }
  return children;
}

int TerminateOwnersOf(const TWindowQuery& query) {
  std::vector<DWORD> pids;
  for (HWND h : FindTopWindows(query)) {
    const DWORD pid = WindowProcessId(h);
    if (pid != 0 && pid != GetCurrentProcessId()) {
      bool seen = false;
      for (DWORD p : pids) seen = seen || p == pid;
      if (!seen) pids.push_back(pid);
    }
  }
  int ended = 0;
  for (DWORD pid : pids) {
    TProcess p = OpenProcessById(pid);
    if (!p.handle) continue;
    if (TerminateProcess(p.handle.get(), 1)) ++ended;
    WaitForSingleObject(p.handle.get(), kMessageLimitMs);
  }
  return ended;
}

std::string Cp932ToUtf8(const std::string& s) { return Convert(s, 932, CP_UTF8); }
std::string Utf8ToCp932(const std::string& s) { return Convert(s, CP_UTF8, 932); }
std::string AnsiToUtf8(const std::string& s) { return Convert(s, CP_ACP, CP_UTF8); }

std::string WideToUtf8(const std::wstring& s) { return FromWide(s, CP_UTF8); }
std::string WideToAnsi(const std::wstring& s) { return FromWide(s, CP_ACP); }

std::wstring AnsiToWide(const std::string& s) {
  if (s.empty()) return std::wstring();
  const int len = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (len <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(len), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &out[0], len);
  return out;
}

std::string EscapeBytes(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

}  // namespace testsupport
