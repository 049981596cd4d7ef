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

std::string ZErrorMessage(int code) {
  const int index = 2 - code;
  return index >= 0 && index < 10 ? ZErrorMessages[index] : std::string();
}

int DecompressCheck(int code) {
  if (code < 0) throw EZDecompressionError(ZErrorMessage(code));
  return code;
}

namespace {

constexpr int64_t kMaxOutput = 0x7FFFFFFF;  // outSize is signed 32-bit

// Deflate cannot expand more than 1032:1 (a 258-byte match costs at least two bits), so no
// stream of inSize bytes inflates to more than this.
int64_t MostOutputOf(int32_t inSize) {
  return std::min<int64_t>(kMaxOutput, int64_t{1032} * (inSize < 0 ? 0 : inSize));
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

  TOutput(int64_t most) : most_(most) {}
  ~TOutput() {
    for (const TBuffer& buffer : buffers_) std::free(buffer.Memory);
  }
  TOutput(const TOutput&) = delete;
  TOutput& operator=(const TOutput&) = delete;

  // The first buffer: room for size bytes, more when that much can be had.
  void Start(int64_t size, int64_t step) {
    int64_t reserve = std::min(std::max(size, step * kReserveSteps), std::max(size, kMaxReserve));
    reserve = std::min(reserve, std::max(size, most_));
    if (reserve > size && TryAdd(reserve)) return;
    if (!TryAdd(size)) throw std::bad_alloc();
  }
  // Another buffer, once the last one is full, so that the capacity reaches at least size.
  void Grow(int64_t size) {
    int64_t next = std::max(capacity_ / 2, size - capacity_);
    // No more than the stream can fill, unless it has filled that already.
    if (capacity_ < most_) next = std::min(next, std::max(most_ - capacity_, size - capacity_));
    next = std::min(next, std::max(kMaxOutput - capacity_, size - capacity_));
    if (!TryAdd(next)) throw std::bad_alloc();
  }
  Bytef* Last() const { return static_cast<Bytef*>(buffers_.back().Memory); }
  int64_t LastSize() const { return buffers_.back().Size; }

  // The first total bytes of output as one block of exactly that length (null for none); the
  // caller owns it.
  void* Release(int64_t total) {
    void* joined = nullptr;
    if (total == 0) {
    } else if (buffers_.size() == 1) {
      joined = buffers_[0].Size == total ? buffers_[0].Memory
                                         : std::realloc(buffers_[0].Memory, static_cast<std::size_t>(total));
      if (!joined) throw std::bad_alloc();
      buffers_.clear();
    } else {
      joined = std::malloc(static_cast<std::size_t>(total));
      if (!joined) throw std::bad_alloc();
      int64_t done = 0;
      for (const TBuffer& buffer : buffers_) {
        const int64_t taken = std::min(buffer.Size, total - done);
        std::memcpy(static_cast<char*>(joined) + done, buffer.Memory, static_cast<std::size_t>(taken));
        done += taken;
      }
    }
    return joined;
  }

 private:
  struct TBuffer {
    void* Memory;
    int64_t Size;
  };
  bool TryAdd(int64_t size) {
    buffers_.reserve(buffers_.size() + 1);
    void* memory = std::malloc(static_cast<std::size_t>(size));
    if (!memory) return false;
    buffers_.push_back({memory, size});
    capacity_ += size;
    return true;
  }

  std::vector<TBuffer> buffers_;
  int64_t capacity_ = 0;
  int64_t most_;
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

void DecompressBuffer(const void* inBuffer, int32_t inSize, void*& outBuffer, int32_t& outSize,
                      int32_t outEstimate) {
  // The growth step depends on the input length alone; never 0, or the loop could not grow.
  int64_t step = (static_cast<int64_t>(inSize < 0 ? 0 : inSize) + 255) & ~int64_t{255};
  if (step == 0) step = 256;
  int64_t size = outEstimate > 0 ? outEstimate : step;
  if (size > kMaxOutput) size = kMaxOutput;

  TOutput out(MostOutputOf(inSize));
  out.Start(size, step);

  z_stream stream;
  std::memset(&stream, 0, sizeof stream);
  stream.next_in = static_cast<Bytef*>(const_cast<void*>(inBuffer));
  stream.avail_in = static_cast<uInt>(inSize < 0 ? 0 : inSize);
  stream.next_out = out.Last();
  stream.avail_out = static_cast<uInt>(out.LastSize());
  DecompressCheck(inflateInit_(&stream, "1.1.4", static_cast<int>(sizeof stream)));
  TInflateGuard guard{&stream};

  // One step more of logical size, as each return of inflate short of the end asks for.
  auto addStep = [&] {
    if (size + step > kMaxOutput) throw EZDecompressionError(ZErrorMessage(Z_MEM_ERROR));
    size += step;
  };
  for (;;) {
    const int result = DecompressCheck(inflate(&stream, Z_NO_FLUSH));
    // Output written into the reserve beyond the logical size counts as the steps that inflating
    // one step at a time would have taken to hold it, limit included.
    while (size < static_cast<int64_t>(stream.total_out)) addStep();
    if (result == Z_STREAM_END) break;
    // No dictionary is supplied: asking again would get the same answer for ever.
    if (result == Z_NEED_DICT) throw EZDecompressionError(ZErrorMessage(Z_NEED_DICT));
    addStep();
    // With room left, inflate stopped for want of input, and says so on the next call.
    if (stream.avail_out == 0) {
      out.Grow(size);
      stream.next_out = out.Last();
      stream.avail_out = static_cast<uInt>(out.LastSize());
    }
  }
  const std::size_t total = stream.total_out;
  guard.End();

  outBuffer = out.Release(static_cast<int64_t>(total));
  outSize = static_cast<int32_t>(total);
}
