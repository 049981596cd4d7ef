// The uninstall run's own pieces that show without a run: the titles it hands to the refresh of
// Add/Remove Programs. The runs themselves are end-to-end scenarios (tests/e2e).
#include <gtest/gtest.h>

#include "app/uUninstall_win.h"

namespace {

// The two titles of the Add/Remove Programs window that the program hands to its refresh, as its
// string table holds them (code page 932 bytes), full-width first.
TEST(Uninstall, AddRemoveProgramsTitlesComeFromTheStringTable) {
  const addremoveprograms::TTitles expected = {"アプリケーションの追加と削除のプロパティ", "ｱﾌﾟﾘｹｰｼｮﾝの追加と削除 のﾌﾟﾛﾊﾟﾃｨ"};
  EXPECT_EQ(app::AddRemoveProgramsTitles(), expected);
  EXPECT_EQ(expected[0].substr(0, 2), "\x83\x41");  // "ア": the literal is code page 932
}

}  // namespace
