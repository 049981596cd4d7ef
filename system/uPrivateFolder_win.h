// The folder of the temporary copy on the NT family: new for every run, inside the temporary
// folder, and writable only by administrators, so that nothing placed in the temporary folder
// beforehand, and nobody without administrator rights, can swap or add files next to a copy that
// runs with those rights.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace privatefolder {

// A security descriptor whose list grants full control, to the folder and to everything created
// in it, to the local system account and the Administrators group, and to nobody else; only a
// process that runs without administrator rights, whose new objects it owns itself, adds its own
// user so that it can still use the folder. Where the system
// knows inherited rights (Windows 2000 and later) the descriptor shuts out those of the parent.
// The security functions are looked up at run time: Windows 95/98/Me have none to offer.
class TAdminOnlyDescriptor {
 public:
  TAdminOnlyDescriptor() = default;
  TAdminOnlyDescriptor(const TAdminOnlyDescriptor&) = delete;
  TAdminOnlyDescriptor& operator=(const TAdminOnlyDescriptor&) = delete;

  // False, and nothing usable, when a needed function is missing or fails.
  bool Build();
  SECURITY_ATTRIBUTES* Attributes() { return &attributes_; }

 private:
  std::vector<DWORD> list_;  // the ACL, DWORD-aligned as the system wants it
  SECURITY_DESCRIPTOR descriptor_ = {};
  SECURITY_ATTRIBUTES attributes_ = {};
};

// The process's user as SID bytes when the token makes that user the owner of new objects (a
// process without administrator rights); empty when the owner is another (with administrator
// rights it is the Administrators group), when it cannot be read, and on Windows 95/98/Me.
std::string UserSidWhenOwner();

// Creates a new folder inside parent (which ends in "\") under a name of PrivateFolderName, with
// the administrator-only descriptor. A name that exists already, folder or file, is never reused:
// the next number is tried (up to 100 names). Returns the folder with its trailing "\"; empty when
// no folder could be made (GetLastError tells why). The first number comes from the clock and the
// process id unless one is given.
std::string CreatePrivateFolder(const std::string& parent);
std::string CreatePrivateFolder(const std::string& parent, std::uint32_t firstNumber);

// Whether folder (with its trailing "\") is a folder of that name directly inside tempFolder.
bool IsPrivateFolder(const std::string& folder, const std::string& tempFolder);

}  // namespace privatefolder
