#include "ui/uVisualStyles_win.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <vector>

#include "system/uHandles_win.h"
#include "system/uSafeDll_win.h"
#include "ui/uAssemblyIdentity.h"

namespace ui {
namespace {

// The major version that the loaded common controls report; 0 when they are not loaded or do not
// say. GetModuleHandle only finds a module already loaded (through the program's activation
// context), so nothing is loaded from the search path here.
DWORD ReportedCommonControlsMajorVersion() {
  const auto getVersion =
      safedll::GetProc<DLLGETVERSIONPROC>(GetModuleHandleA("comctl32.dll"), "DllGetVersion");
  if (!getVersion) return 0;
  DLLVERSIONINFO info = {};
  info.cbSize = sizeof(info);
  if (FAILED(getVersion(&info))) return 0;
  return info.dwMajorVersion;
}

// The major version of the common controls assembly that the program's activation context binds
// comctl32.dll to (its manifest's dependency); 0 without one. Some implementations of the version
// 6 assembly report an older number through DllGetVersion. The functions are looked up at run
// time: Windows 95/98/Me and 2000 have none of them.
DWORD AssemblyCommonControlsMajorVersion() {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const auto find =
      safedll::GetProc<decltype(&FindActCtxSectionStringW)>(kernel, "FindActCtxSectionStringW");
  const auto query = safedll::GetProc<decltype(&QueryActCtxW)>(kernel, "QueryActCtxW");
  if (!find || !query) return 0;

  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof(data);
  if (!find(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
            L"comctl32.dll", &data)) {
    return 0;
  }
  const handles::TUniqueActCtx context(data.hActCtx);

  SIZE_T needed = 0;
  DWORD index = data.ulAssemblyRosterIndex;
  query(0, context.get(), &index, AssemblyDetailedInformationInActivationContext, nullptr, 0, &needed);
  if (needed < sizeof(ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION) || needed > 65536) return 0;
  std::vector<ULONGLONG> buffer((needed + sizeof(ULONGLONG) - 1) / sizeof(ULONGLONG));
  if (!query(0, context.get(), &index, AssemblyDetailedInformationInActivationContext, buffer.data(),
             buffer.size() * sizeof(ULONGLONG), &needed)) {
    return 0;
  }
  const auto* info = reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
  return MajorVersionOfIdentity(info->lpAssemblyEncodedAssemblyIdentity,
                                info->ulEncodedAssemblyIdentityLength / sizeof(wchar_t));
}

DWORD CommonControlsMajorVersion() {
  const DWORD reported = ReportedCommonControlsMajorVersion();
  if (reported >= 6 || reported == 0) return reported;
  return std::max(reported, AssemblyCommonControlsMajorVersion());
}

}  // namespace

bool VisualStylesInEffect() {
  // By full path: the program may run from a folder anyone can write to.
  const handles::TUniqueModule theme = safedll::LoadSystemLibrary("uxtheme.dll");
  using TBoolQuery = BOOL(WINAPI*)();
  const auto isAppThemed = safedll::GetProc<TBoolQuery>(theme.get(), "IsAppThemed");
  const auto isThemeActive = safedll::GetProc<TBoolQuery>(theme.get(), "IsThemeActive");
  if (!isAppThemed || !isThemeActive) return false;
  if (!isAppThemed() || !isThemeActive()) return false;
  return CommonControlsMajorVersion() >= 6;
}

}  // namespace ui
