// The builder's tool, run in-process on files in a folder of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "appended/uBlockLayout.h"
#include "appended/uBlockWriter.h"
#include "appended/uExeAdder.h"
#include "exeadder/uExeAdderTool.h"
#include "exeadder/uMutexName.h"
#include "support/PEBuilder.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using exeaddertool::RunExeAdder;
using exeaddertool::TToolResult;

const char kGuid[] = "{5A3C9E12-7B4D-4F0A-9C61-2E8D0B7F4A19}";

// A folder in the temporary folder with the files the cases start from; removed at the end.
class ToolFolder : public testsupport::TempFolder {
 public:
  ToolFolder() : TempFolder("exeadder_test_") {
    const std::string Image = pebuilder::SmallImage();
    Put("Uninst.exe", Image);
    Put("Stamped.exe", Image + blockwriter::BuildBlock({{"GUID", kGuid, true}}, blockwriter::kDefaultKey, static_cast<int64_t>(Image.size())));
    Put("Plain.bin", "not a program");
    Put("Damaged.exe", Image + "garbage" + blocklayout::Int64Field(1 << 20) + "PLWS");
    std::string Corrupt = blockwriter::CompressItemData(kGuid);
    Corrupt.back() = static_cast<char>(Corrupt.back() ^ 0x55);
    Put("BadStream.exe", Image + blockwriter::BuildBlockOfRecords({blocklayout::EncodeRecord(4, XorString("GUID", 0x5A), 1,
                                                                                static_cast<int32_t>(Corrupt.size()), Corrupt)},
                                                     0x5A, static_cast<int64_t>(Image.size())));
    pebuilder::PEBuilder LastNotFurthest;
    LastNotFurthest.Sections = {{0x400, 0x200}, {0x200, 0x200}};
    Put("Overlap.exe", LastNotFurthest.Build());
    Put("Uninst64.exe", pebuilder::SignableImage(/*Pe32Plus=*/true));
    // Signed in form only: the tool reads the security directory, not the signature.
    const std::string Signed = pebuilder::WithCertificateTableOnly(pebuilder::SignableImage());
    Put("Signed.exe", Signed);
    std::string BadSigned = Signed;
    BadSigned.replace(pebuilder::SecurityEntryOffset(Signed), 4, pebuilder::Le32(0x100));  // inside the headers
    Put("BadSigned.exe", BadSigned);
    Put("plws.bin", "a trailer that ends in PLWS");
    Put("readme.txt", "Readme\r\n");
  }

  // Every file and its contents.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> Files;
    for (const auto& Entry : fs::directory_iterator(Dir())) Files[Entry.path().filename().string()] = Read(Entry.path().filename().string());
    return Files;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> Names;
    for (const auto& Entry : fs::directory_iterator(Dir())) Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
  }
};

std::vector<std::string> Items(const TItemTypes& List) {
  std::vector<std::string> Out;
  for (const TItemType& I : List)
    Out.push_back(I.Name + "=" + (I.Data ? std::string(static_cast<const char*>(I.Data), I.Size) : std::string()) +
                  (I.Compressed ? " (z)" : ""));
  return Out;
}
std::vector<std::string> ItemsOf(const std::string& Path) {
  TItemTypes List;
  ReadAppendedItems(Path, List);
  return Items(List);
}

// Refusals: exit status, one line on standard error that says why, nothing on standard output,
// and no file written, changed or left behind.
TEST(ExeAdderTool, RefusalsWriteNothing) {
  ToolFolder F;
  struct Case { const char* What; std::vector<std::string> Args; int Exit; std::string Says; } Cases[] = {
      {"missing IN", {"add", F("none.exe"), F("out.exe"), "--text", "GUID", "x"}, 1, "none.exe: no such file"},
      {"IN a folder", {"add", F.Dir().string(), F("out.exe"), "--text", "GUID", "x"}, 1, "no such file"},
      {"item file missing", {"add", F("Uninst.exe"), F("out.exe"), "--text", "a", "b", "--zfile", "GUID", F("none.txt")}, 1,
       "item 2: cannot read its file"},
      {"trailer missing", {"add", F("Uninst.exe"), F("out.exe"), "--behind-image", "--trailer", F("none"), "--text", "GUID", "x"}, 1,
       "cannot read the trailer"},
      {"a second block", {"add", F("Stamped.exe"), F("out.exe"), "--text", "GUID", "x"}, 1,
       "already carries a block, at offset 1536 (--replace replaces it)"},
      {"a second block by stamp", {"stamp", F("Stamped.exe"), "--product", "Sample", "--mutex", "m", "--out", F("")}, 1,
       "already carries a block"},
      {"a damaged block", {"add", F("Damaged.exe"), F("out.exe"), "--replace", "--text", "GUID", "x"}, 1,
       "ends in a damaged block (Bad Block)"},
      {"OUT is IN", {"add", F("Uninst.exe"), F("Uninst.exe"), "--text", "GUID", "x"}, 1, "give --in-place"},
      {"OUT is IN, spelt otherwise", {"add", F("Uninst.exe"), F("./Uninst.exe"), "--text", "GUID", "x"}, 1, "give --in-place"},
      {"strip in place", {"strip", F("Stamped.exe"), F("Stamped.exe")}, 1, "give --in-place"},
      {"behind the image of no image", {"add", F("Plain.bin"), F("out.exe"), "--behind-image", "--text", "GUID", "x"}, 1,
       "is not a PE image (Bad Signature)"},
      {"a block that would overwrite a section", {"add", F("Overlap.exe"), F("out.exe"), "--behind-image", "--text", "GUID", "x"}, 1,
       "past the end of the last section-table entry"},
      {"a trailer the reader takes for a block",
       {"add", F("Uninst.exe"), F("out.exe"), "--behind-image", "--trailer", F("plws.bin"), "--text", "GUID", "x"}, 1, "\"PLWS\""},
      {"a signed input", {"add", F("Signed.exe"), F("out.exe"), "--text", "GUID", "x"}, 1,
       "Signed.exe carries an Authenticode signature (certificate table of 1024 bytes at offset 1536), which this change "
       "would invalidate: give --unsign to remove it, then sign the written file again"},
      {"a signature whose table is not behind the image", {"strip", F("BadSigned.exe"), F("out.exe"), "--unsign"}, 1,
       "names a certificate table of 1024 bytes at offset 256, which does not lie behind the image inside the file"},
      {"behind a 64-bit image", {"add", F("Uninst64.exe"), F("out.exe"), "--behind-image", "--text", "GUID", "x"}, 1,
       "is a 64-bit image (PE32+)"},
      {"a 64-bit image for signing", {"stamp", F("Uninst64.exe"), "--product", "P", "--mutex", "m", "--for-signing", "--out", F("")},
       1, "is a 64-bit image (PE32+)"},
      {"OUT in a missing folder", {"add", F("Uninst.exe"), F("none/out.exe"), "--text", "GUID", "x"}, 1, "cannot create a file beside"},
      {"a product name with Uninst", {"stamp", F("Uninst.exe"), "--product", "MyUninstaller", "--mutex", "m", "--out", F("")}, 1,
       "would take its product name as \"My\""},
      {"a product name with a folder", {"stamp", F("Uninst.exe"), "--product", "a/b", "--mutex", "m", "--out", F("")}, 1,
       "a character that a file name cannot"},
      {"an empty product name", {"stamp", F("Uninst.exe"), "--product", "", "--mutex", "m", "--out", F("")}, 1, "product name is empty"},
      {"an empty mutex name", {"stamp", F("Uninst.exe"), "--product", "P", "--mutex", "", "--out", F("")}, 1, "mutex name is empty"},
      {"strip without a block", {"strip", F("Uninst.exe"), F("out.exe")}, 1, "Uninst.exe: carries no block"},
      {"list without a block", {"list", F("Uninst.exe")}, 1, "carries no block that the uninstaller finds"},
      {"list of a damaged block", {"list", F("Damaged.exe")}, 1, "Damaged.exe: Bad Block"},
      {"list of a stream that does not inflate", {"list", F("BadStream.exe")}, 1, "BadStream.exe: data error"},
      {"list of no program", {"list", F("Plain.bin")}, 1, "Plain.bin: Bad Signature"},
      {"no command", {}, 2, "no command"},
      {"unknown command", {"append"}, 2, "unknown command append"},
      {"unknown option", {"add", F("Uninst.exe"), F("out.exe"), "--compress", "--text", "GUID", "x"}, 2, "unknown option --compress"},
      {"item without its text", {"add", F("Uninst.exe"), F("out.exe"), "--text", "GUID"}, 2, "--text needs a name and a text"},
      {"no items", {"add", F("Uninst.exe"), F("out.exe")}, 2, "at least one item"},
      {"no OUT", {"add", F("Uninst.exe"), "--text", "GUID", "x"}, 2, "add needs IN and OUT"},
      {"key not a number", {"add", F("Uninst.exe"), F("out.exe"), "--key", "0x5G", "--text", "GUID", "x"}, 2, "not a number"},
      {"key too large", {"add", F("Uninst.exe"), F("out.exe"), "--key", "4294967296", "--text", "GUID", "x"}, 2, "32 bits"},
      {"trailer without behind-image", {"add", F("Uninst.exe"), F("out.exe"), "--trailer", F("plws.bin"), "--text", "GUID", "x"}, 2,
       "--trailer goes with --behind-image"},
      {"stamp without a mutex", {"stamp", F("Uninst.exe"), "--product", "P"}, 2, "--mutex"},
      {"an option twice", {"stamp", F("Uninst.exe"), "--product", "P", "--product", "Q", "--mutex", "m"}, 2, "given twice"},
  };
  const auto Before = F.Snapshot();
  for (const Case& C : Cases) {
    const TToolResult R = RunExeAdder(C.Args);
    EXPECT_EQ(R.ExitCode, C.Exit) << C.What;
    EXPECT_EQ(R.Out, "") << C.What;
    EXPECT_EQ(R.Err.rfind("exeadder: ", 0), 0u) << C.What << ": " << R.Err;
    EXPECT_NE(R.Err.find(C.Says), std::string::npos) << C.What << ": " << R.Err;
    EXPECT_EQ(R.Err.find('\n'), R.Err.size() - 1) << C.What << ": not one line: " << R.Err;
    EXPECT_TRUE(F.Snapshot() == Before) << C.What << ": the folder changed";
  }
}

TEST(ExeAdderTool, StampMakesTheUninstallerAndPrintsTheRegistryValues) {
  ToolFolder F;
  TToolResult R = RunExeAdder({"stamp", F("Uninst.exe"), "--product", "Sample", "--mutex", kGuid, "--out", F.Dir().string(),
                               "--install-dir", "C:\\Program Files\\Sample\\"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Err, "");
  EXPECT_NE(R.Out.find("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample\n"),
            std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  UninstallString       \"C:\\Program Files\\Sample\\SampleUninst.exe\"\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  QuietUninstallString  \"C:\\Program Files\\Sample\\SampleUninst.exe\" /S\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find(u8"  DisplayName           Sampleスクリーンセーバー\n"), std::string::npos) << R.Out;

  // The program's bytes, then one compressed "GUID" item; no temporary file is left.
  const std::string Made = F.Read("SampleUninst.exe");
  EXPECT_EQ(Made.substr(0, F.Read("Uninst.exe").size()), F.Read("Uninst.exe"));
  EXPECT_EQ(ItemsOf(F("SampleUninst.exe")), std::vector<std::string>{std::string("GUID=") + kGuid + " (z)"});
  EXPECT_EQ(F.Names().size(), ToolFolder().Names().size() + 1);

  // Stamping again replaces the block only when asked; --in-place writes over the file itself.
  R = RunExeAdder({"stamp", F("SampleUninst.exe"), "--product", "Sample", "--mutex", "{other}", "--out", F.Dir().string(),
                   "--replace"});
  EXPECT_EQ(R.ExitCode, 1);
  EXPECT_NE(R.Err.find("--in-place"), std::string::npos) << R.Err;
  R = RunExeAdder({"stamp", F("SampleUninst.exe"), "--product", "Sample", "--mutex", "{other}", "--out", F.Dir().string(),
                   "--replace", "--in-place"});
  EXPECT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(ItemsOf(F("SampleUninst.exe")), std::vector<std::string>{"GUID={other} (z)"});
}

TEST(ExeAdderTool, StampWritesIntoTheCurrentFolderByDefault) {
  ToolFolder F;
  const fs::path Was = fs::current_path();
  fs::current_path(F.Dir());
  const TToolResult R = RunExeAdder({"stamp", "Uninst.exe", "--product", "Foo", "--mutex", "m"});
  fs::current_path(Was);
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out.rfind("wrote FooUninst.exe:", 0), 0u) << R.Out;
  EXPECT_EQ(ItemsOf(F("FooUninst.exe")), std::vector<std::string>{"GUID=m (z)"});
  EXPECT_NE(R.Out.find("\"<install folder>\\FooUninst.exe\" /S"), std::string::npos) << R.Out;
}

TEST(ExeAdderTool, AddListAndStripBehindTheImage) {
  ToolFolder F;
  const std::string Name932 = "\x83\x54\x83\x93\x83\x76\x83\x8B";  // "サンプル" in code page 932
  TToolResult R = RunExeAdder({"add", F("Uninst.exe"), F("out.exe"), "--key", "0x1234A5", "--behind-image", "--trailer",
                               F("readme.txt"), "--ztext", "GUID", kGuid, "--file", Name932, F("readme.txt"), "--text",
                               "Empty", "", "--text", "Bytes", std::string("\x01\x02\xFF", 3), "--text", "--help", "--"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(ItemsOf(F("out.exe")), (std::vector<std::string>{std::string("GUID=") + kGuid + " (z)", Name932 + "=Readme\r\n",
                                                              "Empty=", std::string("Bytes=\x01\x02\xFF", 9), "--help=--"}));
  EXPECT_EQ(F.Read("out.exe").substr(F.Read("out.exe").size() - 8), "Readme\r\n");

  R = RunExeAdder({"list", F("out.exe")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("at offset 1536, found behind the image, 8 bytes of other data behind it\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("key 0x001234A5 (names scrambled with 0xA5), 5 items\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  1. \"GUID\"  compressed, "), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find(std::string("38 bytes inflated  \"") + kGuid + "\"\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find(u8"  2. \"サンプル\"  plain, 8 bytes  \"Readme\\r\\n\"\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  3. \"Empty\"  plain, 0 bytes\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("  4. \"Bytes\"  plain, 3 bytes  hex 01 02 FF\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("the uninstaller checks the mutex named by item 1 \"GUID\"\n"), std::string::npos) << R.Out;

  // Stripping keeps the data behind the block; in place, OUT may be left out.
  R = RunExeAdder({"strip", "--in-place", F("out.exe")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(F.Read("out.exe"), F.Read("Uninst.exe") + "Readme\r\n");
  EXPECT_EQ(F.Names().size(), ToolFolder().Names().size() + 1);
}

// Signing appends a certificate table: the block stays readable only where the image ends, with
// EndOffset set. Writing for signing says that signing comes next; list says whether it may.
TEST(ExeAdderTool, SaysWhetherSigningKeepsTheBlockReadable) {
  ToolFolder F;
  F.Put("Unstripped.exe", pebuilder::SmallImage() + "symbol table");
  TToolResult R = RunExeAdder({"stamp", F("Unstripped.exe"), "--product", "Ready", "--mutex", "m", "--for-signing", "--out", F("")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("block of 47 bytes at offset 1536, 12 bytes of other data behind it\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("next step: sign " + F("ReadyUninst.exe") +
                       " with Authenticode; the block lies where the image ends, inside the range the signature covers\n"),
            std::string::npos)
      << R.Out;
  R = RunExeAdder({"stamp", F("Unstripped.exe"), "--product", "Late", "--mutex", "m", "--out", F("")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out.find("sign"), std::string::npos) << "nothing about signing unless asked: " << R.Out;
  ASSERT_EQ(RunExeAdder({"stamp", F("Uninst64.exe"), "--product", "Wide", "--mutex", "m", "--out", F("")}).ExitCode, 0);

  const std::string Ready = "not signed (no Authenticode certificate table); signing keeps the block readable: it lies where the image ends\n";
  const std::string Hidden =
      "not signed (no Authenticode certificate table); signing would hide the block from the uninstaller: write the file with "
      "stamp --for-signing or add --behind-image\n";
  struct Case { const char* File; std::string Says; } Cases[] = {
      {"ReadyUninst.exe", Ready},
      {"LateUninst.exe", Hidden},  // behind the symbol table: the reader would look at the image end
      {"Stamped.exe", Ready},      // at the end, but also where the image ends
      {"WideUninst.exe",
       "not signed (no Authenticode certificate table); signing would hide the block from the uninstaller: its reader "
       "finds a block behind 32-bit images only\n"},
  };
  for (const Case& C : Cases) {
    R = RunExeAdder({"list", F(C.File)});
    EXPECT_NE(R.Out.find(C.Says), std::string::npos) << C.File << ": " << R.Out << R.Err;
  }
  ASSERT_EQ(RunExeAdder({"add", F("Plain.bin"), F("plain.out"), "--text", "GUID", "x"}).ExitCode, 0);
  EXPECT_NE(RunExeAdder({"list", F("plain.out")}).Out.find("\nnot a PE image, so not signed\n"), std::string::npos);
}

// Names that CreateMutexA can never take: an uninstaller carrying one would report a running
// screen saver (1618) on every run.
TEST(ExeAdderTool, RefusesGuidValuesThatNoMutexCanTake) {
  struct Case { const char* What; std::string Name; const char* Says; } Refused[] = {
      {"a backslash", "Korvane\\Sample", "backslash"},
      {"a backslash after the namespace's", "Global\\a\\b", "backslash"},
      {"a namespace in another case", "global\\Sample", "backslash"},
      {"a namespace of the system's", "Session\\1\\Sample", "backslash"},
      {"a namespace alone", "Local\\", "no mutex in it"},
      {"a NUL", std::string("{5A3C}\0tail", 11), "NUL"},
      {"260 bytes", std::string(260, 'x'), "260 bytes long"},
  };
  for (const Case& C : Refused) EXPECT_NE(mutexname::MutexNameRefusal(C.Name).find(C.Says), std::string::npos) << C.What;
  const std::string Taken[] = {kGuid, "Global\\{5A3C}", "Local\\Sample", std::string(259, 'x'), "Global",
                               // 0x95 0x5C: the second byte of the character is not a backslash.
                               "\x95\x5C\x8E\xA6"};
  for (const std::string& Name : Taken) EXPECT_EQ(mutexname::MutexNameRefusal(Name), "") << Name;

  // Both commands refuse such a value, with the reason, and write nothing.
  ToolFolder F;
  F.Put("nul.txt", std::string("{5A3C}\0tail", 11));
  const auto Before = F.Snapshot();
  const std::vector<std::string> Commands[] = {
      {"stamp", F("Uninst.exe"), "--product", "Sample", "--mutex", "Korvane\\Sample", "--out", F("")},
      {"add", F("Uninst.exe"), F("out.exe"), "--text", "GUID", std::string(300, 'x')},
      {"add", F("Uninst.exe"), F("out.exe"), "--text", "Version", "1.0", "--zfile", "GUID", F("nul.txt")},
  };
  for (const std::vector<std::string>& Args : Commands) {
    const TToolResult R = RunExeAdder(Args);
    EXPECT_EQ(R.ExitCode, 1) << Args[0];
    EXPECT_NE(R.Err.find("the uninstaller would"), std::string::npos) << R.Err;
    EXPECT_EQ(R.Err.find('\n'), R.Err.size() - 1) << R.Err;
  }
  EXPECT_TRUE(F.Snapshot() == Before);
  // Only the first "GUID" is the uninstaller's; an empty one means no check at all.
  EXPECT_EQ(RunExeAdder({"add", F("Uninst.exe"), F("out.exe"), "--text", "GUID", "", "--text", "GUID", "a\\b"}).ExitCode, 0);
}

TEST(ExeAdderTool, HelpDescribesEveryCommand) {
  for (const std::vector<std::string>& Args : {std::vector<std::string>{"--help"}, {"add", "--help"}, {"list", "x", "--help"}}) {
    const TToolResult R = RunExeAdder(Args);
    EXPECT_EQ(R.ExitCode, 0);
    EXPECT_EQ(R.Err, "");
    for (const char* Word : {"exeadder stamp", "exeadder add", "exeadder list", "exeadder strip", "--replace", "--in-place",
                             "--behind-image", "--trailer", "--key", "--ztext", "--zfile", "--for-signing", "--unsign",
                             "Authenticode", "Exit status"})
      EXPECT_NE(R.Out.find(Word), std::string::npos) << Word;
  }
}

}  // namespace
