#include "ui/uVisualStyles_win.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "system/uHandles_win.h"
#include "system/uSafeDll_win.h"

namespace ui {
namespace {

TVisualStylesQuery replacement = nullptr;

// The major version that the loaded common controls report; 0 when they are not loaded or do not
// say. GetModuleHandle only finds a module already loaded (through the program's activation
// context), so nothing is loaded from the search path here.
DWORD ReportedCommonControlsMajorVersion() {
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

// The major version of the common controls assembly that the program's activation context binds
// comctl32.dll to (its manifest's dependency); 0 without one. Some implementations of the version
// 6 assembly report an older number through DllGetVersion. The functions are looked up at run
// time: Windows 95/98/Me and 2000 have none of them.
DWORD AssemblyCommonControlsMajorVersion() {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return 0;
  const auto find = reinterpret_cast<decltype(&FindActCtxSectionStringW)>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "FindActCtxSectionStringW")));
  const auto query =
      reinterpret_cast<decltype(&QueryActCtxW)>(reinterpret_cast<void*>(GetProcAddress(kernel, "QueryActCtxW")));
  const auto release =
      reinterpret_cast<decltype(&ReleaseActCtx)>(reinterpret_cast<void*>(GetProcAddress(kernel, "ReleaseActCtx")));
  if (!find || !query || !release) return 0;

  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof(data);
  if (!find(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
            L"comctl32.dll", &data)) {
    return 0;
  }
  struct TActCtxOwner {
    HANDLE context;
    decltype(&ReleaseActCtx) release;
    ~TActCtxOwner() {
      if (context) release(context);
    }
  } owner{data.hActCtx, release};

  SIZE_T needed = 0;
  DWORD index = data.ulAssemblyRosterIndex;
  query(0, data.hActCtx, &index, AssemblyDetailedInformationInActivationContext, nullptr, 0, &needed);
  if (needed < sizeof(ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION) || needed > 65536) return 0;
  std::vector<ULONGLONG> buffer((needed + sizeof(ULONGLONG) - 1) / sizeof(ULONGLONG));
  if (!query(0, data.hActCtx, &index, AssemblyDetailedInformationInActivationContext, buffer.data(),
             buffer.size() * sizeof(ULONGLONG), &needed)) {
    return 0;
  }
  const auto* info = reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
  if (!info->lpAssemblyEncodedAssemblyIdentity) return 0;
  return MajorVersionOfIdentity(info->lpAssemblyEncodedAssemblyIdentity,
                                info->ulEncodedAssemblyIdentityLength / sizeof(wchar_t));
}

DWORD CommonControlsMajorVersion() {
  const DWORD reported = ReportedCommonControlsMajorVersion();
  if (reported >= 6 || reported == 0) return reported;
  return std::max(reported, AssemblyCommonControlsMajorVersion());
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

DWORD MajorVersionOfIdentity(const wchar_t* identity, std::size_t length) {
  static const wchar_t key[] = L"version=\"";
  const std::size_t keyLength = sizeof(key) / sizeof(key[0]) - 1;
  if (!identity) return 0;
  for (std::size_t at = 0; at + keyLength <= length; ++at) {
    if (std::wmemcmp(identity + at, key, keyLength) != 0) continue;
    DWORD major = 0;
    std::size_t digits = 0;
    for (std::size_t i = at + keyLength; i < length && digits < 5; ++i, ++digits) {
      const wchar_t c = identity[i];
      if (c < L'0' || c > L'9') break;
      major = major * 10 + static_cast<DWORD>(c - L'0');
    }
    return digits == 0 ? 0 : major;
  }
  return 0;
}

bool VisualStylesInEffect() { return replacement ? replacement() : SystemVisualStylesInEffect(); }

void SetVisualStylesQuery(TVisualStylesQuery query) { replacement = query; }

}  // namespace ui
