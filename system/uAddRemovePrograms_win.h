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

// What a refresh found and did.
enum class TRefresh {
  NotOpen,      // no window was open (always outside Windows 95/98/Me): nothing was done
  Reopened,     // the window closed and was started again
  LeftOpen,     // the window did not go within the wait: it was left alone, nothing started
  NotReopened,  // the window closed, but it could not be started again
};

// Closes the open Add/Remove Programs window, waits until it has gone, starts it again
// (rundll32.exe of the Windows folder, where Windows 95/98/Me keep it, given the command line
// "rundll32.exe shell32.dll,Control_RunDLL AppWiz.cpl" and the focused tab's suffix, and no
// inherited handle) at the old top-left corner, waits until it takes input and puts it directly
// behind mainWindow in the z-order without activating it. Each wait is bounded: a window that
// takes its time over closing (its closing can be handled after the send has given up) is waited
// for some seconds more, and one still there then is left open with nothing started beside it;
// a new one that does not take input within some seconds is looked for all the same. Every
// failure ends the refresh silently; the result says how it ended (the one search of a run: the
// caller learns from it whether there was anything to refresh).
TRefresh RefreshAddRemovePrograms(HWND mainWindow, const TTitles& titles);

}  // namespace addremoveprograms
