#include <gtest/gtest.h>

#include <string>

#include "resources/uMainLayout.h"

namespace {

const ui::TComponentLayout& Find(const char* name) {
  for (const auto& c : layout::kMainComponents) {
    if (std::string(c.Name) == name) return c;
  }
  throw std::runtime_error(name);
}

// The window's texts are code page 932 bytes, whatever the source file's encoding.
TEST(MainLayout, TextsAreCodePage932Bytes) {
  EXPECT_EQ(std::string(Find("Label1").Caption),
            "\x88\xC8\x89\xBA\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x8D\xED\x8F\x9C"
            "\x82\xB5\x82\xDC\x82\xB7");
  EXPECT_EQ(std::string(Find("btnOK").Caption),
            "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B(&U)");
  EXPECT_EQ(std::string(Find("btnCancel").Caption), "\x83\x4C\x83\x83\x83\x93\x83\x5A\x83\x8B(&C)");
  EXPECT_EQ(std::string(Find("lblExplain").Caption),
            "%s\x83\x58\x83\x4E\x83\x8A\x81\x5B\x83\x93\x83\x5A\x81\x5B\x83\x6F\x81\x5B\x82\xF0"
            "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xB5\x82\xDC\x82\xB7");
  // "ＭＳ Ｐゴシック"
  EXPECT_EQ(std::string(layout::kMainLayout.Font.Name),
            "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
}

TEST(MainLayout, ComponentsInCreationOrderWithTheirIdsAndTabOrder) {
  const char* names[] = {"Label1", "lblExplain", "ListBox1", "btnOK", "btnCancel", "AltFixOnVista1"};
  ASSERT_EQ(layout::kMainLayout.ComponentCount, std::size(names));
  for (std::size_t i = 0; i < std::size(names); ++i) {
    EXPECT_STREQ(layout::kMainLayout.Components[i].Name, names[i]);
  }
  EXPECT_EQ(Find("ListBox1").ControlId, 1001);
  EXPECT_EQ(Find("btnOK").ControlId, 1002);
  EXPECT_EQ(Find("btnCancel").ControlId, 1003);
  EXPECT_EQ(Find("btnCancel").TabOrder, 0);
  EXPECT_EQ(Find("ListBox1").TabOrder, 1);
  EXPECT_EQ(Find("btnOK").TabOrder, 2);
  EXPECT_TRUE(Find("btnCancel").Cancel);
  EXPECT_FALSE(Find("btnOK").Cancel);
}

}  // namespace
