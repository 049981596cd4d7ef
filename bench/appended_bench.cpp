// Reading the appended block must cost the same whatever the file's length; DecompressBuffer must
// inflate about as fast as zlib's own uncompress, also an item that inflates a thousandfold, and
// hold no more than two and a half times that item's output meanwhile. Prints the ratios and the
// memory figure; exits 1 when one is out of bounds.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "appended/ZLibEx.h"
#include "appended/uExeAdder.h"
#include "appended/uBlockWriter.h"

// Counts the bytes the program holds on the heap, so that the peak of one call can be measured:
// every allocation of the process goes through these, zlib's own included. A reallocation that
// moves a block holds old and new block at once while it copies. Growing reallocations always
// move here: glibc grows the block at the top of its heap in place, which would hide what growing
// a buffer by reallocation costs under an allocator that copies (Windows' heap, for large blocks).
#if !defined(__SANITIZE_ADDRESS__)
extern "C" {
void* __libc_malloc(size_t Size);
void* __libc_calloc(size_t Count, size_t Size);
void* __libc_realloc(void* Block, size_t Size);
void __libc_free(void* Block);
}
namespace heapcount {
int64_t Live = 0;
int64_t Peak = 0;
inline void Note(int64_t Held) {
  if (Held > Peak) Peak = Held;
}
}  // namespace heapcount
extern "C" void* malloc(size_t Size) noexcept {
  void* Block = __libc_malloc(Size);
  if (Block) heapcount::Note(heapcount::Live += static_cast<int64_t>(malloc_usable_size(Block)));
  return Block;
}
extern "C" void* calloc(size_t Count, size_t Size) noexcept {
  void* Block = __libc_calloc(Count, Size);
  if (Block) heapcount::Note(heapcount::Live += static_cast<int64_t>(malloc_usable_size(Block)));
  return Block;
}
extern "C" void* realloc(void* Block, size_t Size) noexcept {
  const int64_t Old = Block ? static_cast<int64_t>(malloc_usable_size(Block)) : 0;
  void* Resized = nullptr;
  if (Block && Size > static_cast<size_t>(Old)) {
    Resized = __libc_malloc(Size);
    if (Resized) {
      std::memcpy(Resized, Block, static_cast<size_t>(Old));
      __libc_free(Block);
    }
  } else {
    Resized = __libc_realloc(Block, Size);
  }
  if (!Resized) {
    if (Size == 0) heapcount::Live -= Old;  // freed
    return Resized;
  }
  const int64_t New = static_cast<int64_t>(malloc_usable_size(Resized));
  if (Resized != Block) heapcount::Note(heapcount::Live + New);
  heapcount::Note(heapcount::Live += New - Old);
  return Resized;
}
extern "C" void free(void* Block) noexcept {
  if (Block) heapcount::Live -= static_cast<int64_t>(malloc_usable_size(Block));
  __libc_free(Block);
}
#endif

namespace {

std::filesystem::path DataDir() {
  const char* Dir = std::getenv("UNINST_BENCH_DIR");
  std::filesystem::path P = Dir ? Dir : std::filesystem::temp_directory_path() / "uninst_bench";
  std::filesystem::create_directories(P);
  return P;
}

// A file of Length bytes whose last bytes are a block with a compressed GUID item. Everything
// before the block is a hole, so even the large file costs no disk.
std::string FileWithBlock(const char* Name, uint64_t Length) {
  const std::string Path = (DataDir() / Name).string();
  const blockwriter::TNewItems Items = {{"Readme", "benchmark", false}, {"GUID", "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}", true}};
  const std::string Block =
      blockwriter::BuildBlock(Items, blockwriter::kDefaultKey, static_cast<int64_t>(Length) - static_cast<int64_t>(blockwriter::BuildBlock(Items, blockwriter::kDefaultKey, 0).size()));
  { std::ofstream(Path, std::ios::binary | std::ios::trunc); }
  std::filesystem::resize_file(Path, Length - Block.size());
  std::ofstream(Path, std::ios::binary | std::ios::app).write(Block.data(), static_cast<std::streamsize>(Block.size()));
  return Path;
}

const std::string& SmallFile() {
  static const std::string P = FileWithBlock("block_1MiB.bin", 1u << 20);
  return P;
}
const std::string& LargeFile() {
  static const std::string P = FileWithBlock("block_256MiB.bin", 256u << 20);
  return P;
}

void ReadBlock(benchmark::State& State, const std::string& Path) {
  for (auto _ : State) {
    TItemTypes Items;
    ReadAppendedItems(Path, Items);
    if (Items.size() != 2) State.SkipWithError("block not read");
    benchmark::DoNotOptimize(Items[1].Data);
  }
}
void BM_ReadBlock_1MiB(benchmark::State& State) { ReadBlock(State, SmallFile()); }
void BM_ReadBlock_256MiB(benchmark::State& State) { ReadBlock(State, LargeFile()); }

// Text-like bytes: lines of words from a small vocabulary with numbers mixed in, compressing about
// 3:1 at zlib's default level.
std::string TextLike(std::size_t Size) {
  std::mt19937 Random(12345);
  std::vector<std::string> Words;
  for (int i = 0; i < 400; ++i) {
    std::string W;
    const int Length = 2 + Random() % 9;
    for (int j = 0; j < Length; ++j) W += static_cast<char>('a' + Random() % 26);
    Words.push_back(W);
  }
  std::string S;
  while (S.size() < Size) {
    S += Words[Random() % Words.size()];
    S += (Random() % 12 == 0) ? "\n" : " ";
    if (Random() % 16 == 0) S += std::to_string(Random() % 100000) + " ";
  }
  S.resize(Size);
  return S;
}

struct Packed {
  std::string Plain, Stream;
};
const Packed& PackedOf(std::size_t Size) {
  static std::map<std::size_t, Packed> Cache;
  Packed& P = Cache[Size];
  if (P.Plain.empty()) {
    P.Plain = TextLike(Size);
    P.Stream = blockwriter::CompressItemData(P.Plain);
  }
  return P;
}

void BM_DecompressBuffer(benchmark::State& State) {
  const Packed& P = PackedOf(static_cast<std::size_t>(State.range(0)));
  for (auto _ : State) {
    void* Out = nullptr;
    int32_t Size = 0;
    DecompressBuffer(P.Stream.data(), static_cast<int32_t>(P.Stream.size()), Out, Size, 0);
    benchmark::DoNotOptimize(Out);
    std::free(Out);
  }
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(P.Plain.size()));
  State.counters["ratio"] = static_cast<double>(P.Plain.size()) / P.Stream.size();
}

// zlib's own one-call inflation, into a buffer of the known exact size allocated per call as
// DecompressBuffer's is.
void BM_Uncompress(benchmark::State& State) {
  const Packed& P = PackedOf(static_cast<std::size_t>(State.range(0)));
  for (auto _ : State) {
    uLongf Size = static_cast<uLongf>(P.Plain.size());
    void* Out = std::malloc(Size);
    if (uncompress(static_cast<Bytef*>(Out), &Size, reinterpret_cast<const Bytef*>(P.Stream.data()),
                   static_cast<uLong>(P.Stream.size())) != Z_OK)
      State.SkipWithError("uncompress failed");
    benchmark::DoNotOptimize(Out);
    std::free(Out);
  }
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(P.Plain.size()));
}

// The most compressible item there is: 64 MiB of zeros at the best level, about 1030:1.
constexpr std::size_t kZerosSize = std::size_t{64} << 20;
const std::string& ZerosStream() {
  static const std::string Stream = [] {
    const std::string Zeros(kZerosSize, '\0');
    std::string Packed(compressBound(static_cast<uLong>(Zeros.size())), '\0');
    uLongf PackedSize = static_cast<uLongf>(Packed.size());
    compress2(reinterpret_cast<Bytef*>(&Packed[0]), &PackedSize, reinterpret_cast<const Bytef*>(Zeros.data()),
              static_cast<uLong>(Zeros.size()), Z_BEST_COMPRESSION);
    Packed.resize(PackedSize);
    return Packed;
  }();
  return Stream;
}

void BM_DecompressBuffer_Zeros64MiB(benchmark::State& State) {
  const std::string& Stream = ZerosStream();
  for (auto _ : State) {
    void* Out = nullptr;
    int32_t Size = 0;
    DecompressBuffer(Stream.data(), static_cast<int32_t>(Stream.size()), Out, Size, 0);
    if (static_cast<std::size_t>(Size) != kZerosSize) State.SkipWithError("wrong size");
    benchmark::DoNotOptimize(Out);
    std::free(Out);
  }
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(kZerosSize));
}

void BM_Uncompress_Zeros64MiB(benchmark::State& State) {
  const std::string& Stream = ZerosStream();
  for (auto _ : State) {
    uLongf Size = static_cast<uLongf>(kZerosSize);
    void* Out = std::malloc(Size);
    if (uncompress(static_cast<Bytef*>(Out), &Size, reinterpret_cast<const Bytef*>(Stream.data()),
                   static_cast<uLong>(Stream.size())) != Z_OK)
      State.SkipWithError("uncompress failed");
    benchmark::DoNotOptimize(Out);
    std::free(Out);
  }
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(kZerosSize));
}

// The most the heap held beyond what it held before, during one DecompressBuffer of the zeros
// item, as a multiple of the output; negative when not measured.
double PeakMemoryOfZerosInflation() {
#if defined(__SANITIZE_ADDRESS__)
  return -1;
#else
  const std::string& Stream = ZerosStream();
  const int64_t Before = heapcount::Live;
  heapcount::Peak = Before;
  void* Out = nullptr;
  int32_t Size = 0;
  DecompressBuffer(Stream.data(), static_cast<int32_t>(Stream.size()), Out, Size, 0);
  const int64_t Peak = heapcount::Peak - Before;
  std::free(Out);
  return static_cast<double>(Peak) / static_cast<double>(kZerosSize);
#endif
}

constexpr int kRepetitions = 10;
BENCHMARK(BM_ReadBlock_1MiB)->Repetitions(kRepetitions);
BENCHMARK(BM_ReadBlock_256MiB)->Repetitions(kRepetitions);
BENCHMARK(BM_DecompressBuffer)->Arg(64 << 10)->Arg(1 << 20)->Repetitions(kRepetitions);
BENCHMARK(BM_Uncompress)->Arg(64 << 10)->Arg(1 << 20)->Repetitions(kRepetitions);
BENCHMARK(BM_DecompressBuffer_Zeros64MiB)->Repetitions(kRepetitions);
BENCHMARK(BM_Uncompress_Zeros64MiB)->Repetitions(kRepetitions);

// Keeps the fastest repetition of each benchmark: the least disturbed by other work on the machine.
class TBestReporter : public benchmark::ConsoleReporter {
 public:
  TBestReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& Runs) override {
    for (const Run& R : Runs) {
      if (R.run_type != Run::RT_Iteration || R.error_occurred) continue;
      const double Time = R.GetAdjustedCPUTime();
      const std::string Name =
          R.run_name.function_name + (R.run_name.args.empty() ? "" : "/" + R.run_name.args);
      auto It = Best.find(Name);
      if (It == Best.end() || Time < It->second) Best[Name] = Time;
    }
    ConsoleReporter::ReportRuns(Runs);
  }
  std::map<std::string, double> Best;
};

}  // namespace

int main(int argc, char** argv) {
  // Fixed allocator thresholds for both sides: glibc otherwise moves its mmap threshold to the
  // size of the last large block freed, so whichever call pattern frees exactly what it next asks
  // for is served from recycled memory and the other pays a page fault per page on every call -
  // a heuristic of this test machine's allocator, not a cost of inflation.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  benchmark::Initialize(&argc, argv);
  SmallFile();
  LargeFile();
  const double PeakMemory = PeakMemoryOfZerosInflation();
  TBestReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  benchmark::Shutdown();

  auto Get = [&](const std::string& Name) {
    auto It = Reporter.Best.find(Name);
    return It == Reporter.Best.end() ? 0.0 : It->second;
  };
  bool Ok = true;
  const double Small = Get("BM_ReadBlock_1MiB"), Large = Get("BM_ReadBlock_256MiB");
  if (Small > 0 && Large > 0) {
    const double Ratio = Large / Small;
    const bool In = Ratio <= 1.1;
    Ok = Ok && In;
    std::printf("RATIO block read, 256 MiB file / 1 MiB file: %.3f (bound <= 1.10) %s\n", Ratio, In ? "OK" : "OUT OF BOUNDS");
  } else {
    Ok = false;
    std::printf("RATIO block read: not measured\n");
  }
  for (const char* Size : {"65536", "1048576"}) {
    const double Ours = Get(std::string("BM_DecompressBuffer/") + Size), Zlib = Get(std::string("BM_Uncompress/") + Size);
    if (Ours > 0 && Zlib > 0) {
      const double Ratio = Zlib / Ours;  // throughput of ours relative to zlib's
      const bool In = Ratio >= 0.9;
      Ok = Ok && In;
      const Packed& P = PackedOf(static_cast<std::size_t>(std::stoul(Size)));
      std::printf("RATIO inflate throughput, DecompressBuffer / uncompress, %s bytes (compressed %.2f:1): %.3f "
                  "(bound >= 0.90) %s\n",
                  Size, static_cast<double>(P.Plain.size()) / P.Stream.size(), Ratio, In ? "OK" : "OUT OF BOUNDS");
    } else {
      Ok = false;
      std::printf("RATIO inflate %s bytes: not measured\n", Size);
    }
  }
  {
    const double Ours = Get("BM_DecompressBuffer_Zeros64MiB"), Zlib = Get("BM_Uncompress_Zeros64MiB");
    if (Ours > 0 && Zlib > 0) {
      const double Ratio = Zlib / Ours;
      const bool In = Ratio >= 0.8;
      Ok = Ok && In;
      std::printf("RATIO inflate throughput, DecompressBuffer / uncompress, 64 MiB of zeros (compressed %.0f:1): "
                  "%.3f (bound >= 0.80) %s\n",
                  static_cast<double>(kZerosSize) / ZerosStream().size(), Ratio, In ? "OK" : "OUT OF BOUNDS");
    } else {
      Ok = false;
      std::printf("RATIO inflate 64 MiB of zeros: not measured\n");
    }
  }
  if (PeakMemory > 0) {
    const bool In = PeakMemory <= 2.5;
    Ok = Ok && In;
    std::printf("RATIO peak heap during DecompressBuffer of 64 MiB of zeros / output: %.3f (bound <= 2.50) %s\n",
                PeakMemory, In ? "OK" : "OUT OF BOUNDS");
  } else {
    Ok = false;
    std::printf("RATIO peak heap during inflation: not measured\n");
  }
  return Ok ? 0 : 1;
}
