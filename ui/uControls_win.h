// The controls of the toolkit: the label, the list box and the push button, and the control they
// share with the form. A control's place and text come from its layout; its parent lists it as a
// child from its construction to its destruction.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "system/uHandles_win.h"
#include "ui/uComponent.h"
#include "ui/uLayout.h"
#include "ui/uText.h"

namespace ui {

// A visual component: bounds relative to its parent's client area, a caption, and children.
class TControl : public TComponent {
 public:
  ~TControl() override;

  TControl* Parent() const { return parent_; }
  // Child controls in the order they were created.
  const std::vector<TControl*>& Children() const { return children_; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Moves and sizes in one call.
  void SetBounds(int left, int top, int width, int height);

  // The text the control shows: its layout's until SetCaption gives another.
  const TText& Caption() const { return caption_; }
  void SetCaption(const TText& caption);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  // Whether the control has a window of its own (list box, button, form) or is painted by its
  // parent (label).
  virtual bool HasOwnWindow() const = 0;
  // Whether the control paints its whole area itself, so invalidating it need not erase.
  virtual bool IsOpaque() const = 0;
  // Marks the control's area for repainting: its whole client area for a windowed control
  // (erasing the background unless it is opaque), its rectangle in the parent otherwise.
  void Invalidate();

  // The control's own window; nullptr for a control without one.
  HWND Handle() const { return handle_.get(); }
  // The font the control draws with: its form's.
  virtual HFONT Font() const;

  const int TabOrder;   // -1: not reached by Tab
  const int ControlId;  // the child window's identifier (GetDlgCtrlID)

 protected:
  // A top-level control (a form): no parent, no place in a tab order.
  TControl();
  // A child of parent, placed and captioned as layout says.
  TControl(TControl& parent, const TControlLayout& layout);

  // Creates the control's window, captioned, as a child of its parent's.
  void CreateChildWindow(const char* windowClass, DWORD exStyle, DWORD style);
  // Draws a windowless control on its parent's device context.
  virtual void Paint(HDC dc);
  // The area a windowless control paints, in its parent's client coordinates.
  virtual RECT PaintRect() const;
  // A notification the control's window sent its parent (WM_COMMAND).
  virtual void Command(WORD code);
  // Presses the control when it is its form's cancel button; false otherwise.
  virtual bool PressAsCancel();

  handles::TUniqueWindow handle_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;

 private:
  friend class TForm;
  TControl* parent_ = nullptr;
  std::vector<TControl*> children_;
  TText caption_;
  bool visible_ = true;
};

// A line of text without a window of its own, drawn by its parent form in WM_PAINT. Its caption
// is shown as written ('&' is no access-key marker) and may run past its stored width.
class TLabel : public TControl {
 public:
  TLabel(TControl& parent, const TControlLayout& layout);
  ~TLabel() override;
  bool HasOwnWindow() const override { return false; }
  bool IsOpaque() const override { return false; }

 protected:
  void Paint(HDC dc) override;
  RECT PaintRect() const override;
};

// A list box of strings in the system's ANSI code page (paths), kept in the window itself.
class TListBox : public TControl {
 public:
  TListBox(TControl& parent, const TControlLayout& layout);
  bool HasOwnWindow() const override { return true; }
  bool IsOpaque() const override { return true; }

  void Add(const std::string& item);
  int Count() const;
  std::string Item(int index) const;
  std::vector<std::string> Items() const;
};

// A push button. "&" in the caption marks its access key. Never a default button: Enter presses
// only the button that has the focus.
class TButton : public TControl {
 public:
  TButton(TControl& parent, const TControlLayout& layout);
  bool HasOwnWindow() const override { return true; }
  bool IsOpaque() const override { return false; }

  // Runs OnClick, as a mouse click, BM_CLICK or the access key does.
  void Click();

  TNotifyEvent OnClick;
  const bool Cancel;  // the Escape key presses it

 protected:
  void Command(WORD code) override;
  bool PressAsCancel() override;
};

}  // namespace ui
