#include "system/uPrivateFolder_win.h"

#include <cstring>

#include "system/uAcl.h"
#include "system/uHandles_win.h"
#include "system/uFiles.h"
#include "system/uMbcs.h"
#include "system/uSafeDll_win.h"
#include "system/uPlatform_win.h"
#include "system/uPrivateFolder.h"

namespace privatefolder {
namespace {

template <typename T>
T Proc(const char* name) {
  return safedll::GetProc<T>(GetModuleHandleA("advapi32.dll"), name);
}

using TOpenProcessToken = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
using TGetTokenInformation = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
using TInitializeSecurityDescriptor = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, DWORD);
using TSetSecurityDescriptorDacl = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
using TSetSecurityDescriptorControl = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, SECURITY_DESCRIPTOR_CONTROL,
                                                    SECURITY_DESCRIPTOR_CONTROL);

}  // namespace

namespace {

// One SID-bearing part of the token (TokenUser or TokenOwner, both a SID pointer first) as bytes.
std::string TokenSid(HANDLE token, TOKEN_INFORMATION_CLASS which, TGetTokenInformation getTokenInformation) {
  DWORD needed = 0;
  getTokenInformation(token, which, nullptr, 0, &needed);
  if (needed < sizeof(PSID) || needed > 4096) return std::string();
  std::vector<DWORD> buffer((needed + sizeof(DWORD) - 1) / sizeof(DWORD));
  if (!getTokenInformation(token, which, buffer.data(), needed, &needed)) return std::string();
  const char* begin = reinterpret_cast<const char*>(buffer.data());
  const char* sid = static_cast<const char*>(*reinterpret_cast<PSID const*>(buffer.data()));
  // The SID lies inside the buffer the call filled; take only what its header says it holds.
  if (sid < begin || sid >= begin + needed) return std::string();
  return std::string(sid, acl::SidLength(sid, static_cast<std::size_t>(begin + needed - sid)));
}

}  // namespace

std::string UserSidWhenOwner() {
  if (!platform::IsNTFamily()) return std::string();
  const auto openProcessToken = Proc<TOpenProcessToken>("OpenProcessToken");
  const auto getTokenInformation = Proc<TGetTokenInformation>("GetTokenInformation");
  if (!openProcessToken || !getTokenInformation) return std::string();
  handles::TUniqueHandleObj token;
  if (!openProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::string();
  const std::string user = TokenSid(token.get(), TokenUser, getTokenInformation);
  const std::string owner = TokenSid(token.get(), TokenOwner, getTokenInformation);
  return !user.empty() && user == owner ? user : std::string();
}

bool TAdminOnlyDescriptor::Build() {
  if (!platform::IsNTFamily()) return false;
  const auto initialize = Proc<TInitializeSecurityDescriptor>("InitializeSecurityDescriptor");
  const auto setDacl = Proc<TSetSecurityDescriptorDacl>("SetSecurityDescriptorDacl");
  // Windows 2000 and later; NT 4.0 does not merge the parent's rights into a given list anyway.
  const auto setControl = Proc<TSetSecurityDescriptorControl>("SetSecurityDescriptorControl");
  if (!initialize || !setDacl) return false;

  const std::string bytes =
      acl::BuildAllowList({acl::LocalSystemSid(), acl::AdministratorsSid(), UserSidWhenOwner()},
                          acl::kFileAllAccess, acl::kInheritToFilesAndFolders);
  list_.assign((bytes.size() + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
  std::memcpy(list_.data(), bytes.data(), bytes.size());

  if (!initialize(&descriptor_, SECURITY_DESCRIPTOR_REVISION)) return false;
  if (!setDacl(&descriptor_, TRUE, reinterpret_cast<PACL>(list_.data()), FALSE)) return false;
  if (setControl && !setControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) return false;
  attributes_.nLength = sizeof(attributes_);
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
  return true;
}

std::string CreatePrivateFolder(const std::string& parent) {
  return CreatePrivateFolder(parent, GetTickCount() ^ (GetCurrentProcessId() << 16));
}

std::string CreatePrivateFolder(const std::string& parent, std::uint32_t firstNumber) {
  TAdminOnlyDescriptor descriptor;
  if (!descriptor.Build()) {
    if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return std::string();
  }
  std::uint32_t number = firstNumber;
  for (int attempt = 0; attempt < 100; ++attempt, number = NextFolderNumber(number)) {
    const std::string folder = parent + PrivateFolderName(number);
    if (folder.size() >= MAX_PATH - 1) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return std::string();
    }
    // Fails on any existing name: a folder or file planted there is never taken over.
    if (CreateDirectoryA(folder.c_str(), descriptor.Attributes())) return folder + "\\";
    if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) return std::string();
  }
  return std::string();
}

bool IsPrivateFolder(const std::string& folder, const std::string& tempFolder) {
  if (tempFolder.empty() || !files::EndsWithDelimiter(folder)) return false;
  const std::string withoutDelimiter = files::ExcludeTrailingDelimiter(folder);
  const std::string parent = files::ExtractFilePath(withoutDelimiter);
  return IsPrivateFolderName(files::ExtractFileName(withoutDelimiter)) &&
         mbcs::UpperCase(parent) == mbcs::UpperCase(tempFolder);
}

}  // namespace privatefolder
