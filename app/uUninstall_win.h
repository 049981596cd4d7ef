// The uninstall itself, shared by the three runs of the program: the window's Uninstall button,
// the unattended temporary copy and the copy started directly. Only what is shown and who waits
// differ; this module shows nothing and writes every event to the run log.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "system/uAddRemovePrograms_win.h"

namespace app {

// The titles under which the Add/Remove Programs window of Windows 95/98/Me may be open, as the
// program's string table holds them, full-width first; an empty one where a string is missing.
arp::TTitles AddRemoveProgramsTitles();

// What the executable's file name and the registry say is to be uninstalled.
struct TProduct {
  std::string ProductName;
  // The uninstall key path, ending in "\"; empty when the product has no usable entry (and
  // always for an empty product name, which would name the Uninstall key itself).
  std::string UninstallKeyPath;
  std::string UninstallerPath;  // the UninstallString without its quotes
  std::string ScrFileName;
  // The product's files that exist, in deletion order: .scr, .txt, the uninstaller.
  std::vector<std::string> Files;
  bool Found() const { return !UninstallKeyPath.empty(); }
};

TProduct DiscoverProduct(const std::string& exePath);

struct TUninstallOutcome {
  bool ScreenSaverRunning = false;  // nothing was changed
  std::vector<std::string> AfterRestart;  // paths handed to the deletion at the next restart
  std::string Deferred;  // the listed path that was left for DeleteDeferredFile
};

// Checks the screen saver's mutex (named by the "GUID" item of exePath's appended block), then
// deletes the files in order, schedules every survivor for the next restart, deletes the
// uninstall key tree and refreshes Add/Remove Programs (placed behind mainWindow, which may be
// null). A listed file that is the same file as deferPath is not touched: it is the running
// starter's, and the caller deletes it once the starter has ended. A failure to read the block
// raises before anything has changed.
TUninstallOutcome RunUninstall(const std::string& exePath, const std::vector<std::string>& files,
                               const std::string& uninstallKeyPath, HWND mainWindow,
                               const std::string& deferPath);

// 0, 3010 or 1618 for a run that did not raise.
unsigned ExitCodeOf(const TUninstallOutcome& outcome);

// Deletes the deferred file, trying again for a few seconds while it is still in use (the
// starter's image is released only as its process goes). A file still there then is scheduled
// for the next restart, and the result is false.
bool DeleteDeferredFile(const std::string& path);

}  // namespace app
