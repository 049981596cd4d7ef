// The toolkit's controls on a shown form: what invalidating each marks for repainting, read back
// with GetUpdateRect before anything paints.
#include <windows.h>

#include <gtest/gtest.h>

#include "winsupport/uTestApplication.h"

namespace {

using testsupport::TTestApplication;
using testsupport::TTestForm;

TEST(Controls, InvalidateMarksWhatEachControlPaints) {
  TTestApplication application;
  TTestForm form;
  form.Show();
  application.ProcessMessages();
  for (HWND window : {form.Handle(), form.List->Handle(), form.Ok->Handle()}) {
    UpdateWindow(window);
    ValidateRect(window, nullptr);
  }
  // A label has no window: its area of the form is marked.
  form.Label->Invalidate();
  RECT update = {};
  ASSERT_TRUE(GetUpdateRect(form.Handle(), &update, FALSE));
  EXPECT_LE(update.left, 8);
  EXPECT_LE(update.top, 8);
  EXPECT_GE(update.bottom, 8 + 12);
  EXPECT_FALSE(GetUpdateRect(form.List->Handle(), nullptr, FALSE));
  // A windowed control marks its own client area.
  form.List->Invalidate();
  EXPECT_TRUE(GetUpdateRect(form.List->Handle(), nullptr, FALSE));
  EXPECT_FALSE(GetUpdateRect(form.Ok->Handle(), nullptr, FALSE));
  EXPECT_TRUE(form.List->IsOpaque());
  EXPECT_FALSE(form.IsOpaque());
  EXPECT_FALSE(form.Label->IsOpaque());
  EXPECT_FALSE(form.Label->HasOwnWindow());
  EXPECT_TRUE(form.List->HasOwnWindow());
}

TEST(Controls, ChildrenAreListedInCreationOrderWhileTheyExist) {
  TTestApplication application;
  TTestForm form;
  const std::vector<ui::TControl*> expected = {form.Label, form.List, form.Ok, form.Cancel};
  EXPECT_EQ(form.Children(), expected);
  for (ui::TControl* child : expected) EXPECT_EQ(child->Parent(), &form);
  EXPECT_TRUE(form.Ok->Children().empty());
}

}  // namespace
