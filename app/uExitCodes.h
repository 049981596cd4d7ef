// The process exit codes of the uninstaller, those of Windows Installer that deployment tools
// already understand. The unattended run and the temporary copy of an interactive run end with
// them; the process that Add/Remove Programs starts interactively always ends with 0.
#pragma once

namespace exitcode {

// Done; nothing waits for a restart (the temporary copy, which always does, does not count).
constexpr unsigned kDone = 0;
// Done; files wait for the next restart (ERROR_SUCCESS_REBOOT_REQUIRED).
constexpr unsigned kRestartRequired = 3010;
// The user closed the window (Cancel, Escape, close box) before any run.
constexpr unsigned kCancelled = 1602;
// Any other failure: an unreadable block, a copy that could not be made or started, no rights to
// delete the uninstall entry, a file neither deleted nor scheduled, an entry left in place.
constexpr unsigned kFailed = 1603;
// No uninstall entry for this product; nothing changed (ERROR_UNKNOWN_PRODUCT).
constexpr unsigned kUnknownProduct = 1605;
// The screen saver is running; nothing changed (ERROR_INSTALL_ALREADY_RUNNING, which deployment
// tools retry by default).
constexpr unsigned kScreenSaverRunning = 1618;
// An argument that is none of the known forms; nothing changed (ERROR_INVALID_COMMAND_LINE).
constexpr unsigned kInvalidCommandLine = 1639;

}  // namespace exitcode
