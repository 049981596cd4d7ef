#include "ui/uAltFixOnVista_win.h"

#include <vector>

#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"
#include "ui/uForms_win.h"
#include "ui/uVisualStyles_win.h"

namespace altfix {
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

void RepaintFormOf(HWND window) {
  const std::vector<ui::TForm*> forms = ui::Application().Forms();
  for (ui::TForm* form : forms) {
    if (form->Handle() == window) {
      InvalidateWindowedTree(*form);
      return;
    }
  }
}

}  // namespace

void StartUp() {
  if (hook) return;
  if (platform::WindowsVersion().Major < 6) return;
  hook.reset(SetWindowsHookExA(WH_CALLWNDPROC, &AltFixHookProc, nullptr, GetCurrentThreadId()));
}

void ShutDown() { hook.reset(); }

bool HookInstalled() { return static_cast<bool>(hook); }

LRESULT CALLBACK AltFixHookProc(int code, WPARAM wParam, LPARAM lParam) {
  // Every message sent on this thread passes here: the two cheap tests come first, and the
  // theme question is asked only for the cue change itself.
  try {
    if (code >= 0) {
      const auto* record = reinterpret_cast<const CWPSTRUCT*>(lParam);
      if (record && record->message == WM_UPDATEUISTATE && ui::VisualStylesInEffect()) {
        RepaintFormOf(record->hwnd);
      }
    }
  } catch (...) {
    // A failed repaint must not take the message with it.
  }
  return CallNextHookEx(hook.get(), code, wParam, lParam);
}

}  // namespace altfix
