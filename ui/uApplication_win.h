// The application: its title, its forms, the main form, the message loop, and the window that
// stands for the program on the taskbar. The program makes one application object at its start
// and keeps it for its whole run.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "system/uHandles_win.h"
#include "ui/uForm_win.h"
#include "ui/uText.h"

namespace ui {

class TApplication {
 public:
  // Becomes the program's application object (Application()) until it is destroyed. The title
  // is the executable's file name without its extension until SetTitle gives another.
  TApplication();
  // Destroys the forms it owns, last created first, and its window.
  virtual ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The title of the program's taskbar entry and of its message boxes.
  const TText& Title() const { return title_; }
  void SetTitle(const TText& title);

  // The application's window: hidden, captioned with the title, and the owner of every form, so
  // that the taskbar shows one entry, under the title, while the main form is shown. Made on
  // first use.
  HWND Handle();

  // Makes a form owned by the application; the first one becomes the main form. Exceptions from
  // the form's constructor (its OnCreate included) propagate.
  template <typename T, typename... Args>
  T* CreateForm(Args&&... args) {
    auto form = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = form.get();
    ownedForms_.push_back(std::move(form));
    if (!mainForm_) mainForm_ = raw;
    return raw;
  }
  TForm* MainForm() const { return mainForm_; }

  // Shows the main form unless it has been shown before or the end was already asked for, then
  // handles messages until the loop receives its quit request.
  void Run();
  // Asks the message loop to end: a quit request posted to this thread's queue.
  void Terminate();

  // Every existing form, in creation order.
  const std::vector<TForm*>& Forms() const { return forms_; }
  // The form whose window is this thread's active window; nullptr when none is.
  TForm* ActiveForm() const;

  // The error report for the exception being handled: called inside a catch block, it shows the
  // exception's message (or a general one for an exception that is no std::exception) in the
  // system's message box, with the title and the error icon. Never throws.
  void HandleException() noexcept;

 protected:
  // Handles one message as the loop does: the forms' keys first, then the window procedure.
  // Protected for the tests' application, which handles what is queued without running the loop.
  void HandleMessage(MSG& msg);

 private:
  friend class TForm;
  void AddForm(TForm* form) { forms_.push_back(form); }
  void RemoveForm(TForm* form);
  // The taskbar entry follows the main form: shown with it, gone when it closes.
  void ShowTaskbarEntry(bool shown);
  // Keyboard handling of the forms: Escape, Enter on a focused button, Tab and access keys.
  bool PreTranslateMessage(MSG& msg);
  TForm* FindForm(HWND window) const;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  TText title_;
  handles::TUniqueWindow window_;
  TForm* mainForm_ = nullptr;
  std::vector<TForm*> forms_;
  std::vector<std::unique_ptr<TForm>> ownedForms_;
  bool terminateRequested_ = false;
  bool hiddenByMinimize_ = false;  // the main form, while the taskbar entry is minimized
};

// The program's application object: the one made last and not yet destroyed; nullptr when there
// is none (before the program has made it, or after it is gone).
TApplication* CurrentApplication();
// The same, for what cannot work without one (forms): throws EMessageError when there is none.
TApplication& Application();

// Shows the system's message box as every box of the program is shown: owned by the application's
// active form when there is one, titled with the application's title (without an application object,
// the executable's file name without its extension), with the style given. Blocks until it is closed; MessageBox's answer (0
// when it could not be shown).
int ShowProgramBox(const TText& text, UINT style);

// The error report for the exception being handled, for every window and hook procedure and the
// start-up: the application's (HandleException) when there is one, else the same message box
// (ShowProgramBox, so unowned and under the executable's name). Call it inside a catch block. Never
// throws.
void ReportException() noexcept;

}  // namespace ui
