#include "system/uAcl.h"

namespace acl {
namespace {

void PutWord(std::string& out, std::uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void PutDword(std::string& out, std::uint32_t v) {
  PutWord(out, static_cast<std::uint16_t>(v & 0xFFFF));
  PutWord(out, static_cast<std::uint16_t>(v >> 16));
}

// A SID of the NT authority (5) with the given sub-authorities.
std::string NtAuthoritySid(const std::vector<std::uint32_t>& subAuthorities) {
  std::string sid;
  sid += '\x01';
  sid += static_cast<char>(subAuthorities.size());
  sid += std::string("\0\0\0\0\0\x05", 6);  // the authority is stored big-endian
  for (std::uint32_t s : subAuthorities) PutDword(sid, s);
  return sid;
}

bool IsSid(const std::string& sid) {
  const std::size_t length = SidLength(sid.data(), sid.size());
  return length != 0 && length == sid.size();
}

}  // namespace

std::string LocalSystemSid() { return NtAuthoritySid({18}); }

std::string AdministratorsSid() { return NtAuthoritySid({32, 544}); }

std::size_t SidLength(const void* sid, std::size_t available) {
  const unsigned char* p = static_cast<const unsigned char*>(sid);
  if (available < 8 || p[0] != 1 || p[1] > 15) return 0;
  const std::size_t length = 8 + 4 * static_cast<std::size_t>(p[1]);
  return length <= available ? length : 0;
}

std::string BuildAllowList(const std::vector<std::string>& sids, std::uint32_t mask, std::uint8_t aceFlags) {
  std::vector<std::string> unique;
  for (const std::string& sid : sids) {
    if (!IsSid(sid)) continue;
    bool seen = false;
    for (const std::string& u : unique) seen = seen || u == sid;
    if (!seen) unique.push_back(sid);
  }
  std::string aces;
  for (const std::string& sid : unique) {
    aces += '\x00';  // ACCESS_ALLOWED_ACE_TYPE
    aces += static_cast<char>(aceFlags);
    PutWord(aces, static_cast<std::uint16_t>(8 + sid.size()));  // a SID's length is a multiple of 4
    PutDword(aces, mask);
    aces += sid;
  }
  std::string list;
  list += '\x02';  // ACL_REVISION
  list += '\x00';
  PutWord(list, static_cast<std::uint16_t>(8 + aces.size()));
  PutWord(list, static_cast<std::uint16_t>(unique.size()));
  PutWord(list, 0);
  return list + aces;
}

}  // namespace acl
