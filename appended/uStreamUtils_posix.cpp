// Native file access for the stream layer: plain POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "appended/uStreamUtils.h"

TFileReadStream::TFileReadStream(const std::string& FileName)
    : Handle_(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC)) {}

TFileReadStream::~TFileReadStream() {
  if (IsOpen()) ::close(static_cast<int>(Handle_));
}

int32_t TFileReadStream::Read(void* Buffer, int32_t Count) {
  if (!IsOpen() || Count <= 0) return 0;
  int32_t Done = 0;
  while (Done < Count) {
    const ssize_t N = ::read(static_cast<int>(Handle_), static_cast<char*>(Buffer) + Done,
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
  const int Whence = Origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : Origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  return static_cast<int64_t>(::lseek(static_cast<int>(Handle_), static_cast<off_t>(Offset), Whence));
}

void TFileReadStream::SetSize(int64_t) {}

bool FileExists(const std::string& FileName) {
  struct stat St;
  return ::stat(FileName.c_str(), &St) == 0 && !S_ISDIR(St.st_mode);
}

std::vector<uint8_t> ReadWholeFile(const std::string& FileName) {
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) throw EFOpenError("Cannot open file \"" + FileName + "\"");
  struct FdCloser {
    int Fd;
    ~FdCloser() { ::close(Fd); }
  } Closer{Fd};
  struct stat St;
  // The image model counts in 32 bits; a larger file is no image of ours.
  if (::fstat(Fd, &St) != 0 || St.st_size > 0x7FFFFFFF)
    throw EFOpenError("Cannot read file \"" + FileName + "\"");
  std::vector<uint8_t> Bytes;
  Bytes.reserve(static_cast<std::size_t>(St.st_size));
  char Chunk[65536];
  for (;;) {
    const ssize_t N = ::read(Fd, Chunk, sizeof Chunk);
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) throw EFOpenError("Cannot read file \"" + FileName + "\"");
    if (N == 0 || Bytes.size() + static_cast<std::size_t>(N) > 0x7FFFFFFF) break;
    Bytes.insert(Bytes.end(), Chunk, Chunk + N);
  }
  return Bytes;
}
