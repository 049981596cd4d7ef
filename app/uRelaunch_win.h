// The relaunch from a temporary copy: the installed uninstaller cannot delete its own file, so
// started normally it runs a copy of itself from the temporary folder. Interactively it ends at
// once; in an unattended run it waits for the copy's outcome and ends with it.
#pragma once
#include "app/uStartOptions.h"

namespace app {

// True when this process is the copy (first argument exactly "START"): its own file, and on the
// NT family its private folder, have been handed to the deletion at the next restart and the
// caller goes on to the uninstall. False when the caller must end at once with exitCode: 0 for an
// interactive start that started its copy, the copy's outcome (or 1603 when there is none) for
// an unattended one; 1603 when the copy could not be made or started, which the log says with
// the system's reason and, interactively, an error box too.
//
// On the NT family the copy goes into a new folder of its own inside the temporary folder (see
// privatefolder); on Windows 95/98/Me directly into the temporary folder, replacing a file of
// its name. Either way it keeps the executable's file name.
bool RelaunchFromTemp(const TStartOptions& options, unsigned& exitCode);

}  // namespace app
