#include "ui/uForm_win.h"

#include <algorithm>
#include <string>

#include "base/uMessageError.h"
#include "ui/uApplication_win.h"
#include "ui/uText_win.h"

namespace ui {
namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

// Runs a window's complete repaint when the scope ends, also when an event handler throws.
struct TRedrawWhenDone {
  HWND window;
  ~TRedrawWhenDone() { RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN); }
};

}  // namespace

void RegisterToolkitClass(const char* className, WNDPROC procedure, UINT style, HBRUSH background) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  if (GetClassInfoExA(instance, className, &windowClass)) return;
  windowClass.style = style;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "MAINICON");
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = className;
  if (!RegisterWindowClass(windowClass)) throw EMessageError(std::string("RegisterClassEx failed for ") + className);
}

TForm::TForm(const TFormLayout& layout) {
  Name = layout.Name;
  SetCaption(layout.Caption);
  SetVisible(false);
  Constraints.MinWidth = layout.MinWidth;
  Constraints.MinHeight = layout.MinHeight;
  font_.reset(CreateFontFor(layout.Font.Height, layout.Font.Charset, layout.Font.Name));
  RegisterToolkitClass(layout.ClassName, &TForm::StaticWndProc, CS_DBLCLKS,
                       reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
  RECT outer = {0, 0, layout.ClientWidth, layout.ClientHeight};
  AdjustWindowRectEx(&outer, kFormStyle, FALSE, kFormExStyle);
  // Taken before the form is registered: making the application's window can raise, and the
  // application must not keep a form whose constructor did not finish.
  const HWND owner = Application().Handle();
  Application().AddForm(this);
  // WM_NCCREATE hands this object to the window procedure, which takes the handle from there.
  if (!CreateWindowWithText(kFormExStyle, layout.ClassName, Caption(), kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            outer.right - outer.left, outer.bottom - outer.top, owner, nullptr,
                            this)) {
    handle_.release();  // the system destroyed the half-made window itself
    Application().RemoveForm(this);
    throw EMessageError(std::string("CreateWindowEx failed for ") + layout.ClassName);
  }
  SendMessageA(handle_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
}

TForm::~TForm() {
  if (TApplication* application = CurrentApplication()) application->RemoveForm(this);
  // From here on the window's messages no longer reach this half-destroyed object.
  if (handle_) SetWindowLongPtrA(handle_.get(), GWLP_USERDATA, 0);
  while (!components_.empty()) components_.pop_back();  // last created first
  handle_.reset();
}

void TForm::Loaded() {
  // Tab and the dialog keys follow the windows' z-order: put it in tab order.
  for (TControl* control : TabStops()) {
    SetWindowPos(control->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  if (OnCreate) OnCreate(this);
  created_ = true;
}

int TForm::ClientWidth() const {
  RECT client = {};
  GetClientRect(handle_.get(), &client);
  return client.right - client.left;
}

int TForm::ClientHeight() const {
  RECT client = {};
  GetClientRect(handle_.get(), &client);
  return client.bottom - client.top;
}

void TForm::Show() {
  if (!shownOnce_) {
    shownOnce_ = true;
    RECT outer = {};
    GetWindowRect(handle_.get(), &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    SetWindowPos(handle_.get(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (Application().MainForm() == this) Application().ShowTaskbarEntry(true);
  SetVisible(true);
  SetForegroundWindow(handle_.get());
  UpdateWindow(handle_.get());
}

void TForm::Close() { SendMessageA(handle_.get(), WM_CLOSE, 0, 0); }

bool TForm::PressCancel() {
  for (TControl* child : Children()) {
    if (child->PressAsCancel()) return true;
  }
  return false;
}

std::vector<TControl*> TForm::TabStops() const {
  std::vector<TControl*> stops;
  for (TControl* child : Children()) {
    if (!child->Handle() || child->TabOrder < 0) continue;
    // An insertion sort for a handful of controls: equal tab orders keep their creation order.
    stops.push_back(child);
    for (size_t i = stops.size() - 1; i > 0 && stops[i - 1]->TabOrder > child->TabOrder; --i) {
      std::swap(stops[i - 1], stops[i]);
    }
  }
  return stops;
}

void TForm::FocusFirstTabStop() {
  for (TControl* control : TabStops()) {
    if (control->Visible() && IsWindowEnabled(control->Handle())) {
      SetFocus(control->Handle());
      return;
    }
  }
}

void TForm::OnCommand(WPARAM wParam, LPARAM lParam) {
  const HWND from = reinterpret_cast<HWND>(lParam);
  for (TControl* child : Children()) {
    if (from && child->Handle() == from) return child->Command(HIWORD(wParam));
  }
  // Escape arrives as IDCANCEL from no control.
  if (!from && LOWORD(wParam) == IDCANCEL) PressCancel();
}

void TForm::OnSize(UINT message, WPARAM wParam) {
  RECT outer = {};
  GetWindowRect(handle_.get(), &outer);
  left_ = outer.left;
  top_ = outer.top;
  width_ = outer.right - outer.left;
  height_ = outer.bottom - outer.top;
  // A minimized window has no client area to lay out; restoring sends the real size.
  if (message != WM_SIZE || !created_ || wParam == SIZE_MINIMIZED || !OnResize) return;
  // Controls moved while the window grows may paint before its drawing surface has grown (seen
  // under Wine: buttons left blank in the new area). Paint everything once more after.
  const TRedrawWhenDone redraw{handle_.get()};
  OnResize(this);
}

void TForm::OnPaint() {
  const handles::TPaint paint = handles::BeginPaint(handle_.get());
  if (!paint.get()) return;
  const handles::TSelection font = handles::SelectObject(paint.get(), Font());
  for (TControl* child : Children()) {
    if (!child->HasOwnWindow()) child->Paint(paint.get());
  }
}

void TForm::OnSetFocus() {
  // The form itself takes no keys: hand the focus to the control that had it, or the first.
  const HWND window = handle_.get();
  if (savedFocus_ && IsWindow(savedFocus_) && IsChild(window, savedFocus_) &&
      IsWindowVisible(savedFocus_) && IsWindowEnabled(savedFocus_)) {
    SetFocus(savedFocus_);
  } else {
    FocusFirstTabStop();
  }
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND window = handle_.get();
  switch (message) {
    case WM_COMMAND:
      OnCommand(wParam, lParam);
      return 0;
    case WM_SIZE:
    case WM_MOVE:
      OnSize(message, wParam);
      return 0;
    case WM_GETMINMAXINFO: {
      const LRESULT result = DefaultWindowProc(window, message, wParam, lParam);
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (Constraints.MinWidth > 0) info->ptMinTrackSize.x = Constraints.MinWidth;
      if (Constraints.MinHeight > 0) info->ptMinTrackSize.y = Constraints.MinHeight;
      return result;
    }
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_CLOSE:
      SetVisible(false);
      if (Application().MainForm() == this) {
        Application().ShowTaskbarEntry(false);
        Application().Terminate();
      }
      return 0;
    case WM_SYSCOMMAND:
      // The main form has no taskbar entry of its own: minimized, it goes down with the
      // application's window, which has one.
      if ((wParam & 0xFFF0) == SC_MINIMIZE && Application().MainForm() == this) {
        ShowWindow(Application().Handle(), SW_MINIMIZE);
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) savedFocus_ = focus;
      }
      break;
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    default:
      break;
  }
  return DefaultWindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK TForm::StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TForm* form = nullptr;
  if (message == WM_NCCREATE) {
    // CREATESTRUCTA and CREATESTRUCTW hold lpCreateParams alike.
    form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    form->handle_.reset(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  } else {
    form = reinterpret_cast<TForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  }
  if (!form) return DefaultWindowProc(window, message, wParam, lParam);
  try {
    return form->WndProc(message, wParam, lParam);
  } catch (...) {
    ReportException();
  }
  return 0;
}

}  // namespace ui
