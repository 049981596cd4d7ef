// Where the texts meet Windows: the strings that come from the system, and the calls that show
// a text. Each call takes the ANSI function with the text's code page 932 bytes unchanged, or,
// on the NT family where the ANSI code page is not 932, the wide function with its UTF-16 form.
// Only what is shown goes this way; registry, file and process calls keep their ANSI strings.
#pragma once
#include <windows.h>

#include <string>

#include "ui/uText.h"

namespace ui {

// Whether windows and message boxes show the texts' UTF-16 forms: on the NT family when the
// system's ANSI code page is not 932. Windows 95/98/Me keep the ANSI functions whatever their
// code page (their wide functions are mostly stubs). Decided on first use, for the whole run.
bool WideDisplay();

// A string from the system (a file name, a path, a registry value) in its ANSI code page.
TText SystemText(const std::string& ansi);

// The toolkit's windows: a form's window class and its windows are wide ones where WideDisplay()
// holds, so that the texts they are given reach them and any reader unconverted.
bool RegisterWindowClass(const WNDCLASSEXA& windowClass);
HWND CreateWindowWithText(DWORD exStyle, const char* className, const TText& text, DWORD style, int left,
                          int top, int width, int height, HWND parent, HMENU menu, LPVOID param);
void SetWindowTextOf(HWND window, const TText& text);
LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int DrawTextOf(HDC dc, const TText& text, RECT* area, UINT format);
HFONT CreateFontFor(int height, BYTE charset, const TText& faceName);
int MessageBoxOf(HWND owner, const TText& text, const TText& title, UINT style);

}  // namespace ui
