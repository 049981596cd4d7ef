#include "appended/ZLibEx.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

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

// Deflate cannot expand more than 1032:1 (a 258-byte match costs at least two bits), so no
// stream of InSize bytes inflates to more than this.
int64_t MostOutputOf(int32_t InSize) {
  return std::min<int64_t>(kMaxOutput, int64_t{1032} * (InSize < 0 ? 0 : InSize));
}

// Owns the output until it is handed to the caller, as one or more buffers that inflate fills in
// turn. The first reserves a few steps of logical size ahead (text inflates to about three times
// its stream), so that the usual item fits in it and is only trimmed at the end. zlib is handed
// the whole reserve: every return of inflate before the stream's end makes it allocate and
// refill a 32 KiB window of its own, which costs the usual item a quarter of its time.
// Output beyond the reserve goes to further buffers, each half as large as all before it, joined
// once at the end. Reallocating one buffer a step at a time copied all output so far at every
// step, time in the square of the output: a small edited item stalled the program for minutes.
// Now every byte is copied at most once, and the buffers (at most one and a half times the
// output) and the joined copy together stay within two and a half times the output, whether
// or not the allocator can grow a block in place.
class TOutput {
 public:
  static constexpr int64_t kReserveSteps = 4;
  static constexpr int64_t kMaxReserve = int64_t{64} << 20;

  TOutput(int64_t Most) : Most_(Most) {}
  ~TOutput() {
    for (const TBuffer& B : Buffers_) std::free(B.Memory);
  }
  TOutput(const TOutput&) = delete;
  TOutput& operator=(const TOutput&) = delete;

  // The first buffer: room for Size bytes, more when that much can be had.
  void Start(int64_t Size, int64_t Step) {
    int64_t Reserve = std::min(std::max(Size, Step * kReserveSteps), std::max(Size, kMaxReserve));
    Reserve = std::min(Reserve, std::max(Size, Most_));
    if (Reserve > Size && TryAdd(Reserve)) return;
    if (!TryAdd(Size)) throw std::bad_alloc();
  }
  // Another buffer, once the last one is full, so that the capacity reaches at least Size.
  void Grow(int64_t Size) {
    int64_t Next = std::max(Capacity_ / 2, Size - Capacity_);
    // No more than the stream can fill, unless it has filled that already.
    if (Capacity_ < Most_) Next = std::min(Next, std::max(Most_ - Capacity_, Size - Capacity_));
    Next = std::min(Next, std::max(kMaxOutput - Capacity_, Size - Capacity_));
    if (!TryAdd(Next)) throw std::bad_alloc();
  }
  Bytef* Last() const { return static_cast<Bytef*>(Buffers_.back().Memory); }
  int64_t LastSize() const { return Buffers_.back().Size; }

  // The first Total bytes of output as one block of exactly that length (null for none); the
  // caller owns it.
  void* Release(int64_t Total) {
    void* Joined = nullptr;
    if (Total == 0) {
    } else if (Buffers_.size() == 1) {
      Joined = Buffers_[0].Size == Total ? Buffers_[0].Memory
                                         : std::realloc(Buffers_[0].Memory, static_cast<std::size_t>(Total));
      if (!Joined) throw std::bad_alloc();
      Buffers_.clear();
    } else {
      Joined = std::malloc(static_cast<std::size_t>(Total));
      if (!Joined) throw std::bad_alloc();
      int64_t Done = 0;
      for (const TBuffer& B : Buffers_) {
        const int64_t N = std::min(B.Size, Total - Done);
        std::memcpy(static_cast<char*>(Joined) + Done, B.Memory, static_cast<std::size_t>(N));
        Done += N;
      }
    }
    return Joined;
  }

 private:
  struct TBuffer {
    void* Memory;
    int64_t Size;
  };
  bool TryAdd(int64_t Size) {
    Buffers_.reserve(Buffers_.size() + 1);
    void* Memory = std::malloc(static_cast<std::size_t>(Size));
    if (!Memory) return false;
    Buffers_.push_back({Memory, Size});
    Capacity_ += Size;
    return true;
  }

  std::vector<TBuffer> Buffers_;
  int64_t Capacity_ = 0;
  int64_t Most_;
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

  TOutput Out(MostOutputOf(InSize));
  Out.Start(Size, Step);

  z_stream Z;
  std::memset(&Z, 0, sizeof Z);
  Z.next_in = static_cast<Bytef*>(const_cast<void*>(InBuffer));
  Z.avail_in = static_cast<uInt>(InSize < 0 ? 0 : InSize);
  Z.next_out = Out.Last();
  Z.avail_out = static_cast<uInt>(Out.LastSize());
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
    // With room left, inflate stopped for want of input, and says so on the next call.
    if (Z.avail_out == 0) {
      Out.Grow(Size);
      Z.next_out = Out.Last();
      Z.avail_out = static_cast<uInt>(Out.LastSize());
    }
  }
  const std::size_t Total = Z.total_out;
  Guard.End();

  OutBuffer = Out.Release(static_cast<int64_t>(Total));
  OutSize = static_cast<int32_t>(Total);
}
