// Refresh of the Add/Remove Programs window of Windows 95/98/Me once an uninstall entry is gone:
// the open window is closed and started again on the same tab and at the same place.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace arp {

// The titles the window may carry, in the order they are looked for (the caller's language).
using TTitles = std::vector<std::string>;

// The open Add/Remove Programs window: a top-level "#32770" window under the first of titles
// that one carries; an empty title is skipped. Null when there is none, and at once, without
// searching, unless the platform is Windows 95/98/Me.
HWND FindAddRemoveProgramsWindow(const TTitles& titles);

// Closes the open Add/Remove Programs window, starts it again with the focused tab and the old
// top-left corner, waits until it takes input and puts it directly behind mainWindow in the
// z-order without activating it. Does nothing when there is no such window (always on the NT
// family); every later failure ends the refresh silently.
void RefreshAddRemovePrograms(HWND mainWindow, const TTitles& titles);

}  // namespace arp
