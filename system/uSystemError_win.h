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

}  // namespace systemerror
