// Test helper: a thread that waits for the system message box that the test's own thread is
// about to show, records what it shows and presses one of its buttons.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

struct TCapturedBox {
  bool Found = false;
  std::string Title;
  std::string Text;  // the static control 0xFFFF: the message with its CR LF pairs
  std::wstring WideTitle, WideText;  // the same, read as UTF-16
  HWND Owner = nullptr;
};

class TMessageBoxWatcher {
 public:
  // Watches the windows of the calling thread; presses the button with the id buttonId.
  explicit TMessageBoxWatcher(int buttonId = IDOK)
      : threadId_(GetCurrentThreadId()), buttonId_(buttonId), thread_([this] { Watch(); }) {}
  ~TMessageBoxWatcher() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  TMessageBoxWatcher(const TMessageBoxWatcher&) = delete;
  TMessageBoxWatcher& operator=(const TMessageBoxWatcher&) = delete;

  // Waits for the watcher to finish (the box was pressed, or it gave up) and returns its record.
  TCapturedBox Result() {
    if (thread_.joinable()) thread_.join();
    return box_;
  }

 private:
  static BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof(className));
    if (std::string(className) == "#32770" && IsWindowVisible(window) && GetDlgItem(window, 0xFFFF)) {
      *reinterpret_cast<HWND*>(param) = window;
      return FALSE;
    }
    return TRUE;
  }

  void Watch() {
    // A generous limit: the box normally appears within milliseconds.
    for (int attempt = 0; attempt < 600 && !stop_; ++attempt) {
      HWND box = nullptr;
      EnumThreadWindows(threadId_, &FindBox, reinterpret_cast<LPARAM>(&box));
      if (box) {
        box_.Found = true;
        box_.Title = Text(box);
        box_.Text = Text(GetDlgItem(box, 0xFFFF));
        box_.WideTitle = WideText(box);
        box_.WideText = WideText(GetDlgItem(box, 0xFFFF));
        box_.Owner = GetWindow(box, GW_OWNER);
        PostMessageA(GetDlgItem(box, buttonId_), BM_CLICK, 0, 0);
        return;
      }
      Sleep(50);
    }
  }

  static std::string Text(HWND window) {
    char buffer[1024] = {};
    GetWindowTextA(window, buffer, sizeof(buffer));
    return buffer;
  }

  static std::wstring WideText(HWND window) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
  }

  DWORD threadId_;
  int buttonId_;
  std::atomic<bool> stop_{false};
  TCapturedBox box_;
  std::thread thread_;
};
