// A window's stored layout as plain constant data: the form, and each control's place and text.
#pragma once
#include "ui/uText.h"

namespace ui {

struct TControlLayout {
  const char* Name;
  int Left, Top, Width, Height;
  TOwnText Caption;     // {nullptr, nullptr}: none
  int TabOrder;         // -1: not a tab stop
  int ControlId;        // the child window's identifier; 0 for controls without a window
  bool Cancel;          // a button that the Escape key presses
  int ItemHeight;       // list boxes
};

struct TFontLayout {
  TOwnText Name;
  int Height;             // negative: character height in pixels
  unsigned char Charset;  // a LOGFONT charset, 128 = Shift-JIS
};

struct TFormLayout {
  const char* ClassName;  // also the window class name
  const char* Name;
  TOwnText Caption;
  int ClientWidth, ClientHeight;
  int MinWidth, MinHeight;  // outer size; 0: no constraint
  TFontLayout Font;
};

}  // namespace ui
