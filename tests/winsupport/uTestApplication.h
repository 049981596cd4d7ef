// The toolkit's application object as the Windows tests use it: one per test, whose queued
// messages a test can handle as the message loop would, without running the loop.
#pragma once
#include <windows.h>

#include <string>

#include "ui/uApplication_win.h"
#include "ui/uControls_win.h"
#include "ui/uForm_win.h"

namespace testsupport {

class TTestApplication : public ui::TApplication {
 public:
  TTestApplication() { SetTitle(OWN_TEXT("Korvane Uninstaller")); }
  ~TTestApplication() override { TakeQuitRequest(); }

  // Handles every message waiting in the queue as the loop does. True when it met the quit
  // request, which ends the handling as it would end the loop.
  bool ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return true;
      HandleMessage(msg);
    }
    return false;
  }

  // Takes a quit request off this thread's queue; true when there was one.
  static bool TakeQuitRequest() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
  }
};

// A small form for the toolkit's own tests: a label, a list box, an OK button and a cancel
// button (which closes the form), in the tab order Cancel, list, OK.
class TTestForm : public ui::TForm {
 public:
  static constexpr int kListId = 101, kOkId = 102, kCancelId = 103;

  explicit TTestForm(const char* className = "TTestForm")
      : ui::TForm({className, "TestForm", OWN_TEXT("Test form"), 300, 150, 0, 0, {OWN_TEXT("Tahoma"), -12, 0}}) {
    Label = Add<ui::TLabel>({"Label", 8, 8, 100, 12, OWN_TEXT("Label text"), -1, 0, false, 0});
    List = Add<ui::TListBox>({"List", 8, 24, 200, 60, {nullptr, nullptr}, 1, kListId, false, 12});
    Ok = Add<ui::TButton>({"Ok", 8, 100, 80, 20, OWN_TEXT("&OK"), 2, kOkId, false, 0});
    Cancel = Add<ui::TButton>({"Cancel", 100, 100, 80, 20, OWN_TEXT("&Cancel"), 0, kCancelId, true, 0});
    Cancel->OnClick = [this](ui::TComponent*) { Close(); };
    Loaded();
  }

  ui::TLabel* Label;
  ui::TListBox* List;
  ui::TButton* Ok;
  ui::TButton* Cancel;
};

}  // namespace testsupport
