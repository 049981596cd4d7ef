// The Windows build of the builder's tool, ExeAdder.exe, run as a process on a copy of the
// built program: its file handling (temporary file and rename, one file under two names, code
// page 932 names) is Windows' own.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "appended/uExeAdder.h"
#include "support/AppendedItems.h"
#include "support/PEBuilder.h"
#include "winsupport/uDriver.h"
#include "winsupport/uImageModelRoute.h"
#include "winsupport/uMachine.h"

namespace {

using namespace testsupport;

const char kGuid[] = "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}";

struct TRun {
  DWORD ExitCode = ~0u;
  std::string Out, Err;
};

// Runs ExeAdder.exe with Arguments, its standard output and error sent to files in Folder.
TRun RunExeAdder(const std::string& Folder, const std::string& Arguments) {
  TRun Run;
  SECURITY_ATTRIBUTES Inherit = {sizeof Inherit, nullptr, TRUE};
  const std::string OutPath = Folder + "stdout.txt", ErrPath = Folder + "stderr.txt";
  {
    TFileHandle Out(CreateFileA(OutPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &Inherit, CREATE_ALWAYS, 0, nullptr));
    TFileHandle Err(CreateFileA(ErrPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &Inherit, CREATE_ALWAYS, 0, nullptr));
    if (!Out || !Err) return Run;
    STARTUPINFOA Start = {};
    Start.cb = sizeof Start;
    Start.dwFlags = STARTF_USESTDHANDLES;
    Start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    Start.hStdOutput = Out.get();
    Start.hStdError = Err.get();
    TProcess Process;
    if (!StartProcess("\"" + WinePathOf(EXEADDER_EXE_PATH) + "\" " + Arguments, TRUE, Folder, Start, Process)) return Run;
    WaitForExit(Process, 120000, &Run.ExitCode);
  }
  Run.Out = ReadFileBytes(OutPath);
  Run.Err = ReadFileBytes(ErrPath);
  DeleteFileA(OutPath.c_str());
  DeleteFileA(ErrPath.c_str());
  return Run;
}

// Only the files named, besides the program copy: no temporary file is left behind.
std::size_t FileCount(const std::string& Folder) {
  const std::vector<WIN32_FIND_DATAA> Found = FindFiles(Folder + "*");
  return static_cast<std::size_t>(std::count_if(Found.begin(), Found.end(), [](const WIN32_FIND_DATAA& Entry) {
    return !(Entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  }));
}

TEST(ExeAdderTool, StampsListsAndRefusesLikeTheNativeTool) {
  const std::string Folder = FreshTempFolder("exeadder-test");
  const std::string Program = Folder + "Uninst.exe";
  ASSERT_TRUE(CopyFileA(BuiltUninstallerPath().c_str(), Program.c_str(), FALSE));

  TRun R = RunExeAdder(Folder, std::string("stamp Uninst.exe --product Sample --mutex ") + kGuid +
                                   " --install-dir \"C:\\Program Files\\Sample\"");
  ASSERT_EQ(R.ExitCode, 0u) << R.Err;
  EXPECT_EQ(R.Err, "");
  EXPECT_NE(R.Out.find("UninstallString       \"C:\\Program Files\\Sample\\SampleUninst.exe\""), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("DisplayName           Sampleスクリーンセーバー"), std::string::npos) << R.Out;
  EXPECT_EQ(GuidOf(Folder + "SampleUninst.exe"), kGuid);
  EXPECT_EQ(FileCount(Folder), 2u);

  // The same file under its short name is still the input.
  const std::string Stamped = ReadFileBytes(Folder + "SampleUninst.exe");
  R = RunExeAdder(Folder, "add SampleUninst.exe \"" + ShortPathOf(Folder + "SampleUninst.exe") +
                              "\" --replace --text GUID other");
  EXPECT_EQ(R.ExitCode, 1u);
  EXPECT_EQ(R.Out, "");
  EXPECT_NE(R.Err.find("--in-place"), std::string::npos) << R.Err;
  EXPECT_EQ(R.Err.find('\n'), R.Err.size() - 1) << R.Err;
  EXPECT_EQ(ReadFileBytes(Folder + "SampleUninst.exe"), Stamped);

  // A second block is refused; replacing it in place renames over the file itself.
  R = RunExeAdder(Folder, "add --in-place SampleUninst.exe --ztext GUID other");
  EXPECT_EQ(R.ExitCode, 1u);
  EXPECT_NE(R.Err.find("already carries a block"), std::string::npos) << R.Err;
  R = RunExeAdder(Folder, "add --in-place --replace SampleUninst.exe --ztext GUID other");
  EXPECT_EQ(R.ExitCode, 0u) << R.Err;
  EXPECT_EQ(GuidOf(Folder + "SampleUninst.exe"), "other");

  // Stamping over an existing file that is not the input replaces it.
  R = RunExeAdder(Folder, std::string("stamp Uninst.exe --product Sample --mutex ") + kGuid);
  EXPECT_EQ(R.ExitCode, 0u) << R.Err;
  EXPECT_EQ(ReadFileBytes(Folder + "SampleUninst.exe"), Stamped);

  R = RunExeAdder(Folder, "list SampleUninst.exe");
  EXPECT_EQ(R.ExitCode, 0u) << R.Err;
  EXPECT_NE(R.Out.find(std::string("\"GUID\"  compressed, 46 bytes stored, 38 bytes inflated  \"") + kGuid + "\""),
            std::string::npos) << R.Out;
  // A product name whose second byte is a backslash byte: a file name all the same.
  R = RunExeAdder(Folder, "stamp Uninst.exe --product 表 --mutex m");
  EXPECT_EQ(R.ExitCode, 0u) << R.Err;
  EXPECT_EQ(GuidOf(Folder + "表Uninst.exe"), "m");
  EXPECT_NE(R.Out.find("Uninstall\\表\r\n"), std::string::npos) << R.Out;
  EXPECT_EQ(FileCount(Folder), 3u);
}

// A copy of the built program with a certificate table (in form only: the tool reads the security
// directory, not the signature; a 32-bit or a 64-bit image, as the route builds it) is refused,
// and with --unsign the table goes before the block is added.
TEST(ExeAdderTool, RefusesASignedProgramUnlessUnsign) {
  const std::string Folder = FreshTempFolder("exeadder-test");
  const std::string Program = ReadFileBytes(BuiltUninstallerPath());
  ASSERT_FALSE(Program.empty());
  const std::string Signed = pebuilder::WithCertificateTableOnly(Program);
  ASSERT_TRUE(WriteFileBytes(Folder + "SignedUninst.exe", Signed));

  TRun R = RunExeAdder(Folder, "add SignedUninst.exe out.exe --ztext GUID " + std::string(kGuid));
  EXPECT_EQ(R.ExitCode, 1u);
  EXPECT_NE(R.Err.find("SignedUninst.exe carries an Authenticode signature (certificate table of 1024 bytes at offset "),
            std::string::npos) << R.Err;
  EXPECT_NE(R.Err.find("give --unsign"), std::string::npos) << R.Err;
  EXPECT_EQ(FileCount(Folder), 1u);

  R = RunExeAdder(Folder, "add --unsign --in-place SignedUninst.exe --ztext GUID " + std::string(kGuid));
  ASSERT_EQ(R.ExitCode, 0u) << R.Err;
  EXPECT_NE(R.Out.find("removed the Authenticode signature of SignedUninst.exe"), std::string::npos) << R.Out;
  EXPECT_EQ(GuidOf(Folder + "SignedUninst.exe"), kGuid);
  // The program as it was before the table, with the alignment padding, then the block.
  const std::string Unsigned = ReadFileBytes(Folder + "SignedUninst.exe");
  const std::size_t Padded = (Program.size() + 7) / 8 * 8;
  const std::size_t Entry = pebuilder::SecurityEntryOffset(Program);
  EXPECT_EQ(Unsigned.substr(Entry, 8), std::string(8, '\0')) << "the security directory entry is cleared";
  EXPECT_TRUE(Unsigned.substr(Program.size(), Padded - Program.size()) == std::string(Padded - Program.size(), '\0'));
  EXPECT_EQ(FileCount(Folder), 1u);
}

// The program as built carries no block, and the tool says so.
TEST(ExeAdderTool, ListsTheBuiltProgramAsCarryingNoBlock) {
  SKIP_UNLESS_THE_IMAGE_MODEL_READS_THE_PROGRAM();
  const std::string Folder = FreshTempFolder("exeadder-test");
  ASSERT_TRUE(CopyFileA(BuiltUninstallerPath().c_str(), (Folder + "Uninst.exe").c_str(), FALSE));
  const TRun R = RunExeAdder(Folder, "list Uninst.exe");
  EXPECT_EQ(R.ExitCode, 1u);
  EXPECT_NE(R.Err.find("carries no block"), std::string::npos) << R.Err;
}

}  // namespace
