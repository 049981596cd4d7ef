#include "appended/ZLibEx.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

const char* const ZErrorMessages[10] = {
    "need dictionary", "stream end",          "",
    "file error",      "stream error",        "data error",
    "insufficient memory", "buffer error",    "incompatible version",
    "",
};

std::string ZErrorMessage(int Code) {
  const int Index = 2 - Code;
  return Index >= 0 && Index < 10 ? ZErrorMessages[Index] : std::string();
}

int DecompressCheck(int Code) {
  if (Code < 0) throw EZDecompressionError(ZErrorMessage(Code));
  return Code;
}

namespace {

constexpr int64_t kMaxOutput = 0x7FFFFFFF;  // OutSize is signed 32-bit

// Owns the output buffer until it is handed to the caller. The buffer's logical size grows in
// steps; its first allocation reserves a few steps ahead (text inflates to about three times its
// stream), so that the usual item grows without reallocating and copying at each step. zlib is
// handed the whole reserve: every return of inflate before the stream's end makes it allocate
// and refill a 32 KiB window of its own, which costs the usual item a quarter of its time.
struct TOutBuffer {
  static constexpr int64_t kReserveSteps = 4;
  static constexpr int64_t kMaxReserve = int64_t{64} << 20;

  void* Memory = nullptr;
  int64_t Capacity = 0;
  ~TOutBuffer() { std::free(Memory); }

  void Allocate(int64_t Size, int64_t Step) {
    const int64_t Reserve = std::min(std::max(Size, Step * kReserveSteps), std::max(Size, kMaxReserve));
    Memory = Reserve > Size ? std::malloc(static_cast<std::size_t>(Reserve)) : nullptr;
    Capacity = Memory ? Reserve : 0;
    if (!Memory) Grow(Size);
  }
  void Grow(int64_t Size) {
    if (Size <= Capacity) return;
    Resize(Size);
  }
  void Resize(int64_t Size) {
    void* Resized = std::realloc(Memory, static_cast<std::size_t>(Size));
    if (!Resized) throw std::bad_alloc();
    Memory = Resized;
    Capacity = Size;
  }
};

// Ends the inflation on every path; the normal path checks its result.
struct TInflateGuard {
  z_stream* Stream;
  bool Active = true;
  ~TInflateGuard() {
    if (Active) inflateEnd(Stream);
  }
  void End() {
    Active = false;
    DecompressCheck(inflateEnd(Stream));
  }
};

}  // namespace

void DecompressBuffer(const void* InBuffer, int32_t InSize, void*& OutBuffer, int32_t& OutSize,
                      int32_t OutEstimate) {
  // The growth step depends on the input length alone; never 0, or the loop could not grow.
  int64_t Step = (static_cast<int64_t>(InSize < 0 ? 0 : InSize) + 255) & ~int64_t{255};
  if (Step == 0) Step = 256;
  int64_t Size = OutEstimate > 0 ? OutEstimate : Step;
  if (Size > kMaxOutput) Size = kMaxOutput;

  TOutBuffer Out;
  Out.Allocate(Size, Step);

  z_stream Z;
  std::memset(&Z, 0, sizeof Z);
  Z.next_in = static_cast<Bytef*>(const_cast<void*>(InBuffer));
  Z.avail_in = static_cast<uInt>(InSize < 0 ? 0 : InSize);
  Z.next_out = static_cast<Bytef*>(Out.Memory);
  Z.avail_out = static_cast<uInt>(Out.Capacity);
  DecompressCheck(inflateInit_(&Z, "1.1.4", static_cast<int>(sizeof Z)));
  TInflateGuard Guard{&Z};

  // One step more of logical size, as each return of inflate short of the end asks for.
  auto AddStep = [&] {
    if (Size + Step > kMaxOutput) throw EZDecompressionError(ZErrorMessage(Z_MEM_ERROR));
    Size += Step;
  };
  for (;;) {
    const int Result = DecompressCheck(inflate(&Z, Z_NO_FLUSH));
    // Output written into the reserve beyond the logical size counts as the steps that inflating
    // one step at a time would have taken to hold it, limit included.
    while (Size < static_cast<int64_t>(Z.total_out)) AddStep();
    if (Result == Z_STREAM_END) break;
    // No dictionary is supplied: asking again would get the same answer for ever.
    if (Result == Z_NEED_DICT) throw EZDecompressionError(ZErrorMessage(Z_NEED_DICT));
    AddStep();
    Out.Grow(Size);
    Z.next_out = static_cast<Bytef*>(Out.Memory) + Z.total_out;
    Z.avail_out = static_cast<uInt>(Out.Capacity - static_cast<int64_t>(Z.total_out));
  }
  const std::size_t Total = Z.total_out;
  Guard.End();

  if (Total == 0) {
    std::free(Out.Memory);
    Out.Memory = nullptr;
  } else if (static_cast<int64_t>(Total) != Out.Capacity) {
    Out.Resize(static_cast<int64_t>(Total));
  }
  OutBuffer = Out.Memory;
  Out.Memory = nullptr;
  OutSize = static_cast<int32_t>(Total);
}
