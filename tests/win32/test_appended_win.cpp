// The program's own executable, with a block appended, read by the program's own code.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "appended/ZLibEx.h"
#include "appended/uExeAdder.h"
#include "appended/uPEUtils.h"
#include "appended/uStreamUtils.h"
#include "appended/uBlockWriter.h"

namespace {

std::string WinePath(const char* UnixPath) {
  std::string P = std::string("Z:") + UnixPath;
  for (char& C : P)
    if (C == '/') C = '\\';
  return P;
}

// A copy of Uninst.exe in the temporary folder, deleted at the end.
class ProgramCopy {
 public:
  ProgramCopy() {
    char Dir[MAX_PATH], Name[MAX_PATH];
    EXPECT_NE(GetTempPathA(MAX_PATH, Dir), 0u);
    EXPECT_NE(GetTempFileNameA(Dir, "uap", 0, Name), 0u);
    Path_ = Name;
    EXPECT_TRUE(CopyFileA(WinePath(UNINST_EXE_PATH).c_str(), Path_.c_str(), FALSE)) << GetLastError();
  }
  ~ProgramCopy() { DeleteFileA(Path_.c_str()); }
  const std::string& Path() const { return Path_; }
  std::string Read() const {
    std::ifstream In(Path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  }
  void Write(const std::string& Bytes) const {
    std::ofstream(Path_, std::ios::binary | std::ios::trunc).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  }

 private:
  std::string Path_;
};

const char kGuid[] = "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}";

const TNewItems kGuidItems = {{"Readme", "\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B", false},
                              {"GUID", kGuid, true}};

// The program with the writer's block behind its image and Trailer after it.
std::string BehindImage(const ProgramCopy& Copy, const std::string& Trailer) {
  TAddOptions Options;
  Options.Key = 0xC3;
  Options.Placement = TBlockPlacement::BehindImage;
  Options.Trailer = Trailer;
  return FileWithBlock(Copy.Path(), kGuidItems, Options).Bytes;
}

void ExpectGuidItems(const std::string& Path) {
  TItemTypes Items;
  ReadAppendedItems(Path, Items);
  ASSERT_EQ(Items.size(), 2u);
  const TItemType* Guid = FindAppendedItem(Items, "GUID");
  ASSERT_NE(Guid, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(Guid->Data), Guid->Size), kGuid);
  EXPECT_EQ(Items[0].Size, 16);
  FreeAppendedItems(Items);
  EXPECT_TRUE(Items.empty());
}

TEST(AppendedWin, StrippedProgramEndsWhereItsImageEnds) {
  ProgramCopy Copy;
  const std::string Original = Copy.Read();
  TPEImage Image(Copy.Path());
  ASSERT_FALSE(Image.Sections.empty());
  EXPECT_EQ(Image.GetImageEnd(), static_cast<int32_t>(Original.size()));
  EXPECT_EQ(Image.FileSize, static_cast<int32_t>(Original.size()));
  // Its uninitialised-data section has no raw data (PointerToRawData 0): no header bytes.
  EXPECT_EQ(Image.HeaderData->BlockSize(), 0);

  TItemTypes Items;
  EXPECT_NO_THROW(ReadAppendedItems(Copy.Path(), Items));
  EXPECT_TRUE(Items.empty());
}

TEST(AppendedWin, ReadsTheBlockAtTheEndOfTheProgram) {
  ProgramCopy Copy;
  TAddOptions Options;
  Options.Key = 0xC3;
  Copy.Write(FileWithBlock(Copy.Path(), kGuidItems, Options).Bytes);
  ExpectGuidItems(Copy.Path());
}

TEST(AppendedWin, ReadsTheBlockBehindTheImageEndWithDataAfterIt) {
  ProgramCopy Copy;
  const std::size_t ImageEnd = Copy.Read().size();
  std::string File = BehindImage(Copy, std::string(3000, '\x7F') + "signed-by-someone");
  Copy.Write(File);
  ExpectGuidItems(Copy.Path());

  // The same with UseEndOffset 0: the reader gives up.
  File[ImageEnd + 4] = 0;
  Copy.Write(File);
  TItemTypes Items;
  ReadAppendedItems(Copy.Path(), Items);
  EXPECT_TRUE(Items.empty());
}

TEST(AppendedWin, StreamSharesTheFileWithTheImageModel) {
  // The item reader holds the file open read-only while the model opens it again.
  ProgramCopy Copy;
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

TEST(AppendedWin, FileHeldExclusivelyByAnother) {
  // The model reports the file layer's error; the item reader, which cannot open it either, gives
  // an empty list.
  ProgramCopy Copy;
  Copy.Write(BehindImage(Copy, "trailer"));
  HANDLE Holder = CreateFileA(Copy.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Holder, INVALID_HANDLE_VALUE);
  EXPECT_THROW(TPEImage Image(Copy.Path()), EFOpenError);
  TItemTypes Items;
  EXPECT_NO_THROW(ReadAppendedItems(Copy.Path(), Items));
  EXPECT_TRUE(Items.empty());
  CloseHandle(Holder);
  ExpectGuidItems(Copy.Path());
}

}  // namespace
