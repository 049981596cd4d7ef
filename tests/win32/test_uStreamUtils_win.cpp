// The stream layer's Windows files: how the item reader's stream and the image model's whole-file
// read share the file with each other and with other programs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "appended/uPEUtils.h"
#include "appended/uStreamUtils.h"
#include "winsupport/uImportHook.h"
#include "winsupport/uMachine.h"
#include "winsupport/uImageModelRoute.h"

namespace {

TEST(StreamUtils, StreamSharesTheFileWithTheImageModel) {
  // The item reader holds the file open read-only while the model opens it again.
  SKIP_UNLESS_THE_IMAGE_MODEL_READS_THE_PROGRAM();
  testsupport::TFileCopy Copy(testsupport::BuiltUninstallerPath());
  TFileReadStream Stream(Copy.Path());
  ASSERT_TRUE(Stream.IsOpen());
  TPEImage Image(Copy.Path());
  EXPECT_GT(Image.GetImageEnd(), 0);
  // The stream lets other writers in.
  HANDLE Writer = CreateFileA(Copy.Path().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(Writer, INVALID_HANDLE_VALUE);
  if (Writer != INVALID_HANDLE_VALUE) CloseHandle(Writer);
}


// No file under the name, or a folder: nothing to load, and no error. A file that exists but
// cannot be read is an error.
TEST(StreamUtils, LoadFromFileTellsMissingFromUnreadable) {
  const std::string folder = testsupport::FreshTempFolder("uninst stream test");
  ASSERT_TRUE(testsupport::WriteFileBytes(folder + "data.bin", "abc"));
  TMemoryStream Stream;
  EXPECT_FALSE(Stream.LoadFromFile(folder + "missing.bin"));
  EXPECT_FALSE(Stream.LoadFromFile(folder));
  EXPECT_FALSE(Stream.LoadFromFile(folder.substr(0, folder.size() - 1)));
  EXPECT_TRUE(Stream.LoadFromFile(folder + "data.bin"));
  EXPECT_EQ(Stream.GetSize(), 3);
  {
    TFileHandle Holder(
        CreateFileA((folder + "data.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(Holder);
    EXPECT_THROW(Stream.LoadFromFile(folder + "data.bin"), EFOpenError);
    EXPECT_EQ(Stream.GetSize(), 0);
  }
  // Readers are let in while it loads; a writer is not.
  TFileHandle Reader(CreateFileA((folder + "data.bin").c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(Stream.LoadFromFile(folder + "data.bin"));
  TFileHandle Writer(CreateFileA((folder + "data.bin").c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(Writer);
  EXPECT_THROW(Stream.LoadFromFile(folder + "data.bin"), EFOpenError);
}

// The system's answer to a read of a file that opened: a failing disk or a network file that has
// gone away. Wine has no file that opens and then refuses to be read (it does not hold reads to
// another handle's lock), so the test gives that answer through the program's import of ReadFile.
BOOL WINAPI RefuseRead(HANDLE, LPVOID, DWORD, LPDWORD read, LPOVERLAPPED) {
  if (read) *read = 0;
  SetLastError(ERROR_IO_DEVICE);
  return FALSE;
}

// The file layer's message tells a file that does not open from one that opened and could not be
// read ("exeadder list" shows it, as the uninstaller's error report does).
TEST(StreamUtils, ReadFailureIsToldFromOpenFailure) {
  const std::string folder = testsupport::FreshTempFolder("uninst stream test");
  const std::string path = folder + "data.bin";
  ASSERT_TRUE(testsupport::WriteFileBytes(path, "abc"));
  const auto message = [&](bool wholeFile) {
    try {
      TMemoryStream Stream;
      if (wholeFile) {
        LoadFileBytes(path);
      } else {
        Stream.LoadFromFile(path);
      }
    } catch (const EFOpenError& Error) {
      return std::string(Error.what());
    }
    return std::string("(no error)");
  };
  {
    TFileHandle Holder(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(Holder);
    EXPECT_EQ(message(false), "Cannot open file \"" + path + "\"");
    EXPECT_EQ(message(true), "Cannot open file \"" + path + "\"");
  }
  {
    testsupport::TImportHook hook("KERNEL32.dll", "ReadFile", reinterpret_cast<const void*>(&RefuseRead));
    ASSERT_TRUE(hook.Installed());
    EXPECT_EQ(message(false), "Cannot read file \"" + path + "\"");
    EXPECT_EQ(message(true), "Cannot read file \"" + path + "\"");
  }
  EXPECT_EQ(message(true), "(no error)");
}

}  // namespace
