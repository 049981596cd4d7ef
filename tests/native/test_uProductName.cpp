#include <gtest/gtest.h>

#include "app/uProductName.h"

namespace {

using app::FormatText;
using app::ProductNameFromExePath;

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
  EXPECT_EQ(app::UninstallKeyPath("Foo"), "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Foo\\");
  EXPECT_EQ(app::UninstallKeyPath("\x95\x5C"),
            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\x95\x5C\\");
  EXPECT_EQ(std::string(app::kUninstallRootKeyPath) + "\\", app::UninstallKeyPath(""));
}

TEST(FormatText, SubstitutesTheArgumentWithoutReadingItAsAFormat) {
  struct Case {
    std::string format, arg, expected;
  } cases[] = {
      {"%sスクリーンセーバー Uninstaller", "Foo", "Fooスクリーンセーバー Uninstaller"},
      {"%s のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました", "100%s%d",
       "100%s%d のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました"},
      {"%s", "", ""},
      {"a%%b%s", "x", "a%bx"},
      {"tail%", "x", "tail%"},
      {"%d%s", "x", "%dx"},
      {"no format", "x", "no format"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatText(c.format, c.arg), c.expected) << c.format;
  }
}

}  // namespace
