#include <windows.h>

#include "base/uFileHandle.h"

void TFileTraits::Close(TNativeFile value) { CloseHandle(value); }
