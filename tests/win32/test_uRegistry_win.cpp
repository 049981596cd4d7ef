#include <windows.h>
#include <aclapi.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "system/uHandles_win.h"
#include "system/uPlatform_win.h"
#include "system/uRegistry_win.h"
#include "system/uSafeDll_win.h"
#include "winsupport/uImportHook.h"
#include "winsupport/uMachine.h"
#include "winsupport/uRunInCopy.h"

namespace {

const std::string kTestRoot = "Software\\KorvaneUninstallerTests";

using testsupport::KeyExists;

void CreateKey(HKEY root, const std::string& path) { ASSERT_TRUE(testsupport::CreateKey(root, path)) << path; }

void SetString(HKEY root, const std::string& path, const std::string& name, const std::string& value,
               DWORD type = REG_SZ) {
  ASSERT_TRUE(testsupport::SetString(root, path, name, value, type)) << path;
}

// RegSetValueEx adds a zero that a string value lacks; the native call stores the bytes as given.
void SetStringWithoutZero(HKEY root, const std::string& path, const wchar_t* name, const std::wstring& text) {
  using TNtSetValueKey = NTSTATUS(NTAPI*)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);
  const auto setValue = safedll::GetProc<TNtSetValueKey>(GetModuleHandleA("ntdll.dll"), "NtSetValueKey");
  ASSERT_NE(setValue, nullptr);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  std::wstring valueName = name;
  UNICODE_STRING unicodeName = {static_cast<USHORT>(valueName.size() * 2),
                                static_cast<USHORT>(valueName.size() * 2), &valueName[0]};
  std::wstring data = text;
  EXPECT_EQ(setValue(key, &unicodeName, 0, REG_SZ, &data[0], static_cast<ULONG>(data.size() * 2)), 0);
  RegCloseKey(key);
}

void BuildTree(const std::string& base) {
  for (const char* sub : {"A\\A1\\A11", "A\\A2", "B", "C\\C1"}) CreateKey(HKEY_CURRENT_USER, base + "\\" + sub);
  SetString(HKEY_CURRENT_USER, base + "\\A\\A1\\A11", "Value", "x");
  SetString(HKEY_CURRENT_USER, base, "UninstallString", "x");
}

// Each test works under its own key of HKEY_CURRENT_USER and removes it afterwards.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    key_ = kTestRoot + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
    CreateKey(HKEY_CURRENT_USER, key_);
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestRoot.c_str());
  }
  // The tree that the deletion tests delete, built under the test's key: its path.
  std::string ProductTree() const {
    const std::string tree = key_ + "\\Product";
    BuildTree(tree);
    return tree;
  }
  std::string key_;
};

TEST_F(Registry, ReadsStringsAsStoredWithinTheBuffer) {
  const std::string at254(254, 'x');
  const std::string at255(255, 'y');
  SetString(HKEY_CURRENT_USER, key_, "Plain", "C:\\Foo\\FooUninst.exe");
  SetString(HKEY_CURRENT_USER, key_, "Padded", " \t\r\n\"C:\\Foo\" \r\n\t");
  SetString(HKEY_CURRENT_USER, key_, "At254", at254);
  SetString(HKEY_CURRENT_USER, key_, "At255", at255);
  SetString(HKEY_CURRENT_USER, key_, "Expand", "%WINDIR%\\Foo", REG_EXPAND_SZ);
  SetString(HKEY_CURRENT_USER, key_, "Empty", "");
  SetString(HKEY_CURRENT_USER, key_, "Japanese", "C:\\表示\\ソフト.exe");
  SetStringWithoutZero(HKEY_CURRENT_USER, key_, L"NoZero", L"abcdef");
  const DWORD dword = 0x00434241;  // "ABC" and a zero byte: the type is never checked
  ASSERT_TRUE(testsupport::SetDword(HKEY_CURRENT_USER, key_, "Dword", dword));

  struct Case {
    const char* name;
    std::string expected;
  } cases[] = {
      {"Plain", "C:\\Foo\\FooUninst.exe"},
      {"Padded", "\"C:\\Foo\""},
      {"At254", at254},
      {"At255", ""},  // 256 bytes with the zero: does not fit
      {"Expand", "%WINDIR%\\Foo"},
      {"Empty", ""},
      {"Japanese", "C:\\表示\\ソフト.exe"},
      {"NoZero", "abcde"},  // the last byte is taken for the missing zero
      {"Dword", "ABC"},
      {"Missing", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(registry::ReadRegistryString(HKEY_CURRENT_USER, key_, c.name), c.expected) << c.name;
  }
  EXPECT_EQ(registry::ReadRegistryString(HKEY_CURRENT_USER, key_ + "\\Nowhere", "Plain"), "");
}

TEST_F(Registry, RegistryPathFormSplitsKeyAndValue) {
  SetString(HKEY_CURRENT_USER, key_ + "\\Sub", "UninstallString", "\"C:\\x\\FooUninst.exe\"");
  EXPECT_EQ(registry::ReadRegistryString(HKEY_CURRENT_USER, key_ + "\\Sub\\UninstallString"),
            "\"C:\\x\\FooUninst.exe\"");
  EXPECT_EQ(registry::ReadRegistryString(HKEY_CURRENT_USER, "\\" + key_ + "\\Sub\\UninstallString"),
            "\"C:\\x\\FooUninst.exe\"");
  // The uninstall key path ends in "\": the value name follows it directly.
  EXPECT_EQ(registry::ReadRegistryString(HKEY_CURRENT_USER, key_ + "\\Sub\\" + "UninstallString"),
            "\"C:\\x\\FooUninst.exe\"");
  EXPECT_EQ(registry::ReadRegistryString(HKEY_CURRENT_USER, key_ + "\\Sub\\Missing"), "");
}

TEST_F(Registry, ReadRegistryValueReportsSizeAndFailsWhenTooSmall) {
  SetString(HKEY_CURRENT_USER, key_, "Value", "abc");
  BYTE buffer[8] = {};
  DWORD size = sizeof(buffer);
  ASSERT_TRUE(registry::ReadRegistryValue(HKEY_CURRENT_USER, key_, "Value", REG_SZ, buffer, size));
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), "abc");
  size = 2;
  EXPECT_FALSE(registry::ReadRegistryValue(HKEY_CURRENT_USER, key_, "Value", REG_SZ, buffer, size));
  size = sizeof(buffer);
  EXPECT_FALSE(registry::ReadRegistryValue(HKEY_CURRENT_USER, key_ + "\\No", "Value", REG_SZ, buffer, size));
}

// The paths that the program hands to RegDeleteKeyA, in order, seen through its import of the
// call; the path named by refused is refused. The deletion itself is the system's.
class TDeletionRecorder {
 public:
  TDeletionRecorder() : hook_("ADVAPI32.dll", "RegDeleteKeyA", reinterpret_cast<const void*>(&Record)) {
    EXPECT_TRUE(hook_.Installed()) << "this program does not import RegDeleteKeyA";
    recorder_ = this;
  }
  ~TDeletionRecorder() { recorder_ = nullptr; }
  TDeletionRecorder(const TDeletionRecorder&) = delete;
  TDeletionRecorder& operator=(const TDeletionRecorder&) = delete;

  std::vector<std::string> deleted;
  std::string refused;

 private:
  static LONG WINAPI Record(HKEY root, LPCSTR path) {
    recorder_->deleted.push_back(path);
    if (recorder_->refused == path) return ERROR_ACCESS_DENIED;
    return recorder_->hook_.Original<decltype(&RegDeleteKeyA)>()(root, path);
  }
  static TDeletionRecorder* recorder_;
  testsupport::TImportHook hook_;
};
TDeletionRecorder* TDeletionRecorder::recorder_ = nullptr;


// On the NT family every path handed to RegDeleteKeyA ends in "\".
TEST_F(Registry, DeletesTheWholeTreeDeepestFirstWithOrWithoutTrailingDelimiter) {
  ASSERT_TRUE(platform::IsNTFamily());
  for (const std::string suffix : {"\\", ""}) {
    const std::string tree = ProductTree();
    CreateKey(HKEY_CURRENT_USER, key_ + "\\Sibling");
    TDeletionRecorder recorder;
    EXPECT_EQ(registry::DeleteRegistryKeyTree(HKEY_CURRENT_USER, tree + suffix), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, tree)) << suffix;
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key_ + "\\Sibling"));
    const std::vector<std::string> expected = {
        tree + "\\A\\A1\\A11\\", tree + "\\A\\A1\\", tree + "\\A\\A2\\", tree + "\\A\\",
        tree + "\\B\\",          tree + "\\C\\C1\\", tree + "\\C\\",    tree + "\\",
    };
    EXPECT_EQ(recorder.deleted, expected) << suffix;
  }
}

// On Windows 95/98/Me every path handed to RegDeleteKeyA lacks the trailing "\".
TEST_F(Registry, Windows98DeletesPathsWithoutTrailingDelimiter) {
  RUN_AS_WINDOWS_98();
  const std::string tree = ProductTree();
  TDeletionRecorder recorder;
  EXPECT_EQ(registry::DeleteRegistryKeyTree(HKEY_CURRENT_USER, tree + "\\"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, tree));
  const std::vector<std::string> expected = {
      tree + "\\A\\A1\\A11", tree + "\\A\\A1", tree + "\\A\\A2", tree + "\\A",
      tree + "\\B",          tree + "\\C\\C1", tree + "\\C",    tree,
  };
  EXPECT_EQ(recorder.deleted, expected);
}

TEST_F(Registry, KeyThatRefusesDeletionStaysAndLaterSiblingsStillGo) {
  const std::string tree = ProductTree();
  {
    TDeletionRecorder recorder;
    recorder.refused = tree + "\\A\\A2\\";
    // The first refusal is the reason the tree stays.
    EXPECT_EQ(registry::DeleteRegistryKeyTree(HKEY_CURRENT_USER, tree), ERROR_ACCESS_DENIED);
    // The parents were still tried, and stay because a subkey is left.
    EXPECT_EQ(recorder.deleted.back(), tree + "\\");
  }
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, tree + "\\A\\A2"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, tree + "\\A\\A1"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, tree + "\\B"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, tree + "\\C"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, tree + "\\A"));
}

// Windows 95/98/Me's own RegDeleteKeyA takes a key's whole tree with it: once the key itself is
// gone, a subkey that refused earlier left nothing behind, and the answer says the key went.
TEST_F(Registry, Windows98KeyThatWentAnswersGoneWhateverASubkeyAnsweredBefore) {
  RUN_AS_WINDOWS_98();
  const std::string tree = ProductTree();
  TDeletionRecorder recorder;
  recorder.refused = tree + "\\A\\A2";
  const LONG status = registry::DeleteRegistryKeyTree(HKEY_CURRENT_USER, tree);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, tree));
  EXPECT_EQ(status, ERROR_SUCCESS);
  EXPECT_TRUE(registry::KeyTreeGone(status));
}

// Gives the key an access list; with denyDeletion it refuses everyone DELETE and so full access.
bool SetKeyAccess(const std::string& path, bool denyDeletion) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC | READ_CONTROL, &key) != ERROR_SUCCESS) {
    return false;
  }
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  EXPLICIT_ACCESSA entries[2] = {};
  entries[0].grfAccessPermissions = denyDeletion ? DELETE : KEY_ALL_ACCESS;
  entries[0].grfAccessMode = denyDeletion ? DENY_ACCESS : GRANT_ACCESS;
  entries[0].Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entries[0].Trustee.ptstrName = static_cast<LPSTR>(everyone);
  entries[1].grfAccessPermissions = KEY_READ | WRITE_DAC | READ_CONTROL;
  entries[1].grfAccessMode = GRANT_ACCESS;
  entries[1].Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entries[1].Trustee.ptstrName = static_cast<LPSTR>(everyone);
  PACL acl = nullptr;
  bool ok = SetEntriesInAclA(2, entries, nullptr, &acl) == ERROR_SUCCESS &&
            SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
  if (acl) LocalFree(acl);
  FreeSid(everyone);
  RegCloseKey(key);
  if (!ok || !denyDeletion) return ok;
  // Only a system that enforces the list makes the key undeletable.
  HKEY probe = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &probe) == ERROR_SUCCESS) {
    RegCloseKey(probe);
    return false;
  }
  return true;
}

TEST_F(Registry, KeyProtectedByItsAccessListStaysWithItsTree) {
  const std::string tree = ProductTree();
  if (!SetKeyAccess(tree + "\\A", true)) GTEST_SKIP() << "this system does not enforce registry key access lists";
  registry::DeleteRegistryKeyTree(HKEY_CURRENT_USER, tree);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, tree + "\\A\\A1\\A11"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, tree + "\\B"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, tree + "\\C"));
  EXPECT_TRUE(SetKeyAccess(tree + "\\A", false));
}

// What a user without administrator rights meets at an installed product's key: it reads, it
// does not open for deletion, and it counts as there.
TEST_F(Registry, AKeyThatOnlyReadsDoesNotOpenForDeletion) {
  const std::string tree = ProductTree();
  EXPECT_EQ(registry::OpenForDeletion(HKEY_CURRENT_USER, tree + "\\"), ERROR_SUCCESS);
  EXPECT_EQ(registry::OpenForDeletion(HKEY_CURRENT_USER, key_ + "\\Missing\\"), ERROR_FILE_NOT_FOUND);
  {
    const testsupport::TReadOnlyKey readOnly(HKEY_CURRENT_USER, tree);
    if (!readOnly.Refuses()) GTEST_SKIP() << "this system does not enforce registry key access lists";
    EXPECT_EQ(registry::OpenForDeletion(HKEY_CURRENT_USER, tree + "\\"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry::OpenForDeletion(HKEY_CURRENT_USER, tree), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, tree));
    EXPECT_EQ(registry::DeleteRegistryKeyTree(HKEY_CURRENT_USER, tree), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, tree + "\\A\\A1\\A11"));
  }
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key_ + "\\Missing"));
}

TEST_F(Registry, NeverDeletesTheRootItself) {
  BuildTree(key_);
  HKEY root = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_ALL_ACCESS, &root), ERROR_SUCCESS);
  for (const std::string path : {"", "\\", "\\\\"}) {
    EXPECT_EQ(registry::DeleteRegistryKeyTree(root, path), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key_ + "\\A\\A1\\A11")) << "[" << path << "]";
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key_ + "\\B")) << "[" << path << "]";
  }
  RegCloseKey(root);
}

TEST_F(Registry, MissingKeyDeletesNothing) {
  CreateKey(HKEY_CURRENT_USER, key_ + "\\Other");
  EXPECT_EQ(registry::DeleteRegistryKeyTree(HKEY_CURRENT_USER, key_ + "\\Missing\\"), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key_ + "\\Other"));
}

// Code page 932 names: "ソ" is 0x83 0x5C and "表" 0x95 0x5C, so a name may end in the byte of "\".
const std::string kSo = "\x83\x5C";
const std::string kHyou = "\x95\x5C";

// A name that ends in such a character is still joined to its parent's path with a "\" of its
// own; a name longer than 255 bytes (130 double-byte characters) is still read: both go with
// their whole trees and their siblings, in the platform family's path form. (Wine's ANSI registry
// functions take a path of at most 260 characters, converted in a fixed buffer: the whole path
// stays below that.)
void ExpectOddNamesGoWithTheirSiblings(const std::string& tree) {
  ASSERT_EQ(GetACP(), 932u) << "the names below are code page 932";
  std::string longName;
  for (int i = 0; i < 130; ++i) longName += kHyou;
  const std::string so = "Sample" + kSo;
  for (const std::string& sub : {std::string("A"), so + "\\Inner", longName + "\\Inner", std::string("Z")}) {
    CreateKey(HKEY_CURRENT_USER, tree + "\\" + sub);
  }
  TDeletionRecorder recorder;
  EXPECT_EQ(registry::DeleteRegistryKeyTree(HKEY_CURRENT_USER, tree + "\\"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, tree));
  const std::string end = platform::IsNTFamily() ? "\\" : "";
  for (const std::string& path : {tree + "\\" + so + "\\Inner", tree + "\\" + so, tree + "\\" + longName}) {
    EXPECT_NE(std::find(recorder.deleted.begin(), recorder.deleted.end(), path + end), recorder.deleted.end())
        << path.size();
  }
}

TEST_F(Registry, NamesEndingInTrailBackslashOrLongerThan255BytesGoWithTheirSiblings) {
  ExpectOddNamesGoWithTheirSiblings(key_ + "\\Product");
}

TEST_F(Registry, Windows98NamesEndingInTrailBackslashOrLongerThan255BytesGoWithTheirSiblings) {
  RUN_AS_WINDOWS_98();
  ExpectOddNamesGoWithTheirSiblings(key_ + "\\Product");
}

// A symbolic link, for the links the registry of the NT family knows.
class TRegistryLink {
 public:
  // Makes linkPath under HKEY_CURRENT_USER a link to targetPath there.
  TRegistryLink(const std::string& linkPath, const std::string& targetPath) : linkPath_(linkPath) {
    handles::TUniqueKernelObject token;
    std::vector<char> user(256);
    DWORD needed = 0;
    char* sid = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
        !GetTokenInformation(token.get(), TokenUser, user.data(), static_cast<DWORD>(user.size()), &needed) ||
        !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
      return;
    }
    const std::string target = std::string("\\Registry\\User\\") + sid + "\\" + targetPath;
    LocalFree(sid);
    const std::wstring wideLink(linkPath.begin(), linkPath.end());
    const std::wstring wideTarget(target.begin(), target.end());
    HKEY link = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, wideLink.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr) != ERROR_SUCCESS) {
      return;
    }
    made_ = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(wideTarget.c_str()),
                           static_cast<DWORD>(wideTarget.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(link);
  }
  ~TRegistryLink() {
    HKEY link = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, linkPath_.c_str(), REG_OPTION_OPEN_LINK, DELETE, &link) == ERROR_SUCCESS) {
      using TNtDeleteKey = LONG(NTAPI*)(HANDLE);
      const auto deleteKey = safedll::GetProc<TNtDeleteKey>(GetModuleHandleA("ntdll.dll"), "NtDeleteKey");
      if (deleteKey) deleteKey(link);
      RegCloseKey(link);
    }
  }
  // Whether the link was made and is followed.
  bool Works(const std::string& pathThroughIt) const { return made_ && KeyExists(HKEY_CURRENT_USER, pathThroughIt); }

 private:
  std::string linkPath_;
  bool made_ = false;
};

// A link under the product key may lead anywhere in the machine's registry: it is deleted as a
// link, and what it leads to stays, whether the link is a subkey or the product key itself.
TEST_F(Registry, LinkIsDeletedAsALinkAndNeverFollowed) {
  const std::string elsewhere = key_ + "\\Elsewhere";
  CreateKey(HKEY_CURRENT_USER, elsewhere + "\\Inner\\Deep");
  SetString(HKEY_CURRENT_USER, elsewhere + "\\Inner", "Value", "kept");
  const std::string tree = ProductTree();
  {
    TRegistryLink link(tree + "\\B\\Link", elsewhere);
    if (!link.Works(tree + "\\B\\Link\\Inner\\Deep")) GTEST_SKIP() << "this system makes no registry links";
    registry::DeleteRegistryKeyTree(HKEY_CURRENT_USER, tree + "\\");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, tree)) << "the product key is left";
  }
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, elsewhere + "\\Inner\\Deep")) << "the link was followed";
  EXPECT_EQ(registry::ReadRegistryString(HKEY_CURRENT_USER, elsewhere + "\\Inner", "Value"), "kept");

  // The key named for deletion is itself a link.
  {
    TRegistryLink link(tree, elsewhere);
    ASSERT_TRUE(link.Works(tree + "\\Inner\\Deep"));
    registry::DeleteRegistryKeyTree(HKEY_CURRENT_USER, tree + "\\");
    HKEY left = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, tree.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &left), ERROR_SUCCESS)
        << "the link is left";
    if (left) RegCloseKey(left);
  }
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, elsewhere + "\\Inner\\Deep")) << "the link was followed";
}

// The check before the deletion asks what the deletion will do: a key that is a link goes as the
// link itself, so only the link counts, never what it leads to, whether that refuses full access
// or is not there at all.
TEST_F(Registry, ALinkOpensForDeletionAsTheLinkItself) {
  const std::string elsewhere = key_ + "\\Elsewhere";
  CreateKey(HKEY_CURRENT_USER, elsewhere + "\\Inner");
  const std::string product = key_ + "\\Product";
  {
    TRegistryLink link(product, elsewhere);
    if (!link.Works(product + "\\Inner")) GTEST_SKIP() << "this system makes no registry links";
    EXPECT_EQ(registry::OpenForDeletion(HKEY_CURRENT_USER, product + "\\"), ERROR_SUCCESS);
    const testsupport::TReadOnlyKey readOnly(HKEY_CURRENT_USER, elsewhere);
    if (readOnly.Refuses()) {
      EXPECT_EQ(registry::OpenForDeletion(HKEY_CURRENT_USER, product + "\\"), ERROR_SUCCESS)
          << "what the link leads to was asked";
    }
  }
  {
    TRegistryLink link(product, key_ + "\\Nowhere");
    EXPECT_EQ(registry::OpenForDeletion(HKEY_CURRENT_USER, product + "\\"), ERROR_SUCCESS)
        << "a link that leads nowhere counts as missing";
    EXPECT_EQ(registry::DeleteRegistryKeyTree(HKEY_CURRENT_USER, product + "\\"), ERROR_SUCCESS);
    HKEY left = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, product.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &left),
              ERROR_FILE_NOT_FOUND)
        << "the link is left";
    if (left) RegCloseKey(left);
  }
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, elsewhere + "\\Inner"));
}

}  // namespace
