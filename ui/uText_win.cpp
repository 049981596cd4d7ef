#include "ui/uText_win.h"

#include "system/uPlatform_win.h"

namespace ui {
namespace {

constexpr UINT kJapaneseCodePage = 932;

bool g_decided = false;
bool g_wide = false;

// Window class names are ASCII: every ANSI code page reads them alike.
TWideString WideClassName(const char* name) { return SystemText(name).Wide(); }

}  // namespace

bool WideDisplay() {
  if (!g_decided) {
    g_wide = platform::IsNTFamily() && GetACP() != kJapaneseCodePage;
    g_decided = true;
  }
  return g_wide;
}

TText SystemText(const std::string& ansi) {
  TWideString wide;
  if (!ansi.empty()) {
    const int size = static_cast<int>(ansi.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
    if (length > 0) {
      wide.resize(static_cast<std::size_t>(length));
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, &wide[0], length);
    }
  }
  return TText(ansi, wide);
}

bool RegisterWindowClass(const WNDCLASSEXA& windowClass) {
  if (!WideDisplay()) return RegisterClassExA(&windowClass) != 0;
  const TWideString name = WideClassName(windowClass.lpszClassName);
  WNDCLASSEXW wide = {};
  wide.cbSize = sizeof(wide);
  wide.style = windowClass.style;
  wide.lpfnWndProc = windowClass.lpfnWndProc;
  wide.cbClsExtra = windowClass.cbClsExtra;
  wide.cbWndExtra = windowClass.cbWndExtra;
  wide.hInstance = windowClass.hInstance;
  wide.hIcon = windowClass.hIcon;
  wide.hCursor = windowClass.hCursor;
  wide.hbrBackground = windowClass.hbrBackground;
  wide.lpszClassName = name.c_str();
  wide.hIconSm = windowClass.hIconSm;
  return RegisterClassExW(&wide) != 0;
}

HWND CreateWindowWithText(DWORD exStyle, const char* className, const TText& text, DWORD style, int left,
                          int top, int width, int height, HWND parent, HMENU menu, LPVOID param) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!WideDisplay()) {
    return CreateWindowExA(exStyle, className, text.Bytes().c_str(), style, left, top, width, height, parent,
                           menu, instance, param);
  }
  return CreateWindowExW(exStyle, WideClassName(className).c_str(), text.Wide().c_str(), style, left, top, width,
                         height, parent, menu, instance, param);
}

void SetWindowTextOf(HWND window, const TText& text) {
  if (WideDisplay()) {
    SetWindowTextW(window, text.Wide().c_str());
  } else {
    SetWindowTextA(window, text.Bytes().c_str());
  }
}

LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return WideDisplay() ? DefWindowProcW(window, message, wParam, lParam)
                       : DefWindowProcA(window, message, wParam, lParam);
}

int DrawTextOf(HDC dc, const TText& text, RECT* area, UINT format) {
  if (WideDisplay()) return DrawTextW(dc, text.Wide().c_str(), static_cast<int>(text.Wide().size()), area, format);
  return DrawTextA(dc, text.Bytes().c_str(), static_cast<int>(text.Bytes().size()), area, format);
}

HFONT CreateFontFor(int height, BYTE charset, const TText& faceName) {
  // A face name in code page 932 bytes names no font where the system reads another code page.
  if (WideDisplay()) {
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, faceName.Wide().c_str());
  }
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, faceName.Bytes().c_str());
}

int MessageBoxOf(HWND owner, const TText& text, const TText& title, UINT style) {
  if (WideDisplay()) return MessageBoxW(owner, text.Wide().c_str(), title.Wide().c_str(), style);
  return MessageBoxA(owner, text.Bytes().c_str(), title.Bytes().c_str(), style);
}

}  // namespace ui
