#include "system/uHandles_win.h"

#include "system/uSafeDll_win.h"

namespace handles {

void ActCtxTraits::Close(HANDLE context) {
  using TReleaseActCtx = void(WINAPI*)(HANDLE);
  if (const auto release =
          safedll::GetProc<TReleaseActCtx>(GetModuleHandleA("kernel32.dll"), "ReleaseActCtx")) {
    release(context);
  }
}

}  // namespace handles
