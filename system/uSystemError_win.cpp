#include "system/uSystemError_win.h"

#include "system/uMbcs.h"
#include "system/uSafeDll_win.h"

namespace systemerror {

std::string SystemErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message;
  if (length != 0 && text != nullptr) message.assign(text, length);
  if (text != nullptr) LocalFree(text);
  return mbcs::TrimControlBytes(message);
}

std::string Describe(DWORD code) {
  const std::string text = SystemErrorText(code);
  return "エラー " + std::to_string(code) + (text.empty() ? std::string() : ": " + text);
}

DWORD LastErrorOr(DWORD fallback) {
  const DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : fallback;
}

DWORD NtStatusError(LONG status) {
  if (status >= 0) return ERROR_SUCCESS;
  using TRtlNtStatusToDosError = ULONG(NTAPI*)(LONG);
  const auto toError =
      safedll::GetProc<TRtlNtStatusToDosError>(GetModuleHandleA("ntdll.dll"), "RtlNtStatusToDosError");
  return toError ? toError(status) : ERROR_CALL_NOT_IMPLEMENTED;
}

}  // namespace systemerror
