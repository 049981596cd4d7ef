#include "ui/uControls_win.h"

#include <algorithm>

#include "base/uMessageError.h"
#include "ui/uText_win.h"

namespace ui {
namespace {

// Labels show their text as written; tabs expand and explicit line breaks start new lines.
constexpr UINT kLabelTextFormat = DT_LEFT | DT_EXPANDTABS | DT_NOPREFIX;

}  // namespace

// ---- TControl

TControl::TControl() : TabOrder(-1), ControlId(0) {}

TControl::TControl(TControl& parent, const TControlLayout& layout)
    : TabOrder(layout.TabOrder), ControlId(layout.ControlId), parent_(&parent) {
  Name = layout.Name;
  left_ = layout.Left;
  top_ = layout.Top;
  width_ = layout.Width;
  height_ = layout.Height;
  caption_ = layout.Caption;
  parent.children_.push_back(this);
}

TControl::~TControl() {
  if (parent_) {
    auto& siblings = parent_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  for (TControl* child : children_) child->parent_ = nullptr;
}

void TControl::CreateChildWindow(const char* windowClass, DWORD exStyle, DWORD style) {
  const HWND parentWindow = parent_ ? parent_->Handle() : nullptr;
  handle_.reset(CreateWindowWithText(exStyle, windowClass, caption_, style | WS_CHILD | (visible_ ? WS_VISIBLE : 0),
                                     left_, top_, width_, height_, parentWindow,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId)), nullptr));
  if (!handle_) throw EMessageError("CreateWindowEx failed for " + Name);
  SendMessageA(handle_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
}

// A windowless control's old area and its new one are both repainted.
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

void TControl::SetCaption(const TText& caption) {
  if (!HasOwnWindow()) Invalidate();
  caption_ = caption;
  if (handle_) {
    SetWindowTextOf(handle_.get(), caption_);
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
  const HWND parentWindow = parent_ ? parent_->Handle() : nullptr;
  // A hidden form is painted whole when it is shown: measuring the label's text for it is waste.
  if (!parentWindow || !IsWindowVisible(parentWindow)) return;
  const RECT area = PaintRect();
  InvalidateRect(parentWindow, &area, TRUE);
}

HFONT TControl::Font() const { return parent_ ? parent_->Font() : nullptr; }

void TControl::Paint(HDC) {}

RECT TControl::PaintRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }

void TControl::Command(WORD) {}

bool TControl::PressAsCancel() { return false; }

// ---- TLabel

TLabel::TLabel(TControl& parent, const TControlLayout& layout) : TControl(parent, layout) {
  Invalidate();
}

TLabel::~TLabel() { Invalidate(); }

RECT TLabel::PaintRect() const {
  RECT area = TControl::PaintRect();
  const HWND parentWindow = Parent() ? Parent()->Handle() : nullptr;
  if (Caption().Empty() || !parentWindow) return area;
  // The text may run past the stored width; everything it covers belongs to the label.
  const handles::TWindowDC dc = handles::GetDC(parentWindow);
  if (!dc.get()) return area;
  const handles::TSelection font = handles::SelectObject(dc.get(), Font());
  RECT text = area;
  DrawTextOf(dc.get(), Caption(), &text, kLabelTextFormat | DT_CALCRECT);
  area.right = std::max(area.right, text.right);
  area.bottom = std::max(area.bottom, text.bottom);
  return area;
}

void TLabel::Paint(HDC dc) {
  if (!Visible() || Caption().Empty()) return;
  RECT area = TControl::PaintRect();
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  DrawTextOf(dc, Caption(), &area, kLabelTextFormat | DT_NOCLIP);
}

// ---- TListBox

TListBox::TListBox(TControl& parent, const TControlLayout& layout) : TControl(parent, layout) {
  CreateChildWindow("LISTBOX", WS_EX_CLIENTEDGE,
                    WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT);
  // After the font, which would otherwise set the item height from its own size.
  SendMessageA(handle_.get(), LB_SETITEMHEIGHT, 0, MAKELPARAM(layout.ItemHeight, 0));
}

void TListBox::Add(const std::string& item) {
  SendMessageA(handle_.get(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

int TListBox::Count() const {
  const LRESULT count = SendMessageA(handle_.get(), LB_GETCOUNT, 0, 0);
  return count == LB_ERR ? 0 : static_cast<int>(count);
}

std::string TListBox::Item(int index) const {
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

TButton::TButton(TControl& parent, const TControlLayout& layout)
    : TControl(parent, layout), Cancel(layout.Cancel) {
  CreateChildWindow("BUTTON", 0, WS_TABSTOP | BS_PUSHBUTTON);
}

void TButton::Click() {
  if (OnClick) OnClick(this);
}

void TButton::Command(WORD code) {
  if (code == BN_CLICKED) Click();
}

bool TButton::PressAsCancel() {
  if (!Cancel || !Visible() || !IsWindowEnabled(handle_.get())) return false;
  Click();
  return true;
}

}  // namespace ui
