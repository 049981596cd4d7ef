#include "ui/uApplication_win.h"

#include <algorithm>
#include <exception>

#include "base/uMessageError.h"
#include "system/uFiles_win.h"
#include "ui/uText_win.h"

namespace ui {
namespace {

const char kWindowClass[] = "TApplication";
TApplication* g_application = nullptr;

// The top-level window that holds window: child windows are walked up to it. (GetAncestor does
// not exist on Windows 95 and NT 4.0.)
HWND TopLevelOf(HWND window) {
  while (window && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) window = GetParent(window);
  return window;
}

// The message of the exception being handled; call inside a catch block.
TText CurrentExceptionMessage() {
  try {
    throw;
  } catch (const std::exception& error) {
    // On the NT family every message that reaches here is ASCII and strings from the system
    // (paths). The messages that hold the program's own Japanese texts come from the
    // WININIT.INI procedure of Windows 95/98/Me, where the bytes are shown unchanged anyway.
    return SystemText(error.what());
  } catch (...) {
    return OWN_TEXT("不明なエラーが発生しました");
  }
}

constexpr UINT kErrorBoxStyle = MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST;

// The title that a program without an application object shows: its executable's file name
// without the extension, as an application's title is until it is set.
TText ProgramTitle() { return SystemText(files::ChangeFileExt(files::ExtractFileName(files::ModuleFileName()), "")); }

}  // namespace

TApplication::TApplication() : title_(ProgramTitle()) { g_application = this; }

TApplication::~TApplication() {
  while (!ownedForms_.empty()) ownedForms_.pop_back();
  window_.reset();
  if (g_application == this) g_application = nullptr;
}

void TApplication::SetTitle(const TText& title) {
  title_ = title;
  if (window_) SetWindowTextOf(window_.get(), title_);
}

HWND TApplication::Handle() {
  if (window_) return window_.get();
  RegisterToolkitClass(kWindowClass, &TApplication::WindowProc, 0, nullptr);
  // No size: only its taskbar entry, its title and its icon are ever seen.
  window_.reset(CreateWindowWithText(0, kWindowClass, title_,
                                     WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                     GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                                     nullptr, nullptr, nullptr));
  if (!window_) throw EMessageError("CreateWindowEx failed for TApplication");
  return window_.get();
}

void TApplication::ShowTaskbarEntry(bool shown) {
  if (window_) ShowWindow(window_.get(), shown ? SW_SHOWNOACTIVATE : SW_HIDE);
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // No exception may cross into the system, which called this procedure.
  try {
    return HandleWindowMessage(window, message, wParam, lParam);
  } catch (...) {
    ReportException();
  }
  return 0;
}

LRESULT TApplication::HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TForm* mainForm = g_application ? g_application->MainForm() : nullptr;
  switch (message) {
    case WM_SIZE:
      // The main form goes and comes back with the taskbar entry: the system hides only owned
      // pop-up windows with their minimized owner.
      if (!mainForm) break;
      if (wParam == SIZE_MINIMIZED && IsWindowVisible(mainForm->Handle())) {
        g_application->hiddenByMinimize_ = true;
        ShowWindow(mainForm->Handle(), SW_HIDE);
      } else if (wParam == SIZE_RESTORED && g_application->hiddenByMinimize_) {
        g_application->hiddenByMinimize_ = false;
        ShowWindow(mainForm->Handle(), SW_SHOW);
      }
      break;
    case WM_SETFOCUS:
      // Activated through its taskbar entry: the main form takes over (unless a box it shows
      // has disabled it).
      if (mainForm && IsWindowVisible(mainForm->Handle()) && IsWindowEnabled(mainForm->Handle())) {
        SetFocus(mainForm->Handle());
        return 0;
      }
      break;
    case WM_CLOSE:
      // Closed from the taskbar entry's menu: as the main form's close box.
      if (mainForm) mainForm->Close();
      return 0;
    default:
      break;
  }
  return DefaultWindowProc(window, message, wParam, lParam);
}

void TApplication::RemoveForm(TForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  if (mainForm_ == form) mainForm_ = nullptr;
}

void TApplication::Run() {
  // A start-up that already asked to end (no uninstall entry) shows no window.
  if (!terminateRequested_ && mainForm_ && !mainForm_->ShownOnce()) mainForm_->Show();
  MSG msg;
  for (;;) {
    const BOOL result = GetMessageA(&msg, nullptr, 0, 0);
    if (result == 0 || result == -1) break;
    HandleMessage(msg);
  }
}

void TApplication::Terminate() {
  terminateRequested_ = true;
  PostQuitMessage(0);
}

void TApplication::HandleMessage(MSG& msg) {
  if (PreTranslateMessage(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

bool TApplication::PreTranslateMessage(MSG& msg) {
  TForm* form = FindForm(msg.hwnd);
  if (!form) return false;
  if (msg.message == WM_KEYDOWN) {
    // Through the form's procedure, where a handler's exception is reported.
    if (msg.wParam == VK_ESCAPE) {
      SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
      return true;
    }
    if (msg.wParam == VK_RETURN) {
      // No default button: Enter presses the focused push button and nothing else.
      const HWND focus = GetFocus();
      const LRESULT code = focus ? SendMessageA(focus, WM_GETDLGCODE, 0, 0) : 0;
      if (IsChild(form->Handle(), focus) && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
        SendMessageA(focus, BM_CLICK, 0, 0);
      }
      return true;
    }
  }
  return IsDialogMessageA(form->Handle(), &msg) != FALSE;
}

TForm* TApplication::FindForm(HWND window) const {
  const HWND top = TopLevelOf(window);
  if (!top) return nullptr;
  for (TForm* form : forms_) {
    if (form->Handle() == top) return form;
  }
  return nullptr;
}

TForm* TApplication::ActiveForm() const {
  const HWND active = GetActiveWindow();
  if (!active) return nullptr;
  for (TForm* form : forms_) {
    if (form->Handle() == active) return form;
  }
  return nullptr;
}

void TApplication::HandleException() noexcept {
  try {
    // The system's message box with the message, the title and the error icon.
    ShowProgramBox(CurrentExceptionMessage(), kErrorBoxStyle);
  } catch (...) {
    // The report itself failed: nothing is left to tell the user with.
  }
}

TApplication* CurrentApplication() { return g_application; }

int ShowProgramBox(const TText& text, UINT style) {
  // Owner and title are taken afresh each time: the active form changes, the title may too.
  const TForm* active = g_application ? g_application->ActiveForm() : nullptr;
  return MessageBoxOf(active ? active->Handle() : nullptr, text,
                      g_application ? g_application->Title() : ProgramTitle(), style);
}

TApplication& Application() {
  if (!g_application) throw EMessageError("no application object");
  return *g_application;
}

void ReportException() noexcept {
  if (g_application) {
    g_application->HandleException();
    return;
  }
  try {
    ShowProgramBox(CurrentExceptionMessage(), kErrorBoxStyle);
  } catch (...) {
    // As above: nothing is left to tell the user with.
  }
}

}  // namespace ui
