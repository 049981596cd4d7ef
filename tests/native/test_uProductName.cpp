#include <gtest/gtest.h>

#include "system/uProductName.h"

namespace {

using productname::ProductNameFromExePath;

TEST(ProductName, IsTheFileNameBeforeTheFirstUninst) {
  struct Case {
    std::string path, product;
  } cases[] = {
      {"C:\\Program Files\\Foo\\FooUninst.exe", "Foo"},
      {"C:\\TEMP\\fooUNINST.EXE", "foo"},  // found without regard to case, kept as written
      {"C:\\x\\BarUninstUninst.exe", "Bar"},
      {"C:\\x\\Uninst.exe", ""},
      {"C:\\x\\uninstFoo.exe", ""},
      {"C:\\x\\Foo.exe", ""},
      {"C:\\Uninst\\Foo.exe", ""},  // the folder does not count
      {"FooUninst.exe", "Foo"},
      {"D:BazUnInSt.exe", "Baz"},
      {"", ""},
      // "表" ends in 0x5C: it is no path delimiter, so the whole name is the product.
      {"C:\\x\\\x95\x5C\x8E\xA6Uninst.exe", "\x95\x5C\x8E\xA6"},
      // "ア"-like pair whose second byte is 'U' must not start the match.
      {"C:\\x\\\x83UninstUninst.exe", "\x83Uninst"},
      {"C:\\x\\ab\x82\x60Uninst.exe", "ab\x82\x60"},  // full-width "Ａ" stays as written
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProductNameFromExePath(c.path), c.product) << c.path;
  }
}

TEST(ProductName, KeyPathEndsInTheProductAndABackslash) {
  EXPECT_EQ(productname::UninstallKeyPath("Foo"), "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Foo\\");
  EXPECT_EQ(productname::UninstallKeyPath("\x95\x5C"),
            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\x95\x5C\\");
  EXPECT_EQ(std::string(productname::kUninstallRootKeyPath) + "\\", productname::UninstallKeyPath(""));
}

}  // namespace
