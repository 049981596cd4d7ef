#include "ui/uVisualStyles_win.h"

#include <windows.h>
#include <shlwapi.h>

#include "system/uHandles_win.h"
#include "system/uSafeDll_win.h"

namespace ui {
namespace {

TVisualStylesQuery replacement = nullptr;

// The major version of the common controls this process uses. GetModuleHandle only finds a
// module already loaded (through the program's activation context), so nothing is loaded from
// the search path here; 0 when the controls are not loaded or do not say.
DWORD CommonControlsMajorVersion() {
  const HMODULE comctl = GetModuleHandleA("comctl32.dll");
  if (!comctl) return 0;
  const auto getVersion =
      reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
  if (!getVersion) return 0;
  DLLVERSIONINFO info = {};
  info.cbSize = sizeof(info);
  if (FAILED(getVersion(&info))) return 0;
  return info.dwMajorVersion;
}

}  // namespace

bool SystemVisualStylesInEffect() {
  // By full path: the program may run from a folder anyone can write to.
  handles::TUniqueModule theme(safedll::LoadSystemLibrary("uxtheme.dll"));
  if (!theme) return false;
  using TBoolQuery = BOOL(WINAPI*)();
  const auto isAppThemed =
      reinterpret_cast<TBoolQuery>(reinterpret_cast<void*>(GetProcAddress(theme.get(), "IsAppThemed")));
  const auto isThemeActive =
      reinterpret_cast<TBoolQuery>(reinterpret_cast<void*>(GetProcAddress(theme.get(), "IsThemeActive")));
  if (!isAppThemed || !isThemeActive) return false;
  if (!isAppThemed() || !isThemeActive()) return false;
  return CommonControlsMajorVersion() >= 6;
}

bool VisualStylesInEffect() { return replacement ? replacement() : SystemVisualStylesInEffect(); }

void SetVisualStylesQuery(TVisualStylesQuery query) { replacement = query; }

}  // namespace ui
