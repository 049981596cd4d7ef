// The toolkit's application: its list of forms, the main form and the loop, the title before and
// after it is set, and the window that carries the program's taskbar entry.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "base/uMessageError.h"
#include "system/uFiles_win.h"
#include "ui/uMessageDialog.h"
#include "winsupport/MessageBoxWatcher.h"
#include "winsupport/uTestApplication.h"

namespace {

using testsupport::TTestApplication;
using testsupport::TTestForm;

TEST(Application, FormsAreListedWhileTheyExist) {
  TTestApplication application;
  {
    TTestForm first;
    TTestForm second;
    EXPECT_EQ(application.Forms(), (std::vector<ui::TForm*>{&first, &second}));
    EXPECT_EQ(&ui::Application(), &application);
  }
  EXPECT_TRUE(application.Forms().empty());
  auto* owned = application.CreateForm<TTestForm>();
  EXPECT_EQ(application.MainForm(), owned);
  EXPECT_EQ(application.Forms(), (std::vector<ui::TForm*>{owned}));
}

TEST(Application, MainFormShownBeforeTheLoopIsNotShownAgainByIt) {
  TTestApplication application;
  auto* form = application.CreateForm<TTestForm>();
  form->Show();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  // Hidden again behind the toolkit's back: a loop that showed it a second time would undo that.
  ShowWindow(form->Handle(), SW_HIDE);
  bool visibleInLoop = true;
  form->Cancel->OnClick = [&](ui::TComponent*) {
    visibleInLoop = IsWindowVisible(form->Handle()) != FALSE;
    form->Close();
  };
  PostMessageA(form->Cancel->Handle(), BM_CLICK, 0, 0);
  application.Run();
  EXPECT_FALSE(visibleInLoop);
}

// Until the program sets it, the title is the executable's file name without its extension: an
// error box from the start-up carries that, not an empty title.
TEST(Application, TitleBeforeItIsSetIsTheExecutablesName) {
  ui::TApplication application;
  EXPECT_EQ(application.Title().Bytes(), "win32_tests");
  EXPECT_EQ(files::ExtractFileName(files::ModuleFileName()), "win32_tests.exe");
  TMessageBoxWatcher watcher;
  ui::ShowError(OWN_TEXT("early"));
  EXPECT_EQ(watcher.Result().Title, "win32_tests");
  application.SetTitle(OWN_TEXT("Korvane Uninstaller"));
  EXPECT_EQ(application.Title().Bytes(), "Korvane Uninstaller");
}

// The taskbar lists a visible top-level window that has no owner and is no tool window, and
// leaves out owned windows without WS_EX_APPWINDOW. The main form is owned by the application's
// window, which carries the title: the one taskbar entry shows the title, not the form's caption.
TEST(Application, TaskbarEntryCarriesTheTitle) {
  TTestApplication application;
  auto* form = application.CreateForm<TTestForm>();
  const HWND entry = GetWindow(form->Handle(), GW_OWNER);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry, application.Handle());
  EXPECT_FALSE(IsWindowVisible(entry)) << "an entry before the window shows";

  form->Show();
  char text[64] = {};
  GetWindowTextA(entry, text, sizeof(text));
  EXPECT_STREQ(text, "Korvane Uninstaller");
  EXPECT_TRUE(IsWindowVisible(entry));
  EXPECT_EQ(GetWindow(entry, GW_OWNER), nullptr);
  EXPECT_EQ(GetWindowLongA(entry, GWL_EXSTYLE) & (WS_EX_TOOLWINDOW | WS_EX_APPWINDOW), 0);
  EXPECT_EQ(GetWindowLongA(form->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  EXPECT_EQ(GetClassLongPtrA(entry, GCLP_HICON) != 0, true) << "the entry has the program's icon";

  application.SetTitle(OWN_TEXT("Other Title"));
  GetWindowTextA(entry, text, sizeof(text));
  EXPECT_STREQ(text, "Other Title");

  form->Close();
  EXPECT_FALSE(IsWindowVisible(entry)) << "the entry outlives the main window";
}

// Minimizing the main form minimizes the entry (an owned window alone would sink to the desktop's
// corner); restoring the entry brings the form back, and activating it activates the form.
// Closing the entry closes the main form.
TEST(Application, TaskbarEntryMinimizesRestoresAndClosesTheMainForm) {
  TTestApplication application;
  auto* form = application.CreateForm<TTestForm>();
  form->Show();
  const HWND entry = application.Handle();

  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  application.ProcessMessages();
  EXPECT_TRUE(IsIconic(entry));
  EXPECT_FALSE(IsWindowVisible(form->Handle()));

  ShowWindow(entry, SW_RESTORE);
  application.ProcessMessages();
  EXPECT_FALSE(IsIconic(entry));
  EXPECT_TRUE(IsWindowVisible(form->Handle()));

  // Activated through the entry, the program hands the activation to the main form.
  SetActiveWindow(entry);
  application.ProcessMessages();
  EXPECT_EQ(GetActiveWindow(), form->Handle());

  PostMessageA(entry, WM_CLOSE, 0, 0);
  EXPECT_TRUE(application.ProcessMessages()) << "closing the entry ends the loop";
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

// Without an application object (before the program has made it, or after it is gone) nothing
// dereferences a null pointer: what needs one says so with an error, message boxes and the error
// report still show, unowned and under the program's name.
TEST(Application, NoApplicationObjectIsNoCrash) {
  ASSERT_EQ(ui::CurrentApplication(), nullptr);
  EXPECT_THROW(ui::Application(), EMessageError);
  {
    TMessageBoxWatcher watcher;
    ui::ShowError(OWN_TEXT("no application"));
    const TCapturedBox box = watcher.Result();
    EXPECT_EQ(box.Title, "win32_tests");
    EXPECT_EQ(box.Text, "no application");
    EXPECT_EQ(box.Owner, nullptr);
  }
  {
    TMessageBoxWatcher watcher;
    try {
      throw EMessageError("reported");
    } catch (...) {
      ui::ReportException();
    }
    const TCapturedBox box = watcher.Result();
    EXPECT_EQ(box.Title, "win32_tests");
    EXPECT_EQ(box.Text, "reported");
  }
}

}  // namespace
