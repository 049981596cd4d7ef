// The builder's tool on Linux: POSIX files, UTF-8 terminals.
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "appended/uStreamUtils.h"
#include "exeadder/uToolPlatform.h"

namespace toolplatform {

const char kPathDelimiter = '/';

bool IsFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool SameFile(const std::string& one, const std::string& other) {
  struct stat sa, sb;
  return ::stat(one.c_str(), &sa) == 0 && ::stat(other.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string WriteTempBeside(const std::string& target, const std::string& bytes) {
  std::string temp;
  int fd = -1;
  for (int i = 0; i < 100 && fd < 0; ++i) {
    temp = target + "." + std::to_string(::getpid()) + "-" + std::to_string(i) + ".tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throw EWriteError("cannot create a file beside " + target + ": " + std::strerror(errno));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    done += static_cast<std::size_t>(written);
  }
  const int writeErrno = errno;
  // Written through to the disk before the rename makes it the file.
  const bool ok = done == bytes.size() && ::fsync(fd) == 0;
  if (::close(fd) != 0 || !ok) {
    ::unlink(temp.c_str());
    throw EWriteError("cannot write " + temp + ": " + std::strerror(ok ? errno : writeErrno));
  }
  return temp;
}

void ReplaceWith(const std::string& temp, const std::string& target) {
  if (std::rename(temp.c_str(), target.c_str()) != 0)
    throw EWriteError("cannot rename " + temp + " to " + target + ": " + std::strerror(errno));
}

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

bool ToConsoleText(const std::string& cp932, std::string& out) {
  iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in = cp932;
  std::string buffer(in.size() * 3 + 4, '\0');
  char* inPtr = in.empty() ? nullptr : &in[0];
  std::size_t inLeft = in.size();
  char* outPtr = &buffer[0];
  std::size_t outLeft = buffer.size();
  const std::size_t result = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  ::iconv_close(cd);
  if (result == static_cast<std::size_t>(-1) || inLeft != 0) return false;
  out.assign(buffer.data(), buffer.size() - outLeft);
  return true;
}

}  // namespace toolplatform
