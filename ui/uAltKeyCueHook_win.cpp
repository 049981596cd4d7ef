#include "ui/uAltKeyCueHook_win.h"

#include <vector>

#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"
#include "ui/uApplication_win.h"
#include "ui/uVisualStyles_win.h"

namespace altkeycuehook {
namespace {

handles::TUniqueHook hook;

// Innermost windowed controls first, the control itself last. Windowless children (labels) are
// drawn by their parent and so come back with it.
void InvalidateWindowedTree(ui::TControl& control) {
  const std::vector<ui::TControl*> children = control.Children();
  for (ui::TControl* child : children) {
    if (child->HasOwnWindow()) InvalidateWindowedTree(*child);
  }
  control.Invalidate();
}

// What the hook does with one record before passing it on: for a non-negative code and
// WM_UPDATEUISTATE, and only then, asks whether visual styles are in effect; when they are,
// repaints the application's form whose window the record names.
void RepaintOnCueChange(int code, const CWPSTRUCT* record) {
  // Every message sent on this thread passes here: the two cheap tests come first, and the
  // theme question is asked only for the cue change itself.
  if (code < 0 || !record || record->message != WM_UPDATEUISTATE) return;
  if (!ui::VisualStylesInEffect()) return;
  const ui::TApplication* application = ui::CurrentApplication();
  if (!application) return;
  const std::vector<ui::TForm*> forms = application->Forms();
  for (ui::TForm* form : forms) {
    if (form->Handle() == record->hwnd) {
      InvalidateWindowedTree(*form);
      return;
    }
  }
}

LRESULT CALLBACK AltFixHookProc(int code, WPARAM wParam, LPARAM lParam) {
  try {
    RepaintOnCueChange(code, reinterpret_cast<const CWPSTRUCT*>(lParam));
  } catch (...) {
    // A failed repaint must not take the message with it.
  }
  return CallNextHookEx(hook.get(), code, wParam, lParam);
}

}  // namespace

void StartUp() {
  if (hook) return;
  if (platform::WindowsVersion().Major < 6) return;
  hook.reset(SetWindowsHookExA(WH_CALLWNDPROC, &AltFixHookProc, nullptr, GetCurrentThreadId()));
}

void ShutDown() { hook.reset(); }

}  // namespace altkeycuehook
