#include "ui/uForms_win.h"

#include <algorithm>

#include "appended/uMessageError.h"

namespace ui {
namespace {

HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }

// Selects an object into a device context for the life of a scope.
class TSelectObject {
 public:
  TSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
  ~TSelectObject() {
    if (old_) SelectObject(dc_, old_);
  }
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

class TWindowDC {
 public:
  explicit TWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~TWindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

class TPaint {
 public:
  explicit TPaint(HWND window) : window_(window), dc_(BeginPaint(window, &ps_)) {}
  ~TPaint() { EndPaint(window_, &ps_); }
  TPaint(const TPaint&) = delete;
  TPaint& operator=(const TPaint&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_ = {};
  HDC dc_;
};

// Labels show their text as written; tabs expand and explicit line breaks start new lines.
constexpr UINT kLabelTextFormat = DT_LEFT | DT_EXPANDTABS | DT_NOPREFIX;

HWND CreateChildWindow(const char* windowClass, DWORD exStyle, DWORD style, const TControl& control,
                       HWND parentWindow) {
  HWND window = CreateWindowExA(exStyle, windowClass, control.Caption().c_str(),
                                style | WS_CHILD | (control.Visible() ? WS_VISIBLE : 0),
                                control.Left(), control.Top(), control.Width(), control.Height(),
                                parentWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.ControlId)),
                                ModuleInstance(), nullptr);
  if (!window) throw EMessageError("CreateWindowEx failed for " + control.Name);
  return window;
}

}  // namespace

// ---- TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  for (TControl* child : children_) child->parent_ = nullptr;
}

void TControl::SetParent(TControl* parent) {
  if (parent == parent_) return;
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  parent_ = parent;
  if (!parent_) return;
  parent_->children_.push_back(this);
  if (HasOwnWindow()) {
    if (!handle_ && parent_->Handle()) CreateWnd(parent_->Handle());
  } else {
    Invalidate();
  }
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (!HasOwnWindow()) Invalidate();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (handle_) {
    MoveWindow(handle_.get(), left, top, width, height, TRUE);
  } else if (!HasOwnWindow()) {
    Invalidate();
  }
}

void TControl::SetCaption(const std::string& caption) {
  if (!HasOwnWindow()) Invalidate();
  caption_ = caption;
  if (handle_) {
    SetWindowTextA(handle_.get(), caption_.c_str());
  } else if (!HasOwnWindow()) {
    Invalidate();
  }
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (!HasOwnWindow()) Invalidate();
  visible_ = visible;
  if (handle_) {
    ShowWindow(handle_.get(), visible ? SW_SHOW : SW_HIDE);
  } else if (!HasOwnWindow()) {
    Invalidate();
  }
}

void TControl::Invalidate() {
  if (HasOwnWindow()) {
    if (handle_) InvalidateRect(handle_.get(), nullptr, IsOpaque() ? FALSE : TRUE);
    return;
  }
  const HWND parentWindow = ParentWindow();
  // A hidden form is painted whole when it is shown: measuring the label's text for it is waste.
  if (!parentWindow || !IsWindowVisible(parentWindow)) return;
  const RECT area = PaintRect();
  InvalidateRect(parentWindow, &area, TRUE);
}

void TControl::CreateWnd(HWND) {}

void TControl::Paint(HDC) {}

RECT TControl::PaintRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }

HWND TControl::ParentWindow() const { return parent_ ? parent_->Handle() : nullptr; }

HFONT TControl::FormFont() const {
  for (const TControl* c = this; c; c = c->parent_) {
    if (const auto* form = dynamic_cast<const TForm*>(c)) return form->Font();
  }
  return nullptr;
}

// ---- TLabel

TLabel::~TLabel() { Invalidate(); }

RECT TLabel::PaintRect() const {
  RECT area = TControl::PaintRect();
  const HWND parentWindow = ParentWindow();
  if (Caption().empty() || !parentWindow) return area;
  // The text may run past the stored width; everything it covers belongs to the label.
  TWindowDC dc(parentWindow);
  if (!dc.get()) return area;
  TSelectObject font(dc.get(), FormFont());
  RECT text = area;
  DrawTextA(dc.get(), Caption().c_str(), static_cast<int>(Caption().size()), &text,
            kLabelTextFormat | DT_CALCRECT);
  area.right = std::max(area.right, text.right);
  area.bottom = std::max(area.bottom, text.bottom);
  return area;
}

void TLabel::Paint(HDC dc) {
  if (!Visible() || Caption().empty()) return;
  RECT area = TControl::PaintRect();
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextA(dc, Caption().c_str(), static_cast<int>(Caption().size()), &area,
            kLabelTextFormat | DT_NOCLIP);
}

// ---- TListBox

void TListBox::CreateWnd(HWND parentWindow) {
  handle_.reset(CreateChildWindow("LISTBOX", WS_EX_CLIENTEDGE,
                                  WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, *this,
                                  parentWindow));
  SendMessageA(handle_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
  // After the font, which would otherwise set the item height from its own size.
  SendMessageA(handle_.get(), LB_SETITEMHEIGHT, 0, MAKELPARAM(ItemHeight, 0));
}

void TListBox::Add(const std::string& item) {
  SendMessageA(handle_.get(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void TListBox::Clear() { SendMessageA(handle_.get(), LB_RESETCONTENT, 0, 0); }

int TListBox::Count() const {
  const LRESULT count = handle_ ? SendMessageA(handle_.get(), LB_GETCOUNT, 0, 0) : 0;
  return count == LB_ERR ? 0 : static_cast<int>(count);
}

std::string TListBox::Item(int index) const {
  if (!handle_) return std::string();
  const LRESULT length = SendMessageA(handle_.get(), LB_GETTEXTLEN, index, 0);
  if (length == LB_ERR || length < 0) return std::string();
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied =
      SendMessageA(handle_.get(), LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
  if (copied == LB_ERR || copied < 0) return std::string();
  text.resize(std::min<std::size_t>(static_cast<std::size_t>(copied), static_cast<std::size_t>(length)));
  return text;
}

std::vector<std::string> TListBox::Items() const {
  std::vector<std::string> items;
  const int count = Count();
  items.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) items.push_back(Item(i));
  return items;
}

// ---- TButton

void TButton::Click() {
  if (OnClick) OnClick(this);
}

void TButton::CreateWnd(HWND parentWindow) {
  handle_.reset(CreateChildWindow("BUTTON", 0, WS_TABSTOP | BS_PUSHBUTTON, *this, parentWindow));
  SendMessageA(handle_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
}

// ---- TForm

TForm::TForm(TComponent* owner) : TControl(owner) {
  SetVisible(false);
  Application().AddForm(this);
}

TForm::~TForm() {
  Application().RemoveForm(this);
  // From here on the window's messages no longer reach this half-destroyed object.
  if (handle_) SetWindowLongPtrA(handle_.get(), GWLP_USERDATA, 0);
  DestroyComponents();
  handle_.reset();
}

void TForm::LoadLayout(const TFormLayout& layout, const TNonVisualFactory& createNonVisual) {
  className_ = layout.ClassName;
  Name = layout.Name;
  SetCaption(layout.Caption);
  Constraints.MinWidth = layout.MinWidth;
  Constraints.MinHeight = layout.MinHeight;
  font_.reset(CreateFontA(layout.Font.Height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                          layout.Font.Charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, layout.Font.Name));
  CreateFormWindow(layout);

  for (std::size_t i = 0; i < layout.ComponentCount; ++i) {
    const TComponentLayout& item = layout.Components[i];
    TControl* control = nullptr;
    switch (item.Kind) {
      case TComponentKind::Label:
        control = CreateOwned<TLabel>();
        break;
      case TComponentKind::ListBox:
        control = CreateOwned<TListBox>();
        static_cast<TListBox*>(control)->ItemHeight = item.ItemHeight;
        break;
      case TComponentKind::Button:
        control = CreateOwned<TButton>();
        static_cast<TButton*>(control)->Cancel = item.Cancel;
        break;
      case TComponentKind::NonVisual: {
        TComponent* component = createNonVisual ? createNonVisual(item) : CreateOwned<TComponent>();
        if (component) component->Name = item.Name;
        continue;
      }
    }
    control->Name = item.Name;
    control->SetBounds(item.Left, item.Top, item.Width, item.Height);
    if (item.Caption) control->SetCaption(item.Caption);
    control->TabOrder = item.TabOrder;
    control->ControlId = item.ControlId;
    control->SetParent(this);
  }

  // Tab and the dialog keys follow the windows' z-order: put it in tab order.
  for (TControl* control : TabStops()) {
    SetWindowPos(control->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void TForm::CreateFormWindow(const TFormLayout& layout) {
  WNDCLASSEXA existing = {};
  existing.cbSize = sizeof(existing);
  if (!GetClassInfoExA(ModuleInstance(), className_.c_str(), &existing)) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &TForm::StaticWndProc;
    wc.hInstance = ModuleInstance();
    wc.hIcon = LoadIconA(ModuleInstance(), "MAINICON");
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = className_.c_str();
    if (!RegisterClassExA(&wc)) throw EMessageError("RegisterClassEx failed for " + className_);
  }

  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_CONTROLPARENT;
  RECT outer = {0, 0, layout.ClientWidth, layout.ClientHeight};
  AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  HWND window = CreateWindowExA(exStyle, className_.c_str(), Caption().c_str(), style, CW_USEDEFAULT,
                                CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                                nullptr, nullptr, ModuleInstance(), this);
  if (!window) {
    handle_.release();  // the system destroyed the half-made window itself
    throw EMessageError("CreateWindowEx failed for " + className_);
  }
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
}

void TForm::DoCreate() {
  if (OnCreate) OnCreate(this);
  created_ = true;
}

int TForm::ClientWidth() const {
  RECT client = {};
  if (handle_) GetClientRect(handle_.get(), &client);
  return client.right - client.left;
}

int TForm::ClientHeight() const {
  RECT client = {};
  if (handle_) GetClientRect(handle_.get(), &client);
  return client.bottom - client.top;
}

void TForm::Show() {
  if (!handle_) return;
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
  SetVisible(true);
  SetForegroundWindow(handle_.get());
  UpdateWindow(handle_.get());
}

void TForm::Hide() { SetVisible(false); }

void TForm::Close() {
  if (handle_) SendMessageA(handle_.get(), WM_CLOSE, 0, 0);
}

bool TForm::PressCancel() {
  for (TControl* child : Children()) {
    auto* button = dynamic_cast<TButton*>(child);
    if (button && button->Cancel && button->Visible() && button->Handle() &&
        IsWindowEnabled(button->Handle())) {
      button->Click();
      return true;
    }
  }
  return false;
}

TControl* TForm::ControlOfWindow(HWND window) const {
  if (!window) return nullptr;
  for (TControl* child : Children()) {
    if (child->Handle() == window) return child;
  }
  return nullptr;
}

std::vector<TControl*> TForm::TabStops() const {
  std::vector<TControl*> stops;
  for (TControl* child : Children()) {
    if (child->HasOwnWindow() && child->Handle() && child->TabOrder >= 0) stops.push_back(child);
  }
  std::stable_sort(stops.begin(), stops.end(),
                   [](const TControl* a, const TControl* b) { return a->TabOrder < b->TabOrder; });
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

void TForm::PaintWindowless() {
  TPaint paint(handle_.get());
  if (!paint.get()) return;
  TSelectObject font(paint.get(), Font());
  for (TControl* child : Children()) {
    if (!child->HasOwnWindow()) child->Paint(paint.get());
  }
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND window = handle_.get();
  switch (message) {
    case WM_COMMAND: {
      TControl* control = ControlOfWindow(reinterpret_cast<HWND>(lParam));
      if (auto* button = dynamic_cast<TButton*>(control)) {
        if (HIWORD(wParam) == BN_CLICKED) GuardedCall([button] { button->Click(); });
        return 0;
      }
      // The dialog manager's Escape arrives as IDCANCEL from no control.
      if (!control && LOWORD(wParam) == IDCANCEL) {
        GuardedCall([this] { PressCancel(); });
        return 0;
      }
      break;
    }
    case WM_SIZE:
    case WM_MOVE: {
      RECT outer = {};
      GetWindowRect(window, &outer);
      left_ = outer.left;
      top_ = outer.top;
      width_ = outer.right - outer.left;
      height_ = outer.bottom - outer.top;
      // A minimized window has no client area to lay out; restoring sends the real size.
      if (message == WM_SIZE && created_ && wParam != SIZE_MINIMIZED && OnResize) {
        GuardedCall([this] { OnResize(this); });
        // Controls moved while the window grows may paint before its drawing surface has grown
        // (seen under Wine: buttons left blank in the new area). Paint everything once more after.
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      }
      return 0;
    }
    case WM_GETMINMAXINFO: {
      const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (Constraints.MinWidth > 0) info->ptMinTrackSize.x = Constraints.MinWidth;
      if (Constraints.MinHeight > 0) info->ptMinTrackSize.y = Constraints.MinHeight;
      if (Constraints.MaxWidth > 0) info->ptMaxTrackSize.x = Constraints.MaxWidth;
      if (Constraints.MaxHeight > 0) info->ptMaxTrackSize.y = Constraints.MaxHeight;
      return result;
    }
    case WM_PAINT:
      PaintWindowless();
      return 0;
    case WM_CLOSE:
      Hide();
      if (Application().MainForm() == this) Application().Terminate();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) savedFocus_ = focus;
      }
      break;
    case WM_SETFOCUS:
      // The form itself takes no keys: hand the focus to the control that had it, or the first.
      if (savedFocus_ && IsWindow(savedFocus_) && IsChild(window, savedFocus_) &&
          IsWindowVisible(savedFocus_) && IsWindowEnabled(savedFocus_)) {
        SetFocus(savedFocus_);
      } else {
        FocusFirstTabStop();
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK TForm::StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TForm* form = nullptr;
  if (message == WM_NCCREATE) {
    form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    form->handle_.reset(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  } else {
    form = reinterpret_cast<TForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  }
  if (!form) return DefWindowProcA(window, message, wParam, lParam);
  try {
    return form->WndProc(message, wParam, lParam);
  } catch (const std::exception& error) {
    Application().HandleException(error);
  } catch (...) {
    Application().HandleUnknownException();
  }
  return 0;
}

// ---- TApplication

TApplication::~TApplication() { DestroyForms(); }

void TApplication::DestroyForms() {
  while (!ownedForms_.empty()) ownedForms_.pop_back();
}

void TApplication::RemoveForm(TForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  if (mainForm_ == form) mainForm_ = nullptr;
}

void TApplication::ShowMainForm() {
  // A start-up that already asked to end (no uninstall entry) shows no window.
  if (terminateRequested_ || !mainForm_ || mainForm_->ShownOnce()) return;
  GuardedCall([this] { mainForm_->Show(); });
}

void TApplication::Run() {
  ShowMainForm();
  MSG msg;
  while (!terminated_) {
    const BOOL result = GetMessageA(&msg, nullptr, 0, 0);
    if (result == 0 || result == -1) break;
    GuardedCall([this, &msg] { ProcessMessage(msg); });
  }
  terminated_ = true;
}

void TApplication::Terminate() {
  terminateRequested_ = true;
  PostQuitMessage(0);
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    GuardedCall([this, &msg] { ProcessMessage(msg); });
  }
}

void TApplication::ProcessMessage(MSG& msg) {
  if (PreTranslateMessage(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

bool TApplication::PreTranslateMessage(MSG& msg) {
  TForm* form = FindForm(msg.hwnd);
  if (!form || !form->Handle()) return false;
  if (msg.message == WM_KEYDOWN) {
    if (msg.wParam == VK_ESCAPE && form->PressCancel()) return true;
    if (msg.wParam == VK_RETURN) {
      // No default button: Enter presses the focused button and nothing else.
      const HWND focus = GetFocus();
      for (TControl* child : form->Children()) {
        if (child->Handle() == focus && dynamic_cast<TButton*>(child)) {
          SendMessageA(focus, BM_CLICK, 0, 0);
          break;
        }
      }
      return true;
    }
  }
  return IsDialogMessageA(form->Handle(), &msg) != FALSE;
}

TForm* TApplication::ActiveForm() const {
  const HWND active = GetActiveWindow();
  if (!active) return nullptr;
  for (TForm* form : forms_) {
    if (form->Handle() == active) return form;
  }
  return nullptr;
}

TForm* TApplication::FindForm(HWND window) const {
  if (!window) return nullptr;
  // IsChild rather than GetAncestor, which Windows 95 and NT 4.0 do not have.
  for (TForm* form : forms_) {
    const HWND handle = form->Handle();
    if (handle && (handle == window || IsChild(handle, window))) return form;
  }
  return nullptr;
}

void TApplication::HandleException(const std::exception& error) {
  try {
    if (OnException) {
      OnException(error.what());
    } else {
      ShowException(error.what());
    }
  } catch (...) {
    // The report itself failed: nothing is left to tell the user with.
  }
}

void TApplication::HandleUnknownException() {
  try {
    const std::string message = "不明なエラーが発生しました";
    if (OnException) {
      OnException(message);
    } else {
      ShowException(message);
    }
  } catch (...) {
  }
}

void TApplication::ShowException(const std::string& message) {
  const TForm* active = ActiveForm();
  MessageBoxA(active ? active->Handle() : nullptr, message.c_str(), title_.c_str(),
              MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST);
}

TApplication& Application() {
  static TApplication application;
  return application;
}

}  // namespace ui
