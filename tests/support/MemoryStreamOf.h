// An in-memory stream that holds given bytes, positioned at their start, for tests of the
// readers that take a stream.
#pragma once
#include <cstdint>
#include <string>

#include "appended/uStreamUtils.h"

namespace testsupport {

inline TMemoryStream MemoryStreamOf(const std::string& bytes) {
  TMemoryStream stream;
  stream.LoadFromBytes(bytes);
  return stream;
}

}  // namespace testsupport
