// Command-line face of the automation driver, for scripts (the demo) running it under Wine in
// the same prefix as the program. Output is UTF-8 unless --cp932 asks for the raw bytes (the
// ANSI code page's, 932 under the Japanese locale). Window and message texts are read as UTF-16,
// so they print alike under any locale that the driver runs in.
//
//   driver <command> [options]
// Window target (commands marked *): --hwnd 0xHEX, or a query that is waited for:
//   --class NAME  --title TEXT  --pid N  (at least one)
// Common: --timeout SECONDS (0 = no limit; default 60), --cp932
//
//   wait-window *        print "<hwnd> <pid>" of the window
//   dump *               caption, client size, controls (class, id, text, rectangle), list lines
//   rect *               "<left> <top> <width> <height>" of the whole window in screen pixels
//   settle *             return once the window's thread has handled everything queued
//   click * --id N       post BM_CLICK to the child control N
//   close *              post WM_CLOSE
//   key * --key K [--type]   K: escape, tab, enter, space, alt+LETTER, LETTER; --type sends it
//                        through the system's input queue instead of posting to the focus
//   process-path --pid N | *   full path of the process's (or the window owner's) executable
//   wait-gone *          wait until the window no longer exists
//   wait-exit --pid N | *    wait for the process (or the window's owner) to end; "exit <code>"
//   msgbox-wait [--pid N] [--title T]   print "<hwnd> <pid>" of a message box
//   msgbox-text [--pid N] [--title T]   print its text
//   msgbox-ok [--pid N] [--title T]     press its OK
//   start PROGRAM [ARG...]   start a process (words with spaces get quoted); print its pid
//   start-uninstall --product P   start P's UninstallString as Add/Remove Programs does; pid
//   run-uninstall --product P [--args TEXT]   start P's UninstallString with TEXT after it, as
//                        a deployment tool does, wait for it to end and print "exit <code>"
//   install-sample [--product P] [--folder F] [--uninstaller-name N] [--no-scr] [--no-txt]
//                  [--no-uninstaller] [--entry full|missing|no-value|empty] [--bare]
//                  [--no-subkeys] [--no-sibling] [--source WINPATH] [--guid MUTEX] [--append FILE]
//   remove-sample [--product P] [--folder F] [--uninstaller-name N]
//   state [--product P] [--folder F]   files and registry entries of the sample
//   pending              the pending restart operations (PendingFileRenameOperations)
//   exists --path P      "yes" or "no"
//   cat --path P         the file's text (code page 932); %VARIABLES% in P are expanded
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "winsupport/uDriver.h"
#include "winsupport/uMachine.h"
#include "winsupport/uSample.h"

using namespace testsupport;

namespace {

struct TArgs {
  std::string command;
  std::map<std::string, std::string> values;
  std::vector<std::string> flags;
  std::vector<std::string> rest;

  bool Has(const std::string& k) const {
    for (const auto& f : flags)
      if (f == k) return true;
    return values.count(k) != 0;
  }
  std::string Get(const std::string& k, const std::string& def = std::string()) const {
    auto it = values.find(k);
    return it == values.end() ? def : it->second;
  }
};

const char* const kValueOptions[] = {"--hwnd", "--class", "--title", "--pid", "--timeout", "--id", "--key",
                                     "--product", "--folder", "--uninstaller-name", "--entry", "--source",
                                     "--append", "--guid", "--path", "--args"};

bool TakesValue(const std::string& opt) {
  for (const char* o : kValueOptions)
    if (opt == o) return true;
  return false;
}

TArgs Parse(int argc, char** argv) {
  TArgs a;
  if (argc < 2) throw std::invalid_argument("missing command");
  a.command = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::string s = argv[i];
    if (a.command == "start") {
      a.rest.push_back(s);
    } else if (TakesValue(s)) {
      if (i + 1 >= argc) throw std::invalid_argument("missing value after " + s);
      a.values[s] = argv[++i];
    } else if (s.rfind("--", 0) == 0) {
      a.flags.push_back(s);
    } else {
      throw std::invalid_argument("unexpected argument " + s);
    }
  }
  return a;
}

bool g_raw = false;

void PrintUtf8(const std::string& utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stdout); }

// Text in the ANSI code page (paths, names, numbers).
void Print(const std::string& ansi) { PrintUtf8(g_raw ? ansi : AnsiToUtf8(ansi)); }

// A window's own text: UTF-8 from its UTF-16 form, or the raw ANSI bytes with --cp932.
std::string Shown(HWND window, const std::string& ansi) { return g_raw ? ansi : WideToUtf8(WideTextOf(window)); }

std::string Hex(HWND h) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(h)));
  return buf;
}

DWORD LimitMs(const TArgs& a) {
  const std::string t = a.Get("--timeout", "60");
  const unsigned long s = std::strtoul(t.c_str(), nullptr, 10);
  return s == 0 ? INFINITE : static_cast<DWORD>(s * 1000);
}

TWindowQuery QueryFrom(const TArgs& a) {
  TWindowQuery q;
  q.className = a.Get("--class");
  q.title = a.Get("--title");
  q.pid = static_cast<DWORD>(std::strtoul(a.Get("--pid", "0").c_str(), nullptr, 10));
  return q;
}

HWND Target(const TArgs& a) {
  if (a.Has("--hwnd")) {
    HWND h = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::strtoul(a.Get("--hwnd").c_str(), nullptr, 0)));
    if (!IsWindow(h)) throw std::runtime_error("no such window " + a.Get("--hwnd"));
    return h;
  }
  const TWindowQuery q = QueryFrom(a);
  if (q.className.empty() && q.title.empty() && q.pid == 0)
    throw std::invalid_argument("give --hwnd, or --class / --title / --pid");
  HWND h = WaitForWindow(q, LimitMs(a));
  if (!h) throw std::runtime_error("window not found");
  return h;
}

std::string RectText(const RECT& r) {
  std::ostringstream s;
  s << r.left << "," << r.top << " " << (r.right - r.left) << "x" << (r.bottom - r.top);
  return s.str();
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '"') out += "\\\"";
    else out += c;
  }
  return out + "\"";
}

void PrintDump(HWND h) {
  const TWindowDump d = DumpWindow(h);
  std::ostringstream s;
  s << "window " << Hex(h) << " pid " << d.pid << " class " << Quoted(d.window.className) << "\n";
  const std::string image = ProcessImagePath(d.pid);
  s << "process " << Quoted(g_raw ? image : AnsiToUtf8(image)) << "\n";
  s << "caption " << Quoted(Shown(h, d.window.text)) << "\n";
  s << "rect " << RectText(d.window.rect) << " client " << d.clientSize.cx << "x" << d.clientSize.cy << "\n";
  for (size_t i = 0; i < d.controls.size(); ++i) {
    const TWindowInfo& c = d.controls[i];
    s << "control id " << c.id << " class " << Quoted(c.className) << " rect " << RectText(c.rect) << " text "
      << Quoted(Shown(c.hwnd, c.text)) << (c.visible ? "" : " hidden") << (c.enabled ? "" : " disabled") << "\n";
    const std::vector<std::wstring> wideItems = g_raw ? std::vector<std::wstring>() : WideListBoxItems(c.hwnd);
    for (size_t j = 0; j < d.listItems[i].size(); ++j)
      s << "  item " << j << " " << Quoted(g_raw || j >= wideItems.size() ? d.listItems[i][j] : WideToUtf8(wideItems[j]))
        << "\n";
  }
  // Each text went in as UTF-8 already (raw bytes with --cp932); the rest is ASCII.
  PrintUtf8(s.str());
}

WORD ParseKey(const std::string& key, bool* alt) {
  std::string k = key;
  *alt = false;
  if (k.rfind("alt+", 0) == 0) {
    *alt = true;
    k = k.substr(4);
  }
  if (k == "escape" || k == "esc") return VK_ESCAPE;
  if (k == "tab") return VK_TAB;
  if (k == "enter" || k == "return") return VK_RETURN;
  if (k == "space") return VK_SPACE;
  if (k.size() == 1 && std::isalnum(static_cast<unsigned char>(k[0])))
    return static_cast<WORD>(std::toupper(static_cast<unsigned char>(k[0])));
  throw std::invalid_argument("unknown key " + key);
}

TSampleOptions SampleOptionsFrom(const TArgs& a) {
  TSampleOptions o;
  o.product = a.Get("--product", "Sample");
  o.folderName = a.Get("--folder");
  o.uninstallerName = a.Get("--uninstaller-name");
  o.scr = !a.Has("--no-scr");
  o.txt = !a.Has("--no-txt");
  o.uninstaller = !a.Has("--no-uninstaller");
  const std::string entry = a.Get("--entry", "full");
  if (entry == "full") o.entry = TEntryKind::Full;
  else if (entry == "missing") o.entry = TEntryKind::Missing;
  else if (entry == "no-value") o.entry = TEntryKind::NoUninstallString;
  else if (entry == "empty") o.entry = TEntryKind::EmptyUninstallString;
  else throw std::invalid_argument("unknown --entry " + entry);
  o.quoteUninstallString = !a.Has("--bare");
  o.subkeys = !a.Has("--no-subkeys");
  o.sibling = !a.Has("--no-sibling");
  o.uninstallerSource = a.Get("--source");
  o.guid = a.Get("--guid");
  if (a.Has("--append")) {
    std::ifstream in(a.Get("--append"), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + a.Get("--append"));
    o.appendedBlock.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return o;
}

int Run(const TArgs& a) {
  g_raw = a.Has("--cp932");
  const std::string& c = a.command;
  if (c == "wait-window") {
    HWND h = Target(a);
    Print(Hex(h) + " " + std::to_string(WindowProcessId(h)) + "\n");
  } else if (c == "dump") {
    PrintDump(Target(a));
  } else if (c == "rect") {
    RECT r{};
    GetWindowRect(Target(a), &r);
    Print(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
          std::to_string(r.bottom - r.top) + "\n");
  } else if (c == "settle") {
    if (!Settle(Target(a), LimitMs(a))) throw std::runtime_error("the window does not answer");
  } else if (c == "click") {
    if (!ClickChild(Target(a), std::atoi(a.Get("--id", "0").c_str()))) throw std::runtime_error("no such control");
  } else if (c == "close") {
    PostClose(Target(a));
  } else if (c == "key") {
    HWND h = Target(a);
    bool alt = false;
    const WORD vk = ParseKey(a.Get("--key"), &alt);
    if (a.Has("--type")) {
      if (!TypeKey(h, vk, alt)) throw std::runtime_error("the window did not come to the foreground");
    } else {
      PostKey(FocusOf(h), vk, alt);
    }
  } else if (c == "process-path") {
    DWORD pid = static_cast<DWORD>(std::strtoul(a.Get("--pid", "0").c_str(), nullptr, 10));
    if (pid == 0) pid = WindowProcessId(Target(a));
    const std::string path = ProcessImagePath(pid);
    if (path.empty()) throw std::runtime_error("cannot read the process's image path");
    Print(path + "\n");
  } else if (c == "wait-gone") {
    if (!WaitForWindowGone(Target(a), LimitMs(a))) throw std::runtime_error("the window is still there");
  } else if (c == "wait-exit") {
    DWORD pid = static_cast<DWORD>(std::strtoul(a.Get("--pid", "0").c_str(), nullptr, 10));
    if (pid == 0 || a.Has("--hwnd") || a.Has("--class") || a.Has("--title")) pid = WindowProcessId(Target(a));
    TProcess p = OpenProcessById(pid);
    DWORD code = 0;
    if (!p.handle) {
      Print("gone\n");
    } else {
      if (!WaitForExit(p, LimitMs(a), &code)) throw std::runtime_error("the process is still running");
      Print("exit " + std::to_string(code) + "\n");
    }
  } else if (c == "msgbox-wait" || c == "msgbox-text" || c == "msgbox-ok") {
    const DWORD pid = static_cast<DWORD>(std::strtoul(a.Get("--pid", "0").c_str(), nullptr, 10));
    HWND box = WaitForMessageBox(pid, a.Get("--title"), LimitMs(a));
    if (!box) throw std::runtime_error("no message box");
    if (c == "msgbox-wait") Print(Hex(box) + " " + std::to_string(WindowProcessId(box)) + "\n");
    if (c == "msgbox-text") PrintUtf8((g_raw ? MessageBoxText(box) : WideToUtf8(WideMessageBoxText(box))) + "\n");
    if (c == "msgbox-ok") {
      PressMessageBoxOk(box);
      if (!WaitForWindowGone(box, LimitMs(a))) throw std::runtime_error("the message box stays");
    }
  } else if (c == "start" || c == "start-uninstall") {
    std::string cmd;
    if (c == "start") {
      // Each argument is one word of the command line: quoted when it holds a space.
      for (const std::string& r : a.rest) {
        const bool quote = r.empty() || (r.find(' ') != std::string::npos && r.front() != '"');
        cmd += (cmd.empty() ? "" : " ") + (quote ? "\"" + r + "\"" : r);
      }
      if (cmd.empty()) throw std::invalid_argument("start needs a command line");
    } else {
      const TSample s = SampleLayout(SampleOptionsFrom(a));
      cmd = ReadString(HKEY_LOCAL_MACHINE, s.keyPath, "UninstallString");
      if (cmd.empty()) throw std::runtime_error("no UninstallString for the product");
    }
    TProcess p = StartCommandLine(cmd);
    if (!p.handle) throw std::runtime_error("cannot start " + AnsiToUtf8(cmd));
    Print(std::to_string(p.pid) + "\n");
  } else if (c == "run-uninstall") {
    const TSample s = SampleLayout(SampleOptionsFrom(a));
    std::string cmd = ReadString(HKEY_LOCAL_MACHINE, s.keyPath, "UninstallString");
    if (cmd.empty()) throw std::runtime_error("no UninstallString for the product");
    if (a.Has("--args")) cmd += " " + a.Get("--args");
    TProcess p = StartCommandLine(cmd);
    if (!p.handle) throw std::runtime_error("cannot start " + AnsiToUtf8(cmd));
    DWORD code = 0;
    if (!WaitForExit(p, LimitMs(a), &code)) throw std::runtime_error("the uninstaller is still running");
    Print("exit " + std::to_string(code) + "\n");
  } else if (c == "cat") {
    char path[MAX_PATH] = {};
    const DWORD n = ExpandEnvironmentStringsA(a.Get("--path").c_str(), path, MAX_PATH);
    if (n == 0 || n > MAX_PATH) throw std::runtime_error("cannot expand " + a.Get("--path"));
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + path);
    Print(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  } else if (c == "install-sample") {
    const TSample s = InstallSample(SampleOptionsFrom(a));
    Print("installed " + s.folder + (s.keyPath.empty() ? "" : " HKLM\\" + s.keyPath) + "\n");
  } else if (c == "remove-sample") {
    RemoveSample(SampleLayout(SampleOptionsFrom(a)));
  } else if (c == "pending") {
    for (const auto& p : PendingRenames())
      Print(p.first + (p.second.empty() ? std::string("  (delete)") : "  -> " + p.second) + "\n");
  } else if (c == "exists") {
    const DWORD attr = GetFileAttributesA(a.Get("--path").c_str());
    Print(attr == INVALID_FILE_ATTRIBUTES ? "no\n" : "yes\n");
  } else if (c == "state") {
    const std::string text = CaptureState(SampleLayout(SampleOptionsFrom(a))).Describe();  // UTF-8 already
    std::fwrite(text.data(), 1, text.size(), stdout);
  } else {
    throw std::invalid_argument("unknown command " + c);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  TArgs args;
  try {
    args = Parse(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "driver: %s (see the comment at the top of driver.cpp)\n", e.what());
    return 2;
  }
  try {
    const int rc = Run(args);
    std::fflush(stdout);
    return rc;
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "driver %s: %s\n", args.command.c_str(), e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "driver %s: %s\n", args.command.c_str(), e.what());
    return 1;
  }
}
