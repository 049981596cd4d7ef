// The relaunch from a temporary copy: the installed uninstaller cannot delete its own file, so
// started normally it runs a copy of itself from the temporary folder and ends.
#pragma once

// True when this process is the copy (first argument exactly "START"): its own file has been
// handed to the deletion at the next restart and the caller goes on to show the window.
// False when the caller must end at once (the copy has been started, or could not be).
bool RelaunchFromTemp();
