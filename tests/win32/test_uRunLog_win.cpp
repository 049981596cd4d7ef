// The run log as the file system meets it: paths that reach a device or a pipe are refused before
// anything is opened, and an ordinary file gets its line.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "system/uHandles_win.h"
#include "system/uRunLog_win.h"
#include "winsupport/uImportHook.h"
#include "winsupport/uMachine.h"

namespace {

struct TLogFileReset {
  ~TLogFileReset() { runlog::SetLogFile(std::string()); }
};

// A named pipe whose server would see every client: had the log opened it, a client would have
// connected (and its server could then act in the program's name).
class TPipeServer {
 public:
  explicit TPipeServer(const std::string& name)
      : pipe_(CreateNamedPipeA(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE, 1, 0, 4096, 0,
                               nullptr)),
        event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  bool Made() const { return pipe_ && event_; }
  // Whether a client has connected by now.
  bool Connected() {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = event_.get();
    if (ConnectNamedPipe(pipe_.get(), &overlapped)) return true;
    const DWORD code = GetLastError();
    if (code == ERROR_IO_PENDING) CancelIo(pipe_.get());
    return code == ERROR_PIPE_CONNECTED || code == ERROR_NO_DATA;
  }

 private:
  TFileHandle pipe_;
  handles::TUniqueKernelObject event_;
};

TEST(RunLog, DevicePipeAndRawPathsAreRefusedUnopened) {
  const TLogFileReset reset;
  const std::string folder = testsupport::FreshTempFolder("uninst runlog");
  const std::string pipeName = "\\\\.\\pipe\\KorvaneRunLogTest-" + std::to_string(GetCurrentProcessId());
  TPipeServer server(pipeName);
  ASSERT_TRUE(server.Made()) << "error " << GetLastError();
  const std::string raw = folder + "raw.log";
  const std::string refused[] = {pipeName, "\\\\.\\C:", "\\\\?\\" + raw, "//./pipe/KorvaneRunLogTest-" + std::to_string(GetCurrentProcessId())};
  for (const std::string& path : refused) {
    runlog::SetLogFile(path);
    EXPECT_EQ(runlog::LogFile(), "") << path;
    runlog::Log("should not be written");
  }
  EXPECT_FALSE(server.Connected()) << "the log opened the pipe";
  EXPECT_FALSE(testsupport::FileExists(raw));

  // An ordinary path gets the line.
  const std::string plain = folder + "plain.log";
  runlog::SetLogFile(plain);
  EXPECT_EQ(runlog::LogFile(), plain);
  runlog::Log("written");
  const std::string text = testsupport::ReadFileBytes(plain);
  EXPECT_NE(text.find("] written\r\n"), std::string::npos) << text;
}

// A log file with a second name (a hard link, which anyone may make to a file of theirs in the
// shared temporary folder): nothing is written through either name.
TEST(RunLog, AFileWithTwoNamesIsNotWritten) {
  const TLogFileReset reset;
  const std::string folder = testsupport::FreshTempFolder("uninst runlog");
  const std::string target = folder + "elsewhere.txt";
  ASSERT_TRUE(testsupport::WriteFileBytes(target, "kept"));
  const std::string log = folder + "run.log";
  if (!CreateHardLinkA(log.c_str(), target.c_str(), nullptr)) GTEST_SKIP() << "no hard link can be made here";
  runlog::SetLogFile(log);
  runlog::Log("should not be written");
  EXPECT_EQ(testsupport::ReadFileBytes(target), "kept");
  EXPECT_EQ(testsupport::ReadFileBytes(log), "kept");
}

// A log file that the system reports as a reparse point (a link to a file elsewhere, opened as
// the link itself) is not written. Wine reports no file link as a reparse point, so the test gives
// the system's answer through the program's import of GetFileInformationByHandle.
struct TReparsePointAnswer {
  static BOOL WINAPI Answer(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
    const BOOL answered = hook->Original<decltype(&GetFileInformationByHandle)>()(file, info);
    if (answered) info->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return answered;
  }
  static testsupport::TImportHook* hook;
};
testsupport::TImportHook* TReparsePointAnswer::hook = nullptr;

TEST(RunLog, AReparsePointIsNotWritten) {
  const TLogFileReset reset;
  const std::string log = testsupport::FreshTempFolder("uninst runlog") + "run.log";
  ASSERT_TRUE(testsupport::WriteFileBytes(log, "kept"));
  runlog::SetLogFile(log);
  {
    testsupport::TImportHook hook("KERNEL32.dll", "GetFileInformationByHandle",
                                  reinterpret_cast<const void*>(&TReparsePointAnswer::Answer));
    ASSERT_TRUE(hook.Installed());
    TReparsePointAnswer::hook = &hook;
    runlog::Log("should not be written");
  }
  EXPECT_EQ(testsupport::ReadFileBytes(log), "kept");
  // The same file, reported as it is, gets the line.
  runlog::Log("written");
  EXPECT_NE(testsupport::ReadFileBytes(log).find("] written\r\n"), std::string::npos);
}

}  // namespace
