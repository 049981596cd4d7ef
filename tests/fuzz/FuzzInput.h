// The fuzz input as the readers under test see it: a read-only stream over libFuzzer's bytes,
// with no copy and no file.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "appended/uStreamUtils.h"

namespace fuzzsupport {

class TInputStream : public TStream {
 public:
  TInputStream(const uint8_t* Data, size_t Size) : Data_(Data), Size_(static_cast<int64_t>(Size)) {}

  int32_t Read(void* Buffer, int32_t Count) override {
    if (Count <= 0 || Position_ >= Size_) return 0;
    const int64_t N = std::min<int64_t>(Count, Size_ - Position_);
    std::memcpy(Buffer, Data_ + Position_, static_cast<size_t>(N));
    Position_ += N;
    return static_cast<int32_t>(N);
  }
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
    const int64_t Base = Origin == TSeekOrigin::soBeginning ? 0 : Origin == TSeekOrigin::soCurrent ? Position_ : Size_;
    if ((Offset < 0 && Base + Offset < 0) || (Offset > 0 && Offset > INT64_MAX - Base)) return -1;
    Position_ = Base + Offset;
    return Position_;
  }
  int64_t GetSize() override { return Size_; }
  void SetSize(int64_t) override {}

 private:
  const uint8_t* Data_;
  int64_t Size_;
  int64_t Position_ = 0;
};

}  // namespace fuzzsupport

// A block may ask for an inflation of up to 1032 times its length, and a 1 MiB input for about
// 1 GiB. Allocations beyond 256 MiB fail as they would on a machine short of memory (the reader
// passes std::bad_alloc on), so that one run stays within the fuzzer's memory limit.
#define UNINST_FUZZ_ALLOCATOR_LIMITS \
  extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1:max_allocation_size_mb=256"; }
