// The Alt key cue repaint: on Windows 6.0 and later, with visual styles in effect, the system
// changes a window's keyboard cues (access-key underlines, focus rectangles) by sending it
// WM_UPDATEUISTATE but leaves the themed controls showing the old cues until something else
// repaints them. A message hook on the user-interface thread marks the form and its windowed
// controls for repainting at that moment.
#pragma once
#include <windows.h>

namespace altfix {

// Installs the hook on this thread when the Windows version is 6.0 or later; nothing on older
// versions or when already installed. A failed installation leaves the program without the fix.
void StartUp();
// Removes the hook when one is installed; the outcome is ignored.
void ShutDown();
// Whether the hook is installed now.
bool HookInstalled();

// The WH_CALLWNDPROC procedure. It never lets an exception escape and always passes the call on.
LRESULT CALLBACK AltFixHookProc(int code, WPARAM wParam, LPARAM lParam);

// Start-up and shut-down for the life of a scope: the program holds one for its whole run.
class TAltFixModule {
 public:
  TAltFixModule() { StartUp(); }
  ~TAltFixModule() { ShutDown(); }
  TAltFixModule(const TAltFixModule&) = delete;
  TAltFixModule& operator=(const TAltFixModule&) = delete;
};

}  // namespace altfix
