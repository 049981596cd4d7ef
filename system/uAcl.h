// Security identifiers and access control lists in their binary form, as Windows NT lays them out,
// so that the rights of the program's private folder are written down in one place and can be
// checked byte for byte without Windows.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace acl {

// The local system account, S-1-5-18.
std::string LocalSystemSid();
// The built-in Administrators group, S-1-5-32-544.
std::string AdministratorsSid();

// Bytes that a SID's own header says it takes: 8 + 4 per sub-authority. 0 when fewer than 8
// bytes are given, the revision is not 1 or the header counts more than 15 sub-authorities.
std::size_t SidLength(const void* sid, std::size_t available);

// ACE flags: the rights go to files (OBJECT_INHERIT_ACE) and folders (CONTAINER_INHERIT_ACE)
// created inside.
constexpr std::uint8_t kInheritToFilesAndFolders = 0x01 | 0x02;
// FILE_ALL_ACCESS.
constexpr std::uint32_t kFileAllAccess = 0x001F01FF;

// An ACL (revision 2) holding one access-allowed ACE per SID, in the order given, each SID once
// (a repeated one is left out), with the given rights and ACE flags. SIDs that are not valid are
// left out too.
std::string BuildAllowList(const std::vector<std::string>& sids, std::uint32_t mask, std::uint8_t aceFlags);

}  // namespace acl
