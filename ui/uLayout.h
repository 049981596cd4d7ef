// A window's stored layout as plain constant data: the form and its components, in creation order.
#pragma once
#include <cstddef>

namespace ui {

enum class TComponentKind { Label, ListBox, Button, NonVisual };

struct TComponentLayout {
  const char* Name;
  TComponentKind Kind;
  int Left, Top, Width, Height;
  const char* Caption;  // nullptr: none
  int TabOrder;         // -1: not a tab stop
  int ControlId;        // the child window's identifier; 0 for components without a window
  bool Cancel;          // a button that the Escape key presses
  int ItemHeight;       // list boxes
};

struct TFontLayout {
  const char* Name;
  int Height;             // negative: character height in pixels
  unsigned char Charset;  // a LOGFONT charset, 128 = Shift-JIS
};

struct TFormLayout {
  const char* ClassName;  // also the window class name
  const char* Name;
  const char* Caption;
  int ClientWidth, ClientHeight;
  int MinWidth, MinHeight;  // outer size; 0: no constraint
  TFontLayout Font;
  const TComponentLayout* Components;
  std::size_t ComponentCount;
};

}  // namespace ui
