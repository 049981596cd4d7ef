// Refresh of the Add/Remove Programs window of Windows 95/98/Me once an uninstall entry is gone:
// the open window is closed and started again on the same tab and at the same place.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace addremoveprograms {

// The titles the window may carry, in the order they are looked for (the caller's language).
using TTitles = std::vector<std::string>;

// The open Add/Remove Programs window: a top-level "#32770" window under the first of titles
// that one carries; an empty title is skipped. Null when there is none, and at once, without
// searching, unless the platform is Windows 95/98/Me.
HWND FindAddRemoveProgramsWindow(const TTitles& titles);

// Closes the open Add/Remove Programs window, starts it again (rundll32.exe of the Windows folder,
// where Windows 95/98/Me keep it, given the command line "rundll32.exe shell32.dll,Control_RunDLL
// AppWiz.cpl" and the focused tab's suffix, and no inherited handle) at the old top-left corner,
// waits until it takes input and puts it directly behind mainWindow in the z-order without
// activating it. Each wait is bounded: a window that does not close within a few seconds is left
// open and nothing is started; a new one that does not take input within a few seconds is looked
// for all the same. Does nothing when there is no such window (always outside Windows 95/98/Me);
// every later failure ends the refresh silently. True when it found the window open (the one
// search of a run: the caller learns from this whether there was anything to refresh).
bool RefreshAddRemovePrograms(HWND mainWindow, const TTitles& titles);

}  // namespace addremoveprograms
