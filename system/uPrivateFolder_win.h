// The folder of the temporary copy on the NT family: new for every run, inside the temporary
// folder, and writable only by administrators, so that nothing placed in the temporary folder
// beforehand, and nobody without administrator rights, can swap or add files next to a copy that
// runs with those rights.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "system/uHandles_win.h"

namespace privatefolder {

// Whether the token (the process's own when null) has administrator rights: the Administrators
// group enabled in it, not merely present for denying (as in the token of an administrator's
// program that runs without elevation). False when the token cannot be read and on Windows
// 95/98/Me.
bool HasAdministratorRights(HANDLE token = nullptr);

// The token's user (the process's own when token is null) as SID bytes when the token has no
// administrator rights; empty when it has them, when it cannot be read, and on Windows 95/98/Me.
std::string UserSidWithoutAdministratorRights(HANDLE token = nullptr);

// A security descriptor whose list grants full control, to the folder and to everything created
// in it, to the local system account and the Administrators group, and to nobody else. A process
// with administrator rights also names the Administrators group the owner: where new objects
// belong to the user who makes them, the owner's implicit right to change the list would
// otherwise go to the same user's programs that run without those rights. A process without them
// adds its own user so that it can still use the folder. Where the system knows inherited rights
// (Windows 2000 and later) the descriptor shuts out those of the parent. The security functions
// are looked up at run time: Windows 95/98/Me have none to offer.
class TAdminOnlyDescriptor {
 public:
  TAdminOnlyDescriptor() = default;
  TAdminOnlyDescriptor(const TAdminOnlyDescriptor&) = delete;
  TAdminOnlyDescriptor& operator=(const TAdminOnlyDescriptor&) = delete;

  // False, and nothing usable, when a needed function is missing or fails.
  bool Build();
  SECURITY_ATTRIBUTES* Attributes() { return &attributes_; }

 private:
  std::vector<DWORD> list_;   // the ACL, DWORD-aligned as the system wants it
  std::vector<DWORD> owner_;  // the owner's SID, when one is named
  SECURITY_DESCRIPTOR descriptor_ = {};
  SECURITY_ATTRIBUTES attributes_ = {};
};

// A private folder and what holds it in place. Both handles share the folders for reading and
// writing only: while they are held, nobody can rename, delete or replace the new folder, its
// parent or a folder on the way to them, so that the path names the folder that was made.
struct TPrivateFolder {
  std::string Path;             // with its trailing "\"; empty when nothing was made
  TFileHandle Parent;  // the folder it was made in
  TFileHandle Folder;  // the new folder
  // Nothing was made because the parent, or a folder on the way to it, is a reparse point (a
  // junction, a mount point, a symbolic link): the folder would have been made where it leads.
  bool ParentIsReparsePoint = false;

  // Lets go of both folders (a started copy holds its own; an empty folder can then be removed).
  void CloseHandles() {
    Folder.reset();
    Parent.reset();
  }
};

// Creates a new folder inside parent (which ends in "\") under a name of PrivateFolderName, with
// the administrator-only descriptor, and holds it and its parent. The folder is made through the
// held parent, never found again by its path. A name that exists already, folder or file, is
// never reused: the next number is tried (up to 100 names). On failure Path is empty, nothing is
// held and GetLastError tells why. The first number comes from the clock and the process id:
// GetTickCount() ^ (GetCurrentProcessId() << 16).
TPrivateFolder CreatePrivateFolder(const std::string& parent);

// Whether folder (with its trailing "\") is a folder of that name directly inside tempFolder.
bool IsPrivateFolder(const std::string& folder, const std::string& tempFolder);

// Holds folder, the folder the running copy lies in, until the process ends (NT family), as
// CreatePrivateFolder held it until the copy was started. Does nothing when it cannot be opened.
void HoldForTheRun(const std::string& folder);

}  // namespace privatefolder
