// Deletion of a file or folder at the next start of Windows.
#pragma once
#include <windows.h>

#include <string>

#include "base/uMessageError.h"

namespace restartdelete {

// A file operation on WININIT.INI failed (Windows 95/98/Me). what() is the code page 932 message
// shown to the user.
class EWininitError : public EMessageError {
 public:
  using EMessageError::EMessageError;
};

// Asks Windows to delete path (a file or a folder, full path) at the next start; 0 when it is
// scheduled, else the system's error code with nothing scheduled.
// NT family: MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT on the path as given. Windows 95/98/Me:
// a "NUL=" line with the short form of path, appended to the "[rename]" section of
// %windir%\WININIT.INI, which ends up the file's only such section and its last, with the entries
// of every earlier one kept ahead of it in file order. Throws EWininitError when WININIT.INI
// cannot be read, erased or written; the entries scheduled before stay in the file then.
// ERROR_PATH_NOT_FOUND when the location of WININIT.INI cannot be worked out.
DWORD DeleteFileAtRestart(const std::string& path);

}  // namespace restartdelete
