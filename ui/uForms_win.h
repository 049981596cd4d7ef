// The program's small window toolkit on plain Win32: an application object with its message loop,
// top-level forms built from a stored layout, and the label, list box and button controls.
// Everything runs on the one user-interface thread. No C++ exception ever leaves a window
// procedure: an exception from an event handler goes to the application's error report and the
// message loop goes on.
#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "system/uHandles_win.h"
#include "ui/uComponent.h"
#include "ui/uLayout.h"

namespace ui {

struct WindowTraits {
  static HWND Empty() { return nullptr; }
  static void Close(HWND w) { DestroyWindow(w); }
};
using TUniqueWindow = handles::TUniqueHandle<HWND, WindowTraits>;

// A visual component: bounds relative to its parent's client area, a caption, and children.
class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // The parent lists this control as its last child; a windowed control gets its window now.
  void SetParent(TControl* parent);
  TControl* Parent() const { return parent_; }
  // Child controls in the order they were given this parent.
  const std::vector<TControl*>& Children() const { return children_; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Moves and sizes in one call.
  void SetBounds(int left, int top, int width, int height);

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  // Whether the control has a window of its own (list box, button, form) or is painted by its
  // parent (label).
  virtual bool HasOwnWindow() const = 0;
  // Whether the control paints its whole area itself, so invalidating it need not erase.
  virtual bool IsOpaque() const = 0;
  // Marks the control's area for repainting: its whole client area for a windowed control
  // (erasing the background unless it is opaque), its rectangle in the parent otherwise.
  virtual void Invalidate();

  // The control's own window; nullptr for a control without one or before it exists.
  HWND Handle() const { return handle_.get(); }

  int TabOrder = -1;   // -1: not reached by Tab
  int ControlId = 0;   // the child window's identifier (GetDlgCtrlID)

 protected:
  // Creates the control's window under parentWindow (windowed controls only).
  virtual void CreateWnd(HWND parentWindow);
  // Draws a windowless control on its parent's device context.
  virtual void Paint(HDC dc);
  // The area a windowless control paints, in its parent's client coordinates.
  virtual RECT PaintRect() const;
  HWND ParentWindow() const;
  HFONT FormFont() const;

  TUniqueWindow handle_;

 private:
  friend class TForm;
  TControl* parent_ = nullptr;
  std::vector<TControl*> children_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::string caption_;
  bool visible_ = true;
};

// A line of text without a window of its own, drawn by its parent form in WM_PAINT. Its caption
// is shown as written ('&' is no access-key marker) and may run past its stored width.
class TLabel : public TControl {
 public:
  using TControl::TControl;
  ~TLabel() override;
  bool HasOwnWindow() const override { return false; }
  bool IsOpaque() const override { return false; }

 protected:
  void Paint(HDC dc) override;
  RECT PaintRect() const override;
};

// A list box of code page 932 strings, kept in the window itself.
class TListBox : public TControl {
 public:
  using TControl::TControl;
  bool HasOwnWindow() const override { return true; }
  bool IsOpaque() const override { return true; }

  void Add(const std::string& item);
  void Clear();
  int Count() const;
  std::string Item(int index) const;
  std::vector<std::string> Items() const;

  int ItemHeight = 12;

 protected:
  void CreateWnd(HWND parentWindow) override;
};

// A push button. "&" in the caption marks its access key. Never a default button: Enter presses
// only the button that has the focus.
class TButton : public TControl {
 public:
  using TControl::TControl;
  bool HasOwnWindow() const override { return true; }
  bool IsOpaque() const override { return false; }

  // Runs OnClick, as a mouse click, BM_CLICK or the access key does.
  void Click();

  TNotifyEvent OnClick;
  bool Cancel = false;  // the Escape key presses it

 protected:
  void CreateWnd(HWND parentWindow) override;
};

// Outer window size limits; 0 means none.
struct TSizeConstraints {
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
};

// A top-level, sizeable window whose window class name is the form's class name. It lists itself
// in the application's forms while it exists.
class TForm : public TControl {
 public:
  explicit TForm(TComponent* owner = nullptr);
  ~TForm() override;

  // Creates the hidden window and every component of the layout in its order. Components of kind
  // NonVisual are made by createNonVisual (which returns them owned by this form).
  using TNonVisualFactory = std::function<TComponent*(const TComponentLayout&)>;
  void LoadLayout(const TFormLayout& layout, const TNonVisualFactory& createNonVisual = {});
  // Runs OnCreate; from then on every size change runs OnResize.
  void DoCreate();

  bool HasOwnWindow() const override { return true; }
  bool IsOpaque() const override { return false; }

  const std::string& ClassName() const { return className_; }
  int ClientWidth() const;
  int ClientHeight() const;
  HFONT Font() const { return static_cast<HFONT>(font_.get()); }

  // Shows the window, centred on the screen the first time, and focuses its first tab stop.
  void Show();
  // Whether Show has shown the window at least once.
  bool ShownOnce() const { return shownOnce_; }
  void Hide();
  // Hides the form; closing the main form ends the application's message loop.
  void Close();
  // Presses the cancel button when there is a visible, enabled one; false when there is none.
  bool PressCancel();

  TNotifyEvent OnCreate;
  TNotifyEvent OnResize;
  TSizeConstraints Constraints;

 protected:
  // Handles one message of the form's window; the default goes to DefWindowProc.
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateFormWindow(const TFormLayout& layout);
  void PaintWindowless();
  TControl* ControlOfWindow(HWND window) const;
  std::vector<TControl*> TabStops() const;
  void FocusFirstTabStop();

  std::string className_;
  handles::TUniqueGdiObject font_;
  HWND savedFocus_ = nullptr;
  bool created_ = false;
  bool shownOnce_ = false;
};

// The application: its title, its forms, the main form and the message loop.
class TApplication {
 public:
  TApplication() = default;
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The title of the program's message boxes.
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }

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
  void SetMainForm(TForm* form) { mainForm_ = form; }
  // Destroys the forms the application owns, last created first.
  void DestroyForms();

  // Shows the main form once, unless the end was already asked for.
  void ShowMainForm();
  // Shows the main form (as ShowMainForm) and handles messages until the loop receives its quit
  // request.
  void Run();
  // Asks the message loop to end: a quit request posted to this thread's queue.
  void Terminate();
  bool Terminated() const { return terminated_; }
  bool TerminateRequested() const { return terminateRequested_; }
  // Handles every message waiting in the queue, as the loop would, then returns; a quit
  // request found there ends the application as it would end the loop.
  void ProcessMessages();
  // Tests only: forget an earlier quit request, so one process can run several message loops.
  void ResetTerminationForTests() { terminated_ = terminateRequested_ = false; }

  // Every existing form, in creation order.
  const std::vector<TForm*>& Forms() const { return forms_; }
  // The form whose window is this thread's active window; nullptr when none is.
  TForm* ActiveForm() const;
  // The form whose window is window, or that contains it.
  TForm* FindForm(HWND window) const;

  // The error report for an exception that reached the toolkit: OnException when set, otherwise
  // ShowException. Never throws.
  void HandleException(const std::exception& error);
  void HandleUnknownException();
  // The default report: MessageBoxA with the message, the title and the error icon.
  void ShowException(const std::string& message);
  std::function<void(const std::string& message)> OnException;

 private:
  friend class TForm;
  void AddForm(TForm* form) { forms_.push_back(form); }
  void RemoveForm(TForm* form);
  // Keyboard handling of the forms: Escape, Enter on a focused button, Tab and access keys.
  bool PreTranslateMessage(MSG& msg);
  void ProcessMessage(MSG& msg);

  std::string title_;
  TForm* mainForm_ = nullptr;
  std::vector<TForm*> forms_;
  std::vector<std::unique_ptr<TForm>> ownedForms_;
  bool terminated_ = false;
  bool terminateRequested_ = false;
};

// The program's one application object.
TApplication& Application();

// Runs an event handler so that no exception leaves it: whatever it throws goes to the
// application's error report.
template <typename F>
void GuardedCall(F&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    Application().HandleException(error);
  } catch (...) {
    Application().HandleUnknownException();
  }
}

}  // namespace ui
