// A top-level, sizeable window built from a stored layout, with the controls its code adds. Its
// window procedure is the one place where the toolkit catches what an event handler throws: the
// application's error report shows it and the message loop goes on.
#pragma once
#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "system/uHandles_win.h"
#include "ui/uControls_win.h"
#include "ui/uLayout.h"

namespace ui {

// Registers a top-level window class of the toolkit (a form's, the application's) unless it is
// registered already: the program's icon (MAINICON), the arrow cursor, and the procedure, class
// style and background given. Throws EMessageError when the system refuses.
void RegisterToolkitClass(const char* className, WNDPROC procedure, UINT style, HBRUSH background);

// Outer window size limits; 0 means none.
struct TSizeConstraints {
  int MinWidth = 0, MinHeight = 0;
};

// The window class name is the layout's class name. The form is listed in the application's
// forms while it exists, and owned by the application's window (which stands for the program on
// the taskbar).
class TForm : public TControl {
 public:
  // Creates the hidden window as the layout describes it.
  explicit TForm(const TFormLayout& layout);
  ~TForm() override;

  // Creates a control or a non-visual component owned by this form, in the order of the calls.
  template <typename T>
  T* Add(const TControlLayout& layout) {
    return Own(std::make_unique<T>(*this, layout));
  }
  template <typename T>
  T* AddComponent(const char* name) {
    T* component = Own(std::make_unique<T>());
    component->Name = name;
    return component;
  }
  // Ends the construction: Tab follows the controls' tab order, OnCreate runs, and from then on
  // every size change runs OnResize.
  void Loaded();

  bool HasOwnWindow() const override { return true; }
  bool IsOpaque() const override { return false; }
  HFONT Font() const override { return static_cast<HFONT>(font_.get()); }

  int ClientWidth() const;
  int ClientHeight() const;

  // Shows the window, centred on the screen the first time, and focuses its first tab stop.
  void Show();
  // Whether Show has shown the window at least once.
  bool ShownOnce() const { return shownOnce_; }
  // Hides the form; closing the main form ends the application's message loop.
  void Close();

  TNotifyEvent OnCreate;
  TNotifyEvent OnResize;
  TSizeConstraints Constraints;

 private:
  // Handles one message of the form's window; the default goes to DefWindowProc.
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  template <typename T>
  T* Own(std::unique_ptr<T> component) {
    T* raw = component.get();
    components_.push_back(std::move(component));
    return raw;
  }
  bool PressCancel();
  void OnCommand(WPARAM wParam, LPARAM lParam);
  void OnSize(UINT message, WPARAM wParam);
  void OnPaint();
  void OnSetFocus();
  std::vector<TControl*> TabStops() const;
  void FocusFirstTabStop();

  handles::TUniqueGdiObject font_;
  std::vector<std::unique_ptr<TComponent>> components_;
  HWND savedFocus_ = nullptr;
  bool created_ = false;
  bool shownOnce_ = false;
};

}  // namespace ui
