// An in-memory stream that holds given bytes, positioned at their start, for tests of the
// readers that take a stream.
#pragma once
#include <cstdint>
#include <string>

#include "appended/uStreamUtils.h"

namespace testsupport {

inline TMemoryStream MemoryStreamOf(const std::string& Bytes) {
  TMemoryStream Stream;
  if (!Bytes.empty()) Stream.Write(Bytes.data(), static_cast<int32_t>(Bytes.size()));
  Stream.Seek(0, TSeekOrigin::soBeginning);
  return Stream;
}

}  // namespace testsupport
