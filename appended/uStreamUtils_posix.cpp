// Native file access for the stream layer: plain POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "appended/uStreamUtils.h"

namespace {

int AsDescriptor(const TFileHandle& File) { return static_cast<int>(File.Get()); }

}  // namespace

void TFileHandle::Reset() {
  if (Handle_ != kInvalid) ::close(static_cast<int>(Handle_));
  Handle_ = kInvalid;
}

TFileReadStream::TFileReadStream(const std::string& FileName)
    : Handle_(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC)) {}

int32_t TFileReadStream::Read(void* Buffer, int32_t Count) {
  if (!IsOpen() || Count <= 0) return 0;
  int32_t Done = 0;
  while (Done < Count) {
    const ssize_t N = ::read(AsDescriptor(Handle_), static_cast<char*>(Buffer) + Done,
                             static_cast<std::size_t>(Count - Done));
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += static_cast<int32_t>(N);
  }
  return Done;
}

int32_t TFileReadStream::Write(const void*, int32_t) { return 0; }

int64_t TFileReadStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (!IsOpen()) return -1;
  const int Whence = SeekMethod(Origin, SEEK_SET, SEEK_CUR, SEEK_END);
  return static_cast<int64_t>(::lseek(AsDescriptor(Handle_), static_cast<off_t>(Offset), Whence));
}

void TFileReadStream::SetSize(int64_t) {}

bool TMemoryStream::LoadFromFile(const std::string& FileName) {
  Bytes_.clear();
  Position_ = 0;
  const TFileHandle File(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat St;
  if (!File) {
    if (::stat(FileName.c_str(), &St) != 0 || S_ISDIR(St.st_mode)) return false;
    throw EFOpenError("Cannot open file \"" + FileName + "\"");
  }
  if (::fstat(AsDescriptor(File), &St) != 0) throw EFOpenError("Cannot read file \"" + FileName + "\"");
  if (S_ISDIR(St.st_mode)) return false;
  // The image model counts in 32 bits; a larger file is no image of ours.
  if (St.st_size > 0x7FFFFFFF) throw EFOpenError("Cannot read file \"" + FileName + "\"");
  std::vector<uint8_t> Bytes;
  Bytes.reserve(static_cast<std::size_t>(St.st_size));
  char Chunk[65536];
  for (;;) {
    const ssize_t N = ::read(AsDescriptor(File), Chunk, sizeof Chunk);
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) throw EFOpenError("Cannot read file \"" + FileName + "\"");
    if (N == 0 || Bytes.size() + static_cast<std::size_t>(N) > 0x7FFFFFFF) break;
    Bytes.insert(Bytes.end(), Chunk, Chunk + N);
  }
  Bytes_ = std::move(Bytes);
  return true;
}
