#include <gtest/gtest.h>

#include <cstdint>

#include "system/uPrivateFolder.h"

namespace {

TEST(PrivateFolder, NameIsAFixedPrefixAndEightHexDigits) {
  EXPECT_EQ(privatefolder::PrivateFolderName(0x01B1EA03), "KorvaneUninst-01B1EA03");
  EXPECT_EQ(privatefolder::PrivateFolderName(0), "KorvaneUninst-00000000");
  EXPECT_TRUE(privatefolder::IsPrivateFolderName("KorvaneUninst-FFFFFFFF"));
  for (const char* name : {"KorvaneUninst-0000000", "KorvaneUninst-000000000", "KorvaneUninst-0000000g",
                           "KorvaneUninst-abcdef01", "korvaneUninst-00000000", "Temp", ""}) {
    EXPECT_FALSE(privatefolder::IsPrivateFolderName(name)) << name;
  }
  // Names after a collision differ from the one taken.
  std::uint32_t n = 7;
  for (int i = 0; i < 100; ++i) {
    const std::uint32_t next = privatefolder::NextFolderNumber(n);
    EXPECT_NE(next, n);
    n = next;
  }
}

}  // namespace
