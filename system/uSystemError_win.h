// The system's own words for an error code, for the run log and the message boxes.
#pragma once
#include <windows.h>

#include <string>

namespace systemerror {

// The system's text for code in the ANSI code page, without its closing line break; empty when
// the system has none.
std::string SystemErrorText(DWORD code);

// "エラー <code>: <system's text>" for the run log; the text is left out when there is none.
std::string Describe(DWORD code);

// The error of the call that just failed, or fallback where it failed without naming one.
DWORD LastErrorOr(DWORD fallback);

// The error code for a status of the native calls (ERROR_SUCCESS for a success status), through
// ntdll, which only the NT family has.
DWORD NtStatusError(LONG status);

}  // namespace systemerror
