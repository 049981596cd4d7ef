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
addremoveprograms::TTitles AddRemoveProgramsTitles();

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

// What became of one listed path: exactly one of these.
enum class TPathState {
  Deleted,
  AfterRestart,  // scheduled for deletion at the next restart
  NotFound,      // gone before it could be deleted
  NotRemoved,    // neither deleted nor scheduled: still there
};

struct TUninstallOutcome {
  bool ScreenSaverRunning = false;  // nothing was changed
  // The uninstall key did not open with the access its deletion needs (NT family): the status of
  // that refusal, and nothing was changed. ERROR_SUCCESS otherwise.
  LONG KeyRefused = ERROR_SUCCESS;
  std::vector<std::string> AfterRestart;  // paths handed to the deletion at the next restart
  std::vector<std::string> NotRemoved;    // paths neither deleted nor scheduled
  bool EntryRemains = false;  // the uninstall key is still there after its tree was deleted
  std::string Deferred;  // the listed path that was left for DeleteDeferredFile
  // Every path is gone or scheduled and the entry is gone.
  bool Complete() const { return NotRemoved.empty() && !EntryRemains; }
  // The refusal was one of rights, which only an administrator has: not a key held in a state
  // that refuses (marked for deletion) or a failing registry.
  bool RightsMissing() const { return KeyRefused == ERROR_ACCESS_DENIED || KeyRefused == ERROR_PRIVILEGE_NOT_HELD; }
};

// Checks the screen saver's mutex (named by the "GUID" item of exePath's appended block), then,
// on the NT family, that the uninstall key opens with the rights its deletion needs; then deletes
// the files in order, schedules every survivor for the next restart, deletes the uninstall key
// tree and refreshes Add/Remove Programs (placed behind mainWindow, which may be null). A listed
// file that is the same file as deferPath is not touched: it is the running starter's, and the
// caller deletes it once the starter has ended. A failure to read the block raises before
// anything has changed; on Windows 95/98/Me so does WININIT.INI, as the deletion at the restart
// says, once files may have been deleted.
TUninstallOutcome RunUninstall(const std::string& exePath, const std::vector<std::string>& files,
                               const std::string& uninstallKeyPath, HWND mainWindow,
                               const std::string& deferPath);

// 0, 3010, 1603 or 1618 for a run that did not raise: 1603 when the rights were missing or the
// run is not complete, also when other files went to the restart.
unsigned ExitCodeOf(const TUninstallOutcome& outcome);

// Deletes the deferred file, trying again for a few seconds while it is still in use (the
// starter's image is released only as its process goes). A file still there then is scheduled
// for the next restart, or not removed when that is refused too.
TPathState DeleteDeferredFile(const std::string& path);

}  // namespace app
