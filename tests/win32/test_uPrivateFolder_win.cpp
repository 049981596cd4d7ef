// The temporary copy's folder: new for every run, never an existing name, and as read back from
// the file system, writable only by administrators and the system.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/SidText.h"
#include "system/uAcl.h"
#include "system/uHandles_win.h"
#include "system/uFiles.h"
#include "system/uFiles_win.h"
#include "system/uPlatform_win.h"
#include "system/uPrivateFolder.h"
#include "system/uPrivateFolder_win.h"
#include "winsupport/uImportHook.h"
#include "winsupport/uMachine.h"
#include "winsupport/uRunInCopy.h"

namespace {

using namespace testsupport;

std::string SidBytes(PSID sid) { return std::string(static_cast<const char*>(sid), GetLengthSid(sid)); }

// The folder's security descriptor as the file system gives it back.
std::vector<char> ReadDescriptor(const std::string& path, SECURITY_INFORMATION what) {
  DWORD needed = 0;
  GetFileSecurityA(path.c_str(), what, nullptr, 0, &needed);
  std::vector<char> buffer(needed ? needed : 1);
  if (!GetFileSecurityA(path.c_str(), what, buffer.data(), needed, &needed)) buffer.clear();
  return buffer;
}

struct TAce {
  std::string sid;
  DWORD mask;
  BYTE flags;
  BYTE type;
};

std::vector<TAce> AcesOf(PSECURITY_DESCRIPTOR descriptor) {
  std::vector<TAce> aces;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL list = nullptr;
  if (!GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) || !present || !list) return aces;
  for (DWORD i = 0; i < list->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(list, i, &ace)) break;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    aces.push_back({SidBytes(const_cast<DWORD*>(&allowed->SidStart)), allowed->Mask, allowed->Header.AceFlags,
                    allowed->Header.AceType});
  }
  return aces;
}

// A token of this process in which Administrators counts only to deny and no privilege is left: a
// process without administrator rights, as a standard user's, or an administrator's before
// elevation.
handles::TUniqueKernelObject TokenWithoutAdministrators() {
  handles::TUniqueKernelObject process;
  handles::TUniqueKernelObject restricted;
  handles::TUniqueKernelObject impersonation;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, process.put())) return impersonation;
  std::string admins = acl::AdministratorsSid();
  SID_AND_ATTRIBUTES disable = {reinterpret_cast<PSID>(&admins[0]), 0};
  if (!CreateRestrictedToken(process.get(), DISABLE_MAX_PRIVILEGE, 1, &disable, 0, nullptr, 0, nullptr, restricted.put())) {
    return impersonation;
  }
  DuplicateToken(restricted.get(), SecurityImpersonation, impersonation.put());
  return impersonation;
}

bool Granted(PSECURITY_DESCRIPTOR descriptor, HANDLE token, DWORD wanted) {
  GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  PRIVILEGE_SET privileges;
  DWORD privilegesSize = sizeof(privileges);
  DWORD granted = 0;
  BOOL status = FALSE;
  return AccessCheck(descriptor, token, wanted, &mapping, &privileges, &privilegesSize, &granted, &status) &&
         status;
}

class PrivateFolder : public ::testing::Test {
 protected:
  void SetUp() override { parent_ = FreshTempFolder("PrivateFolder"); }
  void TearDown() override {
    for (const std::string& f : made_) {
      DeleteFileA((f + "planted.txt").c_str());
      DeleteFileA((f + "probe.txt").c_str());
      RemoveDirectoryA(f.c_str());
      DeleteFileA(f.substr(0, f.size() - 1).c_str());
    }
    RemoveFolderTree(parent_);
  }
  std::string Made(const std::string& folder) {
    if (!folder.empty()) made_.push_back(folder);
    return folder;
  }
  std::string parent_;
  std::vector<std::string> made_;
};

TEST_F(PrivateFolder, NewFolderOfTheNameFormInsideTheParent) {
  const std::string folder = Made(privatefolder::CreatePrivateFolder(parent_).Path);
  ASSERT_FALSE(folder.empty()) << "error " << GetLastError();
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_EQ(files::ExtractFilePath(folder.substr(0, folder.size() - 1)), parent_);
  EXPECT_TRUE(privatefolder::IsPrivateFolder(folder, parent_));
  // Two runs never share one.
  const std::string second = Made(privatefolder::CreatePrivateFolder(parent_).Path);
  ASSERT_FALSE(second.empty());
  EXPECT_NE(second, folder);
}

// The clock as the program reads it while a test holds it still.
DWORD WINAPI FixedTickCount() { return 0x00C0FFEE; }

TEST_F(PrivateFolder, NamesTakenBeforehandAreNeverUsed) {
  // The first name comes from the clock and the process id: with the clock held, the names the
  // program will try are known beforehand.
  const TImportHook clock("KERNEL32.dll", "GetTickCount", reinterpret_cast<const void*>(&FixedTickCount));
  ASSERT_TRUE(clock.Installed());
  const std::uint32_t first = FixedTickCount() ^ (GetCurrentProcessId() << 16);
  const std::uint32_t second = privatefolder::NextFolderNumber(first);
  const std::uint32_t third = privatefolder::NextFolderNumber(second);
  // A folder with a file in it, and a file, under the first two names the program would try.
  const std::string plantedFolder = Made(parent_ + privatefolder::PrivateFolderName(first) + "\\");
  ASSERT_TRUE(CreateDirectoryA(plantedFolder.c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(plantedFolder + "planted.txt", "planted"));
  const std::string plantedFile = parent_ + privatefolder::PrivateFolderName(second);
  Made(plantedFile + "\\");
  ASSERT_TRUE(WriteFileBytes(plantedFile, "a file"));

  const std::string folder = Made(privatefolder::CreatePrivateFolder(parent_).Path);
  EXPECT_EQ(folder, parent_ + privatefolder::PrivateFolderName(third) + "\\");
  EXPECT_EQ(ReadFileBytes(plantedFolder + "planted.txt"), "planted");
  EXPECT_EQ(ReadFileBytes(plantedFile), "a file");
}

TEST_F(PrivateFolder, OnlyAFolderOfTheNameFormDirectlyInTheTemporaryFolderCounts) {
  const std::string temp = "C:\\Users\\u\\Temp\\";
  const struct {
    const char* folder;
    bool counts;
  } cases[] = {
      {"C:\\Users\\u\\Temp\\KorvaneUninst-0A0B0C0D\\", true},
      {"c:\\users\\U\\TEMP\\KorvaneUninst-0A0B0C0D\\", true},
      {"C:\\Users\\u\\Temp\\KorvaneUninst-0A0B0C0D", false},
      {"C:\\Users\\u\\Temp\\", false},
      {"C:\\Users\\u\\Temp\\x\\KorvaneUninst-0A0B0C0D\\", false},
      {"C:\\Program Files\\KorvaneUninst-0A0B0C0D\\", false},
      {"C:\\Users\\u\\Temp\\Sample\\", false},
  };
  for (const auto& c : cases) EXPECT_EQ(privatefolder::IsPrivateFolder(c.folder, temp), c.counts) << c.folder;
}

TEST_F(PrivateFolder, NoFolderOnWindows98) {
  RUN_AS_WINDOWS_98();
  EXPECT_EQ(privatefolder::CreatePrivateFolder(parent_).Path, "");
  EXPECT_FALSE(privatefolder::HasAdministratorRights());
  EXPECT_EQ(privatefolder::UserSidWithoutAdministratorRights(), "");
}

// Administrator rights go by an enabled Administrators group, not by who owns new objects: an
// administrator's program without elevation carries the group for denying only, and its user
// must then be given the folder; an elevated one must not hand it to its user.
TEST_F(PrivateFolder, AdministratorRightsAreTheEnabledAdministratorsGroup) {
  handles::TUniqueKernelObject standard = TokenWithoutAdministrators();
  ASSERT_TRUE(standard) << "error " << GetLastError();
  handles::TUniqueKernelObject self;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, self.put()));
  std::vector<char> user(256);
  DWORD needed = 0;
  ASSERT_TRUE(GetTokenInformation(self.get(), TokenUser, user.data(), static_cast<DWORD>(user.size()), &needed));
  const std::string userSid = SidBytes(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);

  // Wine's process has administrator rights.
  EXPECT_TRUE(privatefolder::HasAdministratorRights());
  EXPECT_TRUE(privatefolder::HasAdministratorRights(self.get()));
  EXPECT_EQ(privatefolder::UserSidWithoutAdministratorRights(), "");
  EXPECT_FALSE(privatefolder::HasAdministratorRights(standard.get()));
  EXPECT_EQ(testsupport::SidToText(privatefolder::UserSidWithoutAdministratorRights(standard.get())),
            testsupport::SidToText(userSid));
}

// The descriptor that the folder is created with: protected from the parent's rights, one
// inherited full-control entry each for the system and the Administrators group, the
// Administrators group as its owner, and so no right to change anything for a process without
// administrator rights.
TEST_F(PrivateFolder, DescriptorGrantsChangesToAdministratorsAndTheSystemOnly) {
  privatefolder::TAdminOnlyDescriptor built;
  ASSERT_TRUE(built.Build());
  PSECURITY_DESCRIPTOR descriptor = built.Attributes()->lpSecurityDescriptor;
  EXPECT_FALSE(built.Attributes()->bInheritHandle);

  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the parent's rights would flow in: control " << control;

  // Where new objects belong to their maker, an owner of the user's own would let the user's
  // programs without administrator rights rewrite the list.
  PSID owner = nullptr;
  BOOL ownerDefaulted = TRUE;
  ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted));
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(testsupport::SidToText(SidBytes(owner)), testsupport::SidToText(acl::AdministratorsSid()));

  // Wine's process has administrator rights: no entry for its user.
  const std::vector<std::string> expected = {acl::LocalSystemSid(), acl::AdministratorsSid()};
  const std::vector<TAce> aces = AcesOf(descriptor);
  ASSERT_EQ(aces.size(), expected.size());
  for (std::size_t i = 0; i < aces.size(); ++i) {
    EXPECT_EQ(testsupport::SidToText(aces[i].sid), testsupport::SidToText(expected[i])) << "ACE " << i;
    EXPECT_EQ(aces[i].type, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(aces[i].mask, static_cast<DWORD>(FILE_ALL_ACCESS));
    EXPECT_EQ(aces[i].flags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
  }

  // AccessCheck wants a group too; the folder gets it from the token when it is made.
  std::string admins = acl::AdministratorsSid();
  ASSERT_TRUE(SetSecurityDescriptorGroup(descriptor, reinterpret_cast<PSID>(&admins[0]), FALSE));
  handles::TUniqueKernelObject self;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, self.put()));
  handles::TUniqueKernelObject selfImpersonation;
  ASSERT_TRUE(DuplicateToken(self.get(), SecurityImpersonation, selfImpersonation.put()));
  handles::TUniqueKernelObject standard = TokenWithoutAdministrators();
  ASSERT_TRUE(standard) << "error " << GetLastError();
  const DWORD changes[] = {FILE_ADD_FILE, FILE_ADD_SUBDIRECTORY, FILE_DELETE_CHILD, FILE_WRITE_ATTRIBUTES,
                           WRITE_DAC, DELETE};
  for (DWORD wanted : changes) {
    EXPECT_TRUE(Granted(descriptor, selfImpersonation.get(), wanted)) << "administrator, right " << wanted;
    EXPECT_FALSE(Granted(descriptor, standard.get(), wanted)) << "without administrator rights, right " << wanted;
  }
}

// What the file system gives back for the folder. Wine 8 keeps no Windows descriptor for a file:
// it turns the list into Unix permission bits (here rwxr-x---, nothing for other Unix users) and
// reads those back as full control for the system and for the process's user, unprotected; it
// checks only the Unix bits when a file is opened, and every process of the prefix runs as the
// same Unix user. What matters here is that nothing read back opens the folder to anyone else.
TEST_F(PrivateFolder, DescriptorReadBackOpensTheFolderToNobodyElse) {
  const std::string folder = Made(privatefolder::CreatePrivateFolder(parent_).Path);
  ASSERT_FALSE(folder.empty());
  std::vector<char> descriptor = ReadDescriptor(folder, DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION);
  ASSERT_FALSE(descriptor.empty()) << "error " << GetLastError();

  handles::TUniqueKernelObject token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()));
  std::vector<char> user(256);
  DWORD needed = 0;
  ASSERT_TRUE(GetTokenInformation(token.get(), TokenUser, user.data(), static_cast<DWORD>(user.size()), &needed));
  const std::vector<std::string> allowed = {acl::LocalSystemSid(), acl::AdministratorsSid(),
                                            SidBytes(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid)};
  const std::vector<TAce> aces = AcesOf(descriptor.data());
  EXPECT_FALSE(aces.empty()) << "no list at all would grant everyone everything";
  std::string listing;
  for (const TAce& a : aces) listing += " " + testsupport::SidToText(a.sid) + ":" + std::to_string(a.mask);
  for (const TAce& a : aces) {
    if (a.type != ACCESS_ALLOWED_ACE_TYPE) continue;
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), a.sid), allowed.end())
        << testsupport::SidToText(a.sid) << " may use the folder; read back:" << listing;
  }
}

// Between its making and the start of the copy, the folder and its parent are held: the user's
// own programs, which may delete anything in the temporary folder, can neither rename the new
// folder (to put one of their own under its name) nor the temporary folder itself. Let go, both
// can be renamed again.
TEST_F(PrivateFolder, HeldFolderAndParentCannotBeRenamedOrRemoved) {
  privatefolder::TPrivateFolder made = privatefolder::CreatePrivateFolder(parent_);
  const std::string folder = Made(made.Path);
  ASSERT_FALSE(folder.empty()) << "error " << GetLastError();
  const std::string folderPath = folder.substr(0, folder.size() - 1);
  const std::string parentPath = parent_.substr(0, parent_.size() - 1);
  const std::string elsewhere = testsupport::TempFolder() + "PrivateFolder-renamed";

  EXPECT_FALSE(MoveFileA(folderPath.c_str(), elsewhere.c_str())) << "the new folder was renamed";
  EXPECT_FALSE(RemoveDirectoryA(folderPath.c_str())) << "the new folder was removed";
  EXPECT_FALSE(MoveFileA(parentPath.c_str(), elsewhere.c_str())) << "its parent was renamed";
  EXPECT_TRUE(FolderExists(folder));

  made.Folder.reset();
  made.Parent.reset();
  ASSERT_TRUE(MoveFileA(folderPath.c_str(), elsewhere.c_str())) << "error " << GetLastError();
  EXPECT_TRUE(MoveFileA(elsewhere.c_str(), folderPath.c_str()));
}

// A parent that is a link, or lies behind one, would put the folder where the link leads, a
// folder its user controls: it is refused, and nothing is made anywhere.
TEST_F(PrivateFolder, ParentBehindALinkIsRefused) {
  ASSERT_TRUE(CreateDirectoryA((parent_ + "target").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((parent_ + "target\\inside").c_str(), nullptr));
  testsupport::TFolderLink link(parent_, "link", "target");
  if (!link.Made()) GTEST_SKIP() << "no folder link can be made here";

  for (const std::string& parent : {link.Path() + "\\", link.Path() + "\\inside\\"}) {
    SetLastError(0);
    const privatefolder::TPrivateFolder made = privatefolder::CreatePrivateFolder(parent);
    Made(made.Path);
    EXPECT_EQ(made.Path, "") << parent;
    EXPECT_TRUE(made.ParentIsReparsePoint) << parent;
    EXPECT_FALSE(made.Parent) << parent;
    EXPECT_NE(GetLastError(), 0u) << parent;
  }
  for (const std::string& where : {parent_ + "target\\", parent_ + "target\\inside\\"}) {
    EXPECT_TRUE(FindFiles(where + "KorvaneUninst-*").empty()) << "a folder was made in " << where;
  }
  // The real folder itself is fine.
  EXPECT_FALSE(Made(privatefolder::CreatePrivateFolder(parent_ + "target\\").Path).empty());
}

}  // namespace
