#include <windows.h>

#include <gtest/gtest.h>

#include "ui/uMessageDialog.h"
#include "winsupport/MessageBoxWatcher.h"
#include "winsupport/uTestApplication.h"

namespace {

using namespace ui;

class MessageDialog : public ::testing::Test {
 protected:
  testsupport::TTestApplication application_;  // titled "Korvane Uninstaller"
};

TEST_F(MessageDialog, WrappersShowOneOkButtonTitledWithTheApplication) {
  struct Case {
    std::int32_t (*show)(const TText&);
    TOwnText text;
  } cases[] = {
      {&ShowInformation, OWN_TEXT("アンインストールが完了しました")},
      {&ShowWarning, OWN_TEXT("スクリーンセーバーが動作しています\r\n画面のプロパティを閉じてください")},
      {&ShowError, OWN_TEXT("Foo のインストール情報が見つかりませんでした\r\n\r\nアンインストールに失敗しました")},
      {&ShowInformation, OWN_TEXT("")},  // title and icon alone
  };
  for (const auto& c : cases) {
    TMessageBoxWatcher watcher;
    EXPECT_EQ(c.show(c.text), mrOK);
    const TCapturedBox box = watcher.Result();
    ASSERT_TRUE(box.Found);
    EXPECT_EQ(box.Title, "Korvane Uninstaller");
    EXPECT_EQ(box.Text, c.text.Bytes);
    EXPECT_EQ(box.Owner, nullptr);  // no form is active
  }
}

TEST_F(MessageDialog, TitleIsReadAtEachCall) {
  Application().SetTitle(OWN_TEXT("Other Title"));
  TMessageBoxWatcher watcher;
  ShowMessageBox(OWN_TEXT("x"), TMessageKind::Custom, mbOK, 0);
  EXPECT_EQ(watcher.Result().Title, "Other Title");
}

TEST_F(MessageDialog, ResultNamesThePressedButton) {
  struct Case {
    TMessageButtons buttons;
    std::uint32_t extra;
    int pressed;
    std::int32_t result;
  } cases[] = {
      {mbYes | mbNo, 0, IDNO, mrNo},
      {mbOK | mbCancel, 0, IDCANCEL, mrCancel},
      {mbAbort | mbRetry | mbIgnore, 0, IDIGNORE, mrIgnore},
      // Only the extra flags can ask for Cancel / Try Again / Continue.
      {0, MB_CANCELTRYCONTINUE, IDTRYAGAIN, mrRetry},
      {0, MB_CANCELTRYCONTINUE, IDCONTINUE, mrIgnore},
  };
  for (const auto& c : cases) {
    TMessageBoxWatcher watcher(c.pressed);
    EXPECT_EQ(ShowMessageBox(OWN_TEXT("?"), TMessageKind::Confirmation, c.buttons, c.extra), c.result) << c.pressed;
    EXPECT_TRUE(watcher.Result().Found);
  }
}

TEST_F(MessageDialog, ActiveFormOwnsTheBox) {
  testsupport::TTestForm form;
  form.Show();
  SetActiveWindow(form.Handle());
  ASSERT_EQ(Application().ActiveForm(), &form);
  TMessageBoxWatcher watcher;
  EXPECT_EQ(ShowError(OWN_TEXT("owned")), mrOK);
  const TCapturedBox box = watcher.Result();
  EXPECT_EQ(box.Owner, form.Handle());
}

}  // namespace
