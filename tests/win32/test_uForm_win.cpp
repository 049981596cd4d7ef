// The toolkit's form: its window procedure turns an event handler's exception into the error
// report and goes on; the keys of the message loop reach the form they were typed in; Tab follows
// the tab order.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "winsupport/MessageBoxWatcher.h"
#include "winsupport/uImportHook.h"
#include "winsupport/uTestApplication.h"

namespace {

using testsupport::TTestApplication;
using testsupport::TTestForm;

// The error reports of the application, taken where the program shows them: its calls of
// MessageBoxA and MessageBoxW go to stand-ins that keep the text (as code page 932 bytes) and
// answer OK, and then run onReport.
class TReportCapture {
 public:
  TReportCapture()
      : narrow_("USER32.dll", "MessageBoxA", reinterpret_cast<const void*>(&NarrowBox)),
        wide_("USER32.dll", "MessageBoxW", reinterpret_cast<const void*>(&WideBox)) {
    current_ = this;
  }
  ~TReportCapture() { current_ = nullptr; }
  TReportCapture(const TReportCapture&) = delete;
  TReportCapture& operator=(const TReportCapture&) = delete;

  bool Installed() const { return narrow_.Installed() && wide_.Installed(); }

  std::vector<std::string> reports;
  std::function<void()> onReport;

 private:
  static int Take(const std::string& text) {
    current_->reports.push_back(text);
    if (current_->onReport) current_->onReport();
    return IDOK;
  }
  static int WINAPI NarrowBox(HWND, LPCSTR text, LPCSTR, UINT) { return Take(text); }
  static int WINAPI WideBox(HWND, LPCWSTR text, LPCWSTR, UINT) {
    const int size = WideCharToMultiByte(932, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 1, '\0');
    WideCharToMultiByte(932, 0, text, -1, &bytes[0], size, nullptr, nullptr);
    bytes.resize(bytes.size() - 1);
    return Take(bytes);
  }

  static TReportCapture* current_;
  testsupport::TImportHook narrow_;
  testsupport::TImportHook wide_;
};
TReportCapture* TReportCapture::current_ = nullptr;

TEST(Form, ExceptionFromAHandlerGoesToTheReportAndTheLoopGoesOn) {
  TTestApplication application;
  auto* form = application.CreateForm<TTestForm>();
  form->Ok->OnClick = [](ui::TComponent*) { throw std::runtime_error("Bad Signature"); };
  TReportCapture capture;
  ASSERT_TRUE(capture.Installed());
  // The report queues a Cancel click: the loop ends only if it still handles messages afterwards.
  capture.onReport = [&] { PostMessageA(form->Cancel->Handle(), BM_CLICK, 0, 0); };
  PostMessageA(form->Ok->Handle(), BM_CLICK, 0, 0);
  application.Run();
  EXPECT_EQ(capture.reports, std::vector<std::string>{"Bad Signature"});
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

TEST(Form, ExceptionOfAnotherKindGetsAGeneralReport) {
  TTestApplication application;
  auto* form = application.CreateForm<TTestForm>();
  form->Ok->OnClick = [](ui::TComponent*) { throw 42; };
  TReportCapture capture;
  ASSERT_TRUE(capture.Installed());
  form->Show();
  PostMessageA(form->Ok->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(application.ProcessMessages());
  EXPECT_EQ(capture.reports, std::vector<std::string>{"不明なエラーが発生しました"});
}

TEST(Form, DefaultErrorReportIsAMessageBoxWithTheMessage) {
  TTestApplication application;
  TTestForm form;
  form.Ok->OnClick = [](ui::TComponent*) { throw std::runtime_error("Bad Signature"); };
  form.Show();
  TMessageBoxWatcher watcher;
  PostMessageA(form.Ok->Handle(), BM_CLICK, 0, 0);
  application.ProcessMessages();
  const TCapturedBox box = watcher.Result();
  ASSERT_TRUE(box.Found);
  EXPECT_EQ(box.Text, "Bad Signature");
  EXPECT_EQ(box.Title, "Korvane Uninstaller");
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
}

// With two forms open, Escape and Enter act on the form whose control they were typed in.
TEST(Form, KeysReachTheFormTheyWereTypedIn) {
  TTestApplication application;
  TTestForm first;
  TTestForm second;
  int firstOk = 0, secondOk = 0;
  first.Ok->OnClick = [&](ui::TComponent*) { ++firstOk; };
  second.Ok->OnClick = [&](ui::TComponent*) { ++secondOk; };
  first.Show();
  second.Show();

  SetFocus(second.Ok->Handle());
  PostMessageA(second.Ok->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  application.ProcessMessages();
  EXPECT_EQ(firstOk, 0);
  EXPECT_EQ(secondOk, 1);

  PostMessageA(second.List->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  application.ProcessMessages();
  EXPECT_FALSE(IsWindowVisible(second.Handle()));
  EXPECT_TRUE(IsWindowVisible(first.Handle()));
}

// Tab goes through the tab stops in their tab order, and from the last back to the first; controls
// of equal order keep the order in which the form added them.
TEST(Form, TabFollowsTheTabOrderAndKeepsTheAddingOrderOfEqualOnes) {
  TTestApplication application;
  ui::TForm form({"TTabOrderForm", "TabOrderForm", OWN_TEXT("Tab order"), 300, 150, 0, 0, {OWN_TEXT("Tahoma"), -12, 0}});
  const int tabOrders[] = {1, 0, 2, 1, 0};
  std::vector<ui::TButton*> buttons;
  for (int i = 0; i < 5; ++i) {
    buttons.push_back(form.Add<ui::TButton>({"Button", 8, 8 + 20 * i, 80, 18, OWN_TEXT("Button"), tabOrders[i], 200 + i, false, 0}));
  }
  form.Loaded();
  form.Show();
  const std::vector<int> expected = {1, 4, 0, 3, 2};
  std::vector<int> visited;
  HWND control = buttons[expected.front()]->Handle();
  for (std::size_t step = 0; step < expected.size(); ++step) {
    visited.push_back(GetDlgCtrlID(control) - 200);
    control = GetNextDlgTabItem(form.Handle(), control, FALSE);
  }
  EXPECT_EQ(visited, expected);
  EXPECT_EQ(control, buttons[expected.front()]->Handle());
  EXPECT_EQ(GetFocus(), buttons[expected.front()]->Handle());
}

}  // namespace
