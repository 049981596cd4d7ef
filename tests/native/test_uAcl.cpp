#include <gtest/gtest.h>

#include "support/SidText.h"
#include "system/uAcl.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

TEST(Acl, WellKnownSids) {
  EXPECT_EQ(acl::LocalSystemSid(), Bytes({1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}));
  EXPECT_EQ(acl::AdministratorsSid(), Bytes({1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0}));
  EXPECT_EQ(testsupport::SidToText(acl::LocalSystemSid()), "S-1-5-18");
  EXPECT_EQ(testsupport::SidToText(acl::AdministratorsSid()), "S-1-5-32-544");
}

TEST(Acl, SidLengthTrustsNothingBeyondWhatIsThere) {
  const std::string admins = acl::AdministratorsSid();
  EXPECT_EQ(acl::SidLength(admins.data(), admins.size()), 16u);
  EXPECT_EQ(acl::SidLength(admins.data(), 100), 16u);
  EXPECT_EQ(acl::SidLength(admins.data(), 15), 0u);  // cut short
  EXPECT_EQ(acl::SidLength(admins.data(), 7), 0u);
  std::string bad = admins;
  bad[0] = 2;  // revision
  EXPECT_EQ(acl::SidLength(bad.data(), bad.size()), 0u);
  bad = admins;
  bad[1] = 16;  // more sub-authorities than a SID may have
  EXPECT_EQ(acl::SidLength(bad.data(), 200), 0u);
  EXPECT_EQ(testsupport::SidToText(admins + "x"), "");
  EXPECT_EQ(testsupport::SidToText(""), "");
}

TEST(Acl, AllowListHasOneInheritedAcePerDistinctSid) {
  const std::string user = Bytes({1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0,
                                  0xE9, 3, 0, 0});
  const std::string list = acl::BuildAllowList(
      {acl::LocalSystemSid(), acl::AdministratorsSid(), acl::AdministratorsSid(), "junk", "", user},
      acl::kFileAllAccess, acl::kInheritToFilesAndFolders);
  const std::string header = Bytes({2, 0, 8 + 20 + 24 + 36, 0, 3, 0, 0, 0});
  const std::string mask = Bytes({0xFF, 0x01, 0x1F, 0x00});
  const std::string expected = header + Bytes({0, 3, 20, 0}) + mask + acl::LocalSystemSid() +
                               Bytes({0, 3, 24, 0}) + mask + acl::AdministratorsSid() + Bytes({0, 3, 36, 0}) +
                               mask + user;
  EXPECT_EQ(list, expected);
  EXPECT_EQ(acl::BuildAllowList({}, 1, 0), Bytes({2, 0, 8, 0, 0, 0, 0, 0}));
}

}  // namespace
