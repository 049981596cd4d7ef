// The Alt key cue repaint: on Windows 6.0 and later, with visual styles in effect, the system
// changes a window's keyboard cues (access-key underlines, focus rectangles) by sending it
// WM_UPDATEUISTATE but leaves the themed controls showing the old cues until something else
// repaints them. A message hook on the user-interface thread marks the form and its windowed
// controls for repainting at that moment. The hook reaches the forms through the application
// object, so it lives inside the application object's life.
#pragma once
#include <windows.h>

namespace altfixonvista {

// The question whether visual styles are in effect (ui::VisualStylesInEffect for the program).
using TStylesQuery = bool (*)();

// Installs the hook on this thread when the Windows version is 6.0 or later; nothing on older
// versions or when already installed. The hook asks stylesInEffect. A failed installation leaves
// the program without the fix.
void StartUp(TStylesQuery stylesInEffect);
// Removes the hook when one is installed; the outcome is ignored.
void ShutDown();

// What the hook does with one record before passing it on: for a non-negative code and
// WM_UPDATEUISTATE, and only then, asks stylesInEffect; when they are in effect, repaints the
// application's form whose window the record names. True when it repainted one.
bool RepaintOnCueChange(int code, const CWPSTRUCT* record, TStylesQuery stylesInEffect);

// Start-up and shut-down for the life of a scope: the program holds one for its whole run.
class TAltFixModule {
 public:
  explicit TAltFixModule(TStylesQuery stylesInEffect) { StartUp(stylesInEffect); }
  ~TAltFixModule() { ShutDown(); }
  TAltFixModule(const TAltFixModule&) = delete;
  TAltFixModule& operator=(const TAltFixModule&) = delete;
};

}  // namespace altfixonvista
