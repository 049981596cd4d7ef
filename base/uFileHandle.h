// The one owner of an open file of the operating system, for every layer: a Windows file handle
// or a POSIX descriptor. Its empty value is what a failed open gives (INVALID_HANDLE_VALUE, -1).
#pragma once
#include <cstdint>

#include "base/uUniqueHandle.h"

#ifdef _WIN32
using TNativeFile = void*;  // HANDLE
#else
using TNativeFile = int;
#endif

struct TFileTraits {
  static TNativeFile Empty() {
#ifdef _WIN32
    return reinterpret_cast<TNativeFile>(static_cast<std::intptr_t>(-1));
#else
    return -1;
#endif
  }
  static void Close(TNativeFile value);
};

using TFileHandle = TUniqueHandle<TNativeFile, TFileTraits>;
