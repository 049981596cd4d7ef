// Native: plain POSIX calls. POSIX has no share modes; the file is read as it is.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/uFileHandle.h"
#include "base/uWholeFile.h"

const unsigned long kNoSuchFile = ENOENT;
const unsigned long kFileTooLarge = EFBIG;

unsigned long ReadWholeFile(const std::string& path, std::string& content, bool* opened) {
  if (opened) *opened = false;
  const TFileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file) return errno == ENOENT || errno == ENOTDIR ? kNoSuchFile : static_cast<unsigned long>(errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return static_cast<unsigned long>(errno);
  if (S_ISDIR(info.st_mode)) return kNoSuchFile;
  if (opened) *opened = true;
  if (info.st_size < 0 || info.st_size > 0x7FFFFFFF) return kFileTooLarge;
  std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(file.get(), &bytes[done], bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return static_cast<unsigned long>(errno);
    if (got == 0) break;  // shorter than it was a moment ago
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  content = std::move(bytes);
  return 0;
}
