// Native file access for the stream layer: plain POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "appended/uStreamUtils.h"

namespace {

int AsDescriptor(const TFileHandle& file) { return static_cast<int>(file.Get()); }

}  // namespace

void TFileHandle::Reset() {
  if (handle_ != kInvalid) ::close(static_cast<int>(handle_));
  handle_ = kInvalid;
}

TFileReadStream::TFileReadStream(const std::string& fileName)
    : handle_(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC)) {}

int32_t TFileReadStream::Read(void* buffer, int32_t count) {
  if (!IsOpen() || count <= 0) return 0;
  int32_t done = 0;
  while (done < count) {
    const ssize_t got = ::read(AsDescriptor(handle_), static_cast<char*>(buffer) + done,
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
  return static_cast<int64_t>(::lseek(AsDescriptor(handle_), static_cast<off_t>(offset), whence));
}

void TFileReadStream::SetSize(int64_t) {}

bool TMemoryStream::LoadFromFile(const std::string& fileName) {
  bytes_.clear();
  position_ = 0;
  const TFileHandle file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st;
  if (!file) {
    if (::stat(fileName.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    throw EFOpenError("Cannot open file \"" + fileName + "\"");
  }
  if (::fstat(AsDescriptor(file), &st) != 0) throw EFOpenError("Cannot read file \"" + fileName + "\"");
  if (S_ISDIR(st.st_mode)) return false;
  // The image model counts in 32 bits; a larger file is no image of ours.
  if (st.st_size > 0x7FFFFFFF) throw EFOpenError("Cannot read file \"" + fileName + "\"");
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::read(AsDescriptor(file), chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw EFOpenError("Cannot read file \"" + fileName + "\"");
    if (got == 0 || bytes.size() + static_cast<std::size_t>(got) > 0x7FFFFFFF) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  bytes_ = std::move(bytes);
  return true;
}
