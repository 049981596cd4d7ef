#include <gtest/gtest.h>

#include <string>

#include "app/uMainLayout.h"

namespace {

const layout::TMainLayout& kLayout = layout::kMainLayout;

// The window's texts are code page 932 bytes, whatever the source file's encoding.
TEST(MainLayout, TextsAreCodePage932Bytes) {
  EXPECT_EQ(std::string(kLayout.Label1.Caption.Bytes),
            "\x88\xC8\x89\xBA\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x8D\xED\x8F\x9C"
            "\x82\xB5\x82\xDC\x82\xB7");
  EXPECT_EQ(std::string(kLayout.btnOK.Caption.Bytes),
            "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B(&U)");
  EXPECT_EQ(std::string(kLayout.btnCancel.Caption.Bytes), "\x83\x4C\x83\x83\x83\x93\x83\x5A\x83\x8B(&C)");
  EXPECT_EQ(std::string(kLayout.lblExplain.Caption.Bytes),
            "%s\x83\x58\x83\x4E\x83\x8A\x81\x5B\x83\x93\x83\x5A\x81\x5B\x83\x6F\x81\x5B\x82\xF0"
            "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xB5\x82\xDC\x82\xB7");
  // "ＭＳ Ｐゴシック"
  EXPECT_EQ(std::string(layout::kMainLayout.Form.Font.Name.Bytes),
            "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
}

TEST(MainLayout, ComponentsWithTheirNamesIdsAndTabOrder) {
  EXPECT_STREQ(kLayout.Label1.Name, "Label1");
  EXPECT_STREQ(kLayout.lblExplain.Name, "lblExplain");
  EXPECT_STREQ(kLayout.ListBox1.Name, "ListBox1");
  EXPECT_STREQ(kLayout.btnOK.Name, "btnOK");
  EXPECT_STREQ(kLayout.btnCancel.Name, "btnCancel");
  EXPECT_STREQ(kLayout.AltFixOnVista1, "AltFixOnVista1");
  EXPECT_EQ(kLayout.ListBox1.ControlId, 1001);
  EXPECT_EQ(kLayout.btnOK.ControlId, 1002);
  EXPECT_EQ(kLayout.btnCancel.ControlId, 1003);
  EXPECT_EQ(kLayout.btnCancel.TabOrder, 0);
  EXPECT_EQ(kLayout.ListBox1.TabOrder, 1);
  EXPECT_EQ(kLayout.btnOK.TabOrder, 2);
  EXPECT_TRUE(kLayout.btnCancel.Cancel);
  EXPECT_FALSE(kLayout.btnOK.Cancel);
}

}  // namespace
