#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "appended/uBlockLayout.h"
#include "appended/uBlockWriter.h"
#include "appended/uExeAdder.h"
#include "appended/uStreamUtils.h"
#include "support/TempFile.h"

namespace {

using testsupport::TempFile;

TEST(StreamUtils, FileReadStreamTypedReadsAreLittleEndian) {
  const std::string Bytes = std::string("\xFE") + blocklayout::Int32Field(-2) +
                            blocklayout::Int64Field(static_cast<int64_t>(0x8000000000000001ull)) + "z" + "tail";
  TempFile F(Bytes);
  TFileReadStream S(F.Path());
  ASSERT_TRUE(S.IsOpen());
  EXPECT_EQ(S.ReadByte(), 0xFE);
  EXPECT_EQ(S.ReadInteger(), -2);
  EXPECT_EQ(S.ReadInt64(), static_cast<int64_t>(0x8000000000000001ull));
  EXPECT_EQ(S.ReadByte(), 'z');
  EXPECT_EQ(S.ReadInteger(), 0x6C696174);  // "tail"
  EXPECT_EQ(S.ReadInteger(), 0);           // past the end
  EXPECT_EQ(S.Seek(-4, TSeekOrigin::soEnd), static_cast<int64_t>(Bytes.size() - 4));
  EXPECT_EQ(S.Seek(2, TSeekOrigin::soCurrent), static_cast<int64_t>(Bytes.size() - 2));
  char Two[4] = {};
  EXPECT_EQ(S.Read(Two, 4), 2);
  EXPECT_EQ(std::string(Two, 2), "il");
}

TEST(StreamUtils, FileReadStreamUnopenedFileDeliversNothing) {
  TFileReadStream S("no such dir/no such file");
  EXPECT_FALSE(S.IsOpen());
  char B[4];
  EXPECT_EQ(S.Read(B, 4), 0);
  EXPECT_EQ(S.ReadInteger(), 0);
  EXPECT_EQ(S.Seek(0, TSeekOrigin::soEnd), -1);
}

// Positions beyond 4 GiB: a sparse file whose block ends it is read from its last bytes alone.
TEST(StreamUtils, FileReadStreamSeeksBeyondFourGiB) {
  TempFile F;
  const int64_t Start = (int64_t{1} << 32) + 12345;
  std::error_code Error;
  std::filesystem::resize_file(F.Path(), static_cast<uintmax_t>(Start), Error);
  if (Error) GTEST_SKIP() << "no sparse 4 GiB file here: " << Error.message();
  {
    std::ofstream Out(F.Path(), std::ios::binary | std::ios::app);
    const std::string Block = blockwriter::BuildBlock({{"GUID", "far away", true}}, blockwriter::kDefaultKey, Start);
    Out.write(Block.data(), static_cast<std::streamsize>(Block.size()));
  }
  TFileReadStream S(F.Path());
  const int64_t Size = S.Seek(0, TSeekOrigin::soEnd);
  EXPECT_GT(Size, Start);
  S.Seek(-4, TSeekOrigin::soEnd);
  char Sig[4] = {};
  S.Read(Sig, 4);
  EXPECT_EQ(std::string(Sig, 4), "PLWS");

  TItemTypes Items;
  ReadAppendedItems(F.Path(), Items);
  ASSERT_EQ(Items.size(), 1u);
  EXPECT_EQ(AppendedItemData(Items[0]), "far away");
}

// A whole file into memory: nothing and no error for a missing name or a folder; the bytes and the
// start position otherwise; written back whole.
TEST(StreamUtils, MemoryStreamLoadsAndSavesWholeFiles) {
  TempFile F("abc");
  TMemoryStream M;
  EXPECT_FALSE(M.LoadFromFile(F.Path() + ".missing"));
  EXPECT_FALSE(M.LoadFromFile(std::filesystem::temp_directory_path().string()));
  EXPECT_EQ(M.GetSize(), 0);
  ASSERT_TRUE(M.LoadFromFile(F.Path()));
  EXPECT_EQ(M.GetSize(), 3);
  EXPECT_EQ(M.GetPosition(), 0);
  M.Seek(0, TSeekOrigin::soEnd);
  M.Write("de", 2);
  TempFile Out;
  M.SaveToFile(Out.Path());
  EXPECT_EQ(Out.Read(), "abcde");
  EXPECT_THROW(M.SaveToFile(F.Path() + ".missing/x"), EWriteError);
  // The whole file as bytes: a missing one is an error there.
  EXPECT_EQ(LoadFileBytes(F.Path()), "abc");
  EXPECT_THROW(LoadFileBytes("no such dir/none.exe"), EFOpenError);
}

// Bytes given in memory replace the contents, read from their start.
TEST(StreamUtils, MemoryStreamLoadsFromBytes) {
  TMemoryStream M;
  M.Write("old contents", 12);
  ASSERT_TRUE(M.LoadFromBytes(std::string("PL\0WS", 5)));
  EXPECT_EQ(M.GetSize(), 5);
  EXPECT_EQ(M.GetPosition(), 0);
  EXPECT_EQ(M.Contents(), std::string("PL\0WS", 5));
  EXPECT_EQ(M.ReadInteger(), 0x57004C50);
  ASSERT_TRUE(M.LoadFromBytes(""));
  EXPECT_EQ(M.GetSize(), 0);
  EXPECT_EQ(M.ReadByte(), 0);
}

TEST(StreamUtils, MemoryStreamGrowsOnWriteAndReadsBack) {
  TMemoryStream M;
  EXPECT_EQ(M.Seek(4, TSeekOrigin::soBeginning), 4);
  EXPECT_EQ(M.Write("abcd", 4), 4);
  EXPECT_EQ(M.GetSize(), 8);
  char All[8] = {};
  M.Seek(0, TSeekOrigin::soBeginning);
  EXPECT_EQ(M.Read(All, 8), 8);
  EXPECT_EQ(std::string(All, 8), std::string(4, '\0') + "abcd");
  EXPECT_EQ(M.Seek(-1, TSeekOrigin::soBeginning), -1);
  M.Seek(-2, TSeekOrigin::soEnd);
  EXPECT_EQ(M.ReadByte(), 'c');
  M.SetSize(2);
  EXPECT_EQ(M.GetPosition(), 2);
  EXPECT_EQ(M.ReadByte(), 0);
}

}  // namespace
