#include "ui/uAltFixOnVista_win.h"

#include <vector>

#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"
#include "ui/uApplication_win.h"

namespace altfixonvista {
namespace {

handles::TUniqueHook hook;
TStylesQuery hookQuery = nullptr;

// Innermost windowed controls first, the control itself last. Windowless children (labels) are
// drawn by their parent and so come back with it.
void InvalidateWindowedTree(ui::TControl& control) {
  const std::vector<ui::TControl*> children = control.Children();
  for (ui::TControl* child : children) {
    if (child->HasOwnWindow()) InvalidateWindowedTree(*child);
  }
  control.Invalidate();
}

LRESULT CALLBACK AltFixHookProc(int code, WPARAM wParam, LPARAM lParam) {
  try {
    RepaintOnCueChange(code, reinterpret_cast<const CWPSTRUCT*>(lParam), hookQuery);
  } catch (...) {
    // A failed repaint must not take the message with it.
  }
  return CallNextHookEx(hook.get(), code, wParam, lParam);
}

}  // namespace

void StartUp(TStylesQuery stylesInEffect) {
  if (hook) return;
  if (platform::WindowsVersion().Major < 6) return;
  hookQuery = stylesInEffect;
  hook.reset(SetWindowsHookExA(WH_CALLWNDPROC, &AltFixHookProc, nullptr, GetCurrentThreadId()));
}

void ShutDown() { hook.reset(); }

bool RepaintOnCueChange(int code, const CWPSTRUCT* record, TStylesQuery stylesInEffect) {
  // Every message sent on this thread passes here: the two cheap tests come first, and the
  // theme question is asked only for the cue change itself.
  if (code < 0 || !record || record->message != WM_UPDATEUISTATE) return false;
  if (!stylesInEffect || !stylesInEffect()) return false;
  const ui::TApplication* application = ui::CurrentApplication();
  if (!application) return false;
  const std::vector<ui::TForm*> forms = application->Forms();
  for (ui::TForm* form : forms) {
    if (form->Handle() == record->hwnd) {
      InvalidateWindowedTree(*form);
      return true;
    }
  }
  return false;
}

}  // namespace altfixonvista
