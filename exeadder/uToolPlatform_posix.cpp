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

bool IsFile(const std::string& Path) {
  struct stat St;
  return ::stat(Path.c_str(), &St) == 0 && S_ISREG(St.st_mode);
}

bool SameFile(const std::string& A, const std::string& B) {
  struct stat Sa, Sb;
  return ::stat(A.c_str(), &Sa) == 0 && ::stat(B.c_str(), &Sb) == 0 && Sa.st_dev == Sb.st_dev &&
         Sa.st_ino == Sb.st_ino;
}

std::string WriteTempBeside(const std::string& Target, const std::string& Bytes) {
  std::string Temp;
  int Fd = -1;
  for (int i = 0; i < 100 && Fd < 0; ++i) {
    Temp = Target + "." + std::to_string(::getpid()) + "-" + std::to_string(i) + ".tmp";
    Fd = ::open(Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (Fd < 0 && errno != EEXIST) break;
  }
  if (Fd < 0) throw EWriteError("cannot create a file beside " + Target + ": " + std::strerror(errno));
  std::size_t Done = 0;
  while (Done < Bytes.size()) {
    const ssize_t N = ::write(Fd, Bytes.data() + Done, Bytes.size() - Done);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += static_cast<std::size_t>(N);
  }
  const int WriteErrno = errno;
  // Written through to the disk before the rename makes it the file.
  const bool Ok = Done == Bytes.size() && ::fsync(Fd) == 0;
  if (::close(Fd) != 0 || !Ok) {
    ::unlink(Temp.c_str());
    throw EWriteError("cannot write " + Temp + ": " + std::strerror(Ok ? errno : WriteErrno));
  }
  return Temp;
}

void ReplaceWith(const std::string& Temp, const std::string& Target) {
  if (std::rename(Temp.c_str(), Target.c_str()) != 0)
    throw EWriteError("cannot rename " + Temp + " to " + Target + ": " + std::strerror(errno));
}

void RemoveFile(const std::string& Path) { ::unlink(Path.c_str()); }

bool ToConsoleText(const std::string& Cp932, std::string& Out) {
  iconv_t Cd = ::iconv_open("UTF-8", "CP932");
  if (Cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string In = Cp932;
  std::string Buffer(In.size() * 3 + 4, '\0');
  char* InPtr = In.empty() ? nullptr : &In[0];
  std::size_t InLeft = In.size();
  char* OutPtr = &Buffer[0];
  std::size_t OutLeft = Buffer.size();
  const std::size_t Result = ::iconv(Cd, &InPtr, &InLeft, &OutPtr, &OutLeft);
  ::iconv_close(Cd);
  if (Result == static_cast<std::size_t>(-1) || InLeft != 0) return false;
  Out.assign(Buffer.data(), Buffer.size() - OutLeft);
  return true;
}

}  // namespace toolplatform
