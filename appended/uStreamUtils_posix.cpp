// Native file access for the stream layer: plain POSIX calls.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "appended/uStreamUtils.h"

TFileReadStream::TFileReadStream(const std::string& fileName)
    : handle_(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC)) {}

int32_t TFileReadStream::Read(void* buffer, int32_t count) {
  if (!IsOpen() || count <= 0) return 0;
  int32_t done = 0;
  while (done < count) {
    const ssize_t got = ::read(handle_.get(), static_cast<char*>(buffer) + done,
                             static_cast<std::size_t>(count - done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<int32_t>(got);
  }
  return done;
}

int32_t TFileReadStream::Write(const void*, int32_t) { return 0; }

int64_t TFileReadStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (!IsOpen()) return -1;
  const int whence = SeekMethod(origin, SEEK_SET, SEEK_CUR, SEEK_END);
  return static_cast<int64_t>(::lseek(handle_.get(), static_cast<off_t>(offset), whence));
}

void TFileReadStream::SetSize(int64_t) {}

