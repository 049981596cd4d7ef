#include "system/uPrivateFolder_win.h"

#include <winternl.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "system/uAcl.h"
#include "system/uHandles_win.h"
#include "system/uFiles.h"
#include "system/uFiles_win.h"
#include "system/uMbcs.h"
#include "system/uSafeDll_win.h"
#include "system/uPlatform_win.h"
#include "system/uPrivateFolder.h"
#include "system/uSystemError_win.h"

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
using TSetSecurityDescriptorOwner = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, PSID, BOOL);
using TSetSecurityDescriptorControl = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, SECURITY_DESCRIPTOR_CONTROL,
                                                    SECURITY_DESCRIPTOR_CONTROL);

// The token's user SID as bytes.
std::string UserSid(HANDLE token, TGetTokenInformation getTokenInformation) {
  DWORD needed = 0;
  getTokenInformation(token, TokenUser, nullptr, 0, &needed);
  if (needed < sizeof(PSID) || needed > 4096) return std::string();
  // Pointer-aligned: the record starts with a SID pointer.
  std::vector<PSID> buffer((needed + sizeof(PSID) - 1) / sizeof(PSID));
  if (!getTokenInformation(token, TokenUser, buffer.data(), needed, &needed)) return std::string();
  const char* begin = reinterpret_cast<const char*>(buffer.data());
  const char* sid = static_cast<const char*>(*reinterpret_cast<PSID const*>(buffer.data()));
  // The SID lies inside the buffer the call filled; take only what its header says it holds.
  if (sid < begin || sid >= begin + needed) return std::string();
  return std::string(sid, acl::SidLength(sid, static_cast<std::size_t>(begin + needed - sid)));
}

// Whether the token's groups hold the Administrators group enabled and not for denying only.
bool GroupsHoldEnabledAdministrators(HANDLE token, TGetTokenInformation getTokenInformation) {
  DWORD needed = 0;
  getTokenInformation(token, TokenGroups, nullptr, 0, &needed);
  if (needed < sizeof(TOKEN_GROUPS) || needed > 65536) return false;
  // Pointer-aligned: the record holds SID pointers.
  std::vector<PSID> buffer((needed + sizeof(PSID) - 1) / sizeof(PSID));
  if (!getTokenInformation(token, TokenGroups, buffer.data(), needed, &needed)) return false;
  const char* begin = reinterpret_cast<const char*>(buffer.data());
  const char* end = begin + needed;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  const std::size_t fits = (needed - offsetof(TOKEN_GROUPS, Groups)) / sizeof(SID_AND_ATTRIBUTES);
  const std::string administrators = acl::AdministratorsSid();
  for (std::size_t i = 0; i < groups->GroupCount && i < fits; ++i) {
    const char* sid = static_cast<const char*>(groups->Groups[i].Sid);
    if (sid < begin || sid >= end) continue;
    const std::size_t length = acl::SidLength(sid, static_cast<std::size_t>(end - sid));
    if (std::string(sid, length) != administrators) continue;
    const DWORD attributes = groups->Groups[i].Attributes;
    return (attributes & SE_GROUP_ENABLED) && !(attributes & SE_GROUP_USE_FOR_DENY_ONLY);
  }
  return false;
}

// Runs read on the token, the process's own when token is null; false when it cannot be had.
template <typename TRead>
bool WithToken(HANDLE token, TRead read) {
  if (!platform::IsNTFamily()) return false;
  const auto getTokenInformation = Proc<TGetTokenInformation>("GetTokenInformation");
  if (!getTokenInformation) return false;
  if (token) return read(token, getTokenInformation);
  const auto openProcessToken = Proc<TOpenProcessToken>("OpenProcessToken");
  handles::TUniqueKernelObject own;
  if (!openProcessToken || !openProcessToken(GetCurrentProcess(), TOKEN_QUERY, own.put())) return false;
  return read(own.get(), getTokenInformation);
}

std::vector<DWORD> Aligned(const std::string& bytes) {
  std::vector<DWORD> aligned((bytes.size() + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
  std::memcpy(aligned.data(), bytes.data(), bytes.size());
  return aligned;
}

// STATUS_OBJECT_NAME_COLLISION: a file or folder of the name exists.
constexpr NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035);
// ERROR_REPARSE_POINT_ENCOUNTERED, which older headers lack.
constexpr DWORD kReparsePointEncountered = 4395;

using TNtCreateFile = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                       ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);

// Creates the folder name (ASCII) inside the folder open under parent, and opens it, in one step:
// nobody can put another folder in its place in between.
NTSTATUS CreateFolderIn(TNtCreateFile ntCreateFile, HANDLE parent, const std::string& name,
                        SECURITY_ATTRIBUTES* security, TFileHandle& folder) {
  // A plain buffer: std::wstring would import wcslen, which the oldest C runtimes are not known
  // to export.
  std::vector<WCHAR> wide(name.begin(), name.end());
  UNICODE_STRING objectName = {static_cast<USHORT>(wide.size() * sizeof(WCHAR)),
                               static_cast<USHORT>(wide.size() * sizeof(WCHAR)), wide.data()};
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, parent,
                             security->lpSecurityDescriptor);
  IO_STATUS_BLOCK io = {};
  HANDLE made = nullptr;
  const NTSTATUS status = ntCreateFile(&made, FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE, &attributes, &io,
                                       nullptr, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_CREATE,
                                       FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (status >= 0) folder.reset(made);
  return status;
}

TFileHandle g_runFolder;

}  // namespace

bool HasAdministratorRights(HANDLE token) { return WithToken(token, GroupsHoldEnabledAdministrators); }

std::string UserSidWithoutAdministratorRights(HANDLE token) {
  std::string user;
  WithToken(token, [&](HANDLE t, TGetTokenInformation getTokenInformation) {
    if (!GroupsHoldEnabledAdministrators(t, getTokenInformation)) user = UserSid(t, getTokenInformation);
    return true;
  });
  return user;
}

bool TAdminOnlyDescriptor::Build() {
  if (!platform::IsNTFamily()) return false;
  const auto initialize = Proc<TInitializeSecurityDescriptor>("InitializeSecurityDescriptor");
  const auto setDacl = Proc<TSetSecurityDescriptorDacl>("SetSecurityDescriptorDacl");
  const auto setOwner = Proc<TSetSecurityDescriptorOwner>("SetSecurityDescriptorOwner");
  // Windows 2000 and later; NT 4.0 does not merge the parent's rights into a given list anyway.
  const auto setControl = Proc<TSetSecurityDescriptorControl>("SetSecurityDescriptorControl");
  if (!initialize || !setDacl || !setOwner) return false;

  const std::vector<std::string> allowed = {acl::LocalSystemSid(), acl::AdministratorsSid(),
                                            UserSidWithoutAdministratorRights()};
  list_ = Aligned(acl::BuildAllowList(allowed, acl::kFileAllAccess, acl::kInheritToFilesAndFolders));

  if (!initialize(&descriptor_, SECURITY_DESCRIPTOR_REVISION)) return false;
  if (!setDacl(&descriptor_, TRUE, reinterpret_cast<PACL>(list_.data()), FALSE)) return false;
  if (setControl && !setControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) return false;
  if (HasAdministratorRights()) {
    owner_ = Aligned(acl::AdministratorsSid());
    if (!setOwner(&descriptor_, reinterpret_cast<PSID>(owner_.data()), FALSE)) return false;
  }
  attributes_.nLength = sizeof(attributes_);
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
  return true;
}

TPrivateFolder CreatePrivateFolder(const std::string& parent) {
  TPrivateFolder made;
  TAdminOnlyDescriptor descriptor;
  const auto ntCreateFile = safedll::GetProc<TNtCreateFile>(GetModuleHandleA("ntdll.dll"), "NtCreateFile");
  if (!descriptor.Build() || !ntCreateFile) {
    if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return made;
  }
  TFileHandle held = files::HoldFolder(parent);
  if (!held) return made;
  // Checked on the held folder, which can no longer be swapped for a link.
  if (files::IsReparsePoint(held.get()) || files::LiesBehindReparsePoint(parent)) {
    made.ParentIsReparsePoint = true;
    SetLastError(kReparsePointEncountered);
    return made;
  }
  std::uint32_t number = GetTickCount() ^ (GetCurrentProcessId() << 16);
  for (int attempt = 0; attempt < 100; ++attempt, number = NextFolderNumber(number)) {
    const std::string name = PrivateFolderName(number);
    if (parent.size() + name.size() >= MAX_PATH - 1) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return made;
    }
    // Fails on any existing name: a folder or file planted there is never taken over.
    const NTSTATUS status = CreateFolderIn(ntCreateFile, held.get(), name, descriptor.Attributes(), made.Folder);
    if (status >= 0) {
      made.Parent = std::move(held);
      made.Path = parent + name + "\\";
      return made;
    }
    if (status != kNameCollision) {
      SetLastError(systemerror::NtStatusError(status));
      return made;
    }
  }
  SetLastError(ERROR_ALREADY_EXISTS);
  return made;
}

bool IsPrivateFolder(const std::string& folder, const std::string& tempFolder) {
  if (tempFolder.empty() || !files::EndsWithDelimiter(folder)) return false;
  const std::string withoutDelimiter = files::ExcludeTrailingDelimiter(folder);
  const std::string parent = files::ExtractFilePath(withoutDelimiter);
  return IsPrivateFolderName(files::ExtractFileName(withoutDelimiter)) &&
         mbcs::UpperCase(parent) == mbcs::UpperCase(tempFolder);
}

void HoldForTheRun(const std::string& folder) {
  if (platform::IsNTFamily()) g_runFolder = files::HoldFolder(folder);
}

}  // namespace privatefolder
