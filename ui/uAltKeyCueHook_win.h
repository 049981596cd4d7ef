// The Alt key cue repaint: on Windows 6.0 and later, with visual styles in effect, the system
// changes a window's keyboard cues (access-key underlines, focus rectangles) by sending it
// WM_UPDATEUISTATE but leaves the themed controls showing the old cues until something else
// repaints them. A message hook on the user-interface thread marks the form and its windowed
// controls for repainting at that moment. The hook reaches the forms through the application
// object, so it lives inside the application object's life.
#pragma once
#include <windows.h>

namespace altkeycuehook {

// Installs the hook on this thread when the Windows version is 6.0 or later; nothing on older
// versions or when already installed. At each cue change the hook asks ui::VisualStylesInEffect.
// A failed installation leaves the program without the fix.
void StartUp();
// Removes the hook when one is installed; the outcome is ignored.
void ShutDown();

// Start-up and shut-down for the life of a scope: the program holds one for its whole run.
class TCueRepaintHook {
 public:
  TCueRepaintHook() { StartUp(); }
  ~TCueRepaintHook() { ShutDown(); }
  TCueRepaintHook(const TCueRepaintHook&) = delete;
  TCueRepaintHook& operator=(const TCueRepaintHook&) = delete;
};

}  // namespace altkeycuehook
