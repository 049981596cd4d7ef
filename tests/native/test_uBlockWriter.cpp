#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "appended/uBlockLayout.h"
#include "appended/uBlockWriter.h"
#include "appended/uExeAdder.h"
#include "appended/uStreamUtils.h"
#include "support/PEBuilder.h"
#include "support/TempFile.h"

namespace {

using blockwriter::BuildBlock;
using blockwriter::BuildBlockOfRecords;
using blockwriter::CheckItemSizes;
using blockwriter::CheckReadsBack;
using blockwriter::EBlockPresent;
using blockwriter::EBlockWriteError;
using blockwriter::BytesWithBlock;
using blockwriter::BytesWithoutBlock;
using blockwriter::TAddOptions;
using blockwriter::TBlockPlacement;
using blockwriter::TFileWithBlock;
using blockwriter::TNewItem;
using blockwriter::TNewItems;
using blockwriter::kDefaultKey;
using testsupport::TempFile;

std::string RandomBytes(std::mt19937& Random, std::size_t Length) {
  std::string S(Length, '\0');
  for (char& C : S) C = static_cast<char>(Random() & 0xFF);
  return S;
}

// Any bytes, of the lengths that matter: none, a few, many; repetitive data compresses, random
// data grows when compressed.
TNewItems RandomItems(std::mt19937& Random) {
  TNewItems Items(Random() % 7);
  for (TNewItem& Item : Items) {
    const unsigned NameKind = Random() % 4;
    Item.Name = NameKind == 0 ? std::string() : NameKind == 1 ? "GUID" : RandomBytes(Random, 1 + Random() % 40);
    switch (Random() % 4) {
      case 0:
        break;  // empty data
      case 1:
        Item.Data = RandomBytes(Random, 1 + Random() % 300);
        break;
      case 2:
        Item.Data = std::string(1 + Random() % 5000, static_cast<char>(Random() & 0xFF));
        break;
      default:
        for (unsigned i = Random() % 200; i > 0; --i) Item.Data += "{5A3C9E12-7B4D-4F0A}\r\n";
    }
    Item.Compressed = Random() % 2 == 0;
  }
  return Items;
}

std::string Describe(const TNewItems& Items) {
  std::string S;
  for (const TNewItem& I : Items)
    S += "[" + std::to_string(I.Name.size()) + "-byte name, " + std::to_string(I.Data.size()) + " bytes" +
         (I.Compressed ? ", compressed] " : "] ");
  return S;
}

void ExpectReadsAs(const std::string& Path, const TNewItems& Items, uint32_t Key, int64_t BlockStart) {
  TItemTypes Read;
  TBlockInfo Info;
  ReadAppendedItems(Path, Read, &Info);
  EXPECT_TRUE(Info.Place.Found);
  EXPECT_EQ(Info.Place.Start, BlockStart);
  EXPECT_EQ(Info.Key, Key);
  ASSERT_EQ(Read.size(), Items.size());
  for (std::size_t i = 0; i < Items.size(); ++i) {
    EXPECT_EQ(Read[i].Name, Items[i].Name) << "item " << i;
    EXPECT_TRUE(AppendedItemData(Read[i]) == Items[i].Data) << "item " << i;
    EXPECT_EQ(Read[i].Compressed, Items[i].Compressed) << "item " << i;
    EXPECT_EQ(Read[i].Size, static_cast<int32_t>(Items[i].Data.size())) << "item " << i;
  }
  EXPECT_NO_THROW(CheckReadsBack(Path, Items, BlockStart));
}

// Written by the writer and read by the reader, any item list comes back as it was, at the end
// of any file and behind a PE image with other data after it; stripping gives the file back.
TEST(BlockWriter, RandomItemListsReadBackAsWritten) {
  std::mt19937 Random(20240611);
  const std::string Image = pebuilder::SmallImage();
  for (int Round = 0; Round < 160; ++Round) {
    const TNewItems Items = RandomItems(Random);
    TAddOptions Options;
    Options.Key = static_cast<uint32_t>(Random());
    const bool Behind = Round % 2 == 1;
    std::string In;
    if (Behind) {
      // Whatever the image already has behind it (a symbol table, say) stays behind the block.
      In = Image + (Round % 4 == 1 ? RandomBytes(Random, Random() % 100) : std::string());
      Options.Placement = TBlockPlacement::BehindImage;
      Options.Trailer = RandomBytes(Random, Random() % 64);
    } else {
      In = Round % 4 == 0 ? Image : RandomBytes(Random, Random() % 2000);
    }
    SCOPED_TRACE("round " + std::to_string(Round) + ": " + Describe(Items) + (Behind ? "behind the image" : "at the end"));
    const TFileWithBlock Written = BytesWithBlock(In, Items, Options);
    EXPECT_EQ(Written.BlockStart, Behind ? static_cast<int64_t>(Image.size()) : static_cast<int64_t>(In.size()));
    EXPECT_EQ(Written.Bytes.substr(0, static_cast<std::size_t>(Written.BlockStart)), In.substr(0, Written.BlockStart));
    TempFile OutFile(Written.Bytes);
    ExpectReadsAs(OutFile.Path(), Items, Options.Key, Written.BlockStart);
    EXPECT_TRUE(BytesWithoutBlock(Written.Bytes) == In + Options.Trailer);
  }
}

// The sizes of the format's own example: one item with a 4-byte name and a 46-byte zlib stream.
TEST(BlockWriter, BlockSizesAndEndOffset) {
  const std::string Stream(46, 'z');
  const std::string Block = BuildBlockOfRecords(
      {blocklayout::EncodeRecord(4, XorString("GUID", 0x5A), 1, 46, Stream)}, 0x5A, 1000);
  ASSERT_EQ(Block.size(), 84u);
  EXPECT_EQ(Block.substr(0, 5), blocklayout::Int32Field(1084) + std::string(1, '\x01'));
  EXPECT_EQ(Block.substr(84 - 12), blocklayout::Int64Field(67) + "PLWS");
  EXPECT_EQ(Block.substr(5, 8), blocklayout::Int32Field(0x5A) + blocklayout::Int32Field(1));

  // An end beyond EndOffset's 32 bits: the field is unused at the end of a file, and a block
  // behind an image, which needs it, is refused.
  const int64_t Far = INT32_MAX - 20;  // the 39-byte block would end past INT32_MAX
  const std::string Unused = BuildBlock({{"GUID", "x", false}}, 0x5A, Far);
  EXPECT_EQ(Unused.substr(0, 5), std::string(5, '\0'));
  EXPECT_NO_THROW(BuildBlock({{"GUID", "x", false}}, 0x5A, Far - 100, true));
  EXPECT_THROW(BuildBlock({{"GUID", "x", false}}, 0x5A, Far, true), EBlockWriteError);
}

TEST(BlockWriter, RefusesSizesPastTheRecordsFields) {
  const uint64_t Max = INT32_MAX;
  EXPECT_NO_THROW(CheckItemSizes(Max, Max, Max));
  struct Case { uint64_t Name, Data, Stored; const char* Says; } Cases[] = {
      {Max + 1, 0, 0, "name"}, {0, Max + 1, 0, "its data"}, {0, 0, Max + 1, "stored data"}, {0, uint64_t{1} << 40, 0, "its data"}};
  for (const Case& C : Cases) {
    try {
      CheckItemSizes(C.Name, C.Data, C.Stored);
      ADD_FAILURE() << C.Says;
    } catch (const EBlockWriteError& E) {
      EXPECT_NE(std::string(E.what()).find(C.Says), std::string::npos) << E.what();
    }
  }
}

std::string Refusal(const std::string& Contents, const TAddOptions& Options) {
  try {
    BytesWithBlock(Contents, {{"GUID", "mutex", true}}, Options);
  } catch (const EBlockWriteError& E) {
    return E.what();
  }
  return "written";
}

TEST(BlockWriter, RefusesWhatTheReaderCouldNotReadBack) {
  TAddOptions AtEnd, Behind;
  Behind.Placement = TBlockPlacement::BehindImage;
  TAddOptions PlwsTrailer = Behind;
  PlwsTrailer.Trailer = "signature data PLWS";

  pebuilder::PEBuilder LastNotFurthest;  // the last table entry's raw data ends first
  LastNotFurthest.Sections = {{0x400, 0x200}, {0x200, 0x200}};
  pebuilder::PEBuilder BssLast;  // the last entry has no raw data: the reader would go to offset 0
  BssLast.Sections = {{0x200, 0x200}, {0, 0}};
  pebuilder::PEBuilder Cut;  // the last section runs past the end of the file
  Cut.Sections = {{0x200, 0x200}, {0x400, 0x200}};
  Cut.FileLength = 0x500;
  pebuilder::PEBuilder NoSections;

  const std::string Image = pebuilder::SmallImage();
  const std::string Damaged = "bytes" + blocklayout::Int64Field(-3) + "PLWS";
  struct Case { const char* What; std::string File; TAddOptions Options; const char* Says; } Cases[] = {
      {"not a PE image", "plain bytes", Behind, "is not a PE image (Bad Signature)"},
      {"no sections", NoSections.Build(), Behind, "is not a PE image with sections"},
      {"last entry not the furthest", LastNotFurthest.Build(), Behind, "past the end of the last section-table entry"},
      {"last entry inside the headers", BssLast.Build(), Behind, "inside the headers"},
      {"image cut short", Cut.Build(), Behind, "past the end of the file"},
      // The image model would read its sections 16 bytes early.
      {"a 64-bit image", pebuilder::SignableImage(/*Pe32Plus=*/true), Behind, "is a 64-bit image (PE32+)"},
      {"trailer ending in the signature", Image, PlwsTrailer, "\"PLWS\""},
      {"damaged block at the end", Damaged, AtEnd, "damaged block (Bad Block)"},
  };
  for (const Case& C : Cases) {
    const std::string Outcome = Refusal(C.File, C.Options);
    EXPECT_NE(Outcome.find(C.Says), std::string::npos) << C.What << ": " << Outcome;
  }
  EXPECT_EQ(Refusal(Image, Behind), "written");
}

TEST(BlockWriter, ASecondBlockOnlyReplacingTheFirst) {
  const std::string Image = pebuilder::SmallImage();
  TAddOptions Behind;
  Behind.Placement = TBlockPlacement::BehindImage;
  Behind.Trailer = "signed";
  const std::string Once = BytesWithBlock(Image, {{"GUID", "first", true}}, Behind).Bytes;

  for (TBlockPlacement Placement : {TBlockPlacement::AtEnd, TBlockPlacement::BehindImage}) {
    TAddOptions Again;
    Again.Placement = Placement;
    try {
      BytesWithBlock(Once, {{"GUID", "second", true}}, Again);
      ADD_FAILURE() << "a second block was written";
    } catch (const EBlockPresent& E) {
      EXPECT_EQ(E.Place.Start, static_cast<int64_t>(Image.size()));
    }
    Again.Replace = true;
    const TFileWithBlock Replaced = BytesWithBlock(Once, {{"GUID", "second", false}}, Again);
    TempFile Out(Replaced.Bytes);
    ExpectReadsAs(Out.Path(), {{"GUID", "second", false}}, kDefaultKey, Replaced.BlockStart);
    // The old block is gone; the other data behind it stays.
    EXPECT_TRUE(BytesWithoutBlock(Replaced.Bytes) == Image + "signed");
  }
}

TEST(BlockWriter, StripRefusesAFileWithoutABlock) {
  for (const std::string& Contents : {pebuilder::SmallImage(), std::string("not a program")}) {
    try {
      BytesWithoutBlock(Contents);
      ADD_FAILURE() << "stripped";
    } catch (const EBlockWriteError& E) {
      EXPECT_STREQ(E.what(), "carries no block");
    }
  }
}

TEST(BlockWriter, ReadBackCheckSeesAnyDifference) {
  const TNewItems Items = {{"GUID", "mutex", false}, {"Readme", "text", true}};
  const TFileWithBlock Written = BytesWithBlock("program", Items);
  TempFile F(Written.Bytes);
  EXPECT_NO_THROW(CheckReadsBack(F.Path(), Items, Written.BlockStart));

  std::string Edited = Written.Bytes;
  Edited[Edited.find("mutex")] = 'M';
  F.Write(Edited);
  EXPECT_THROW(CheckReadsBack(F.Path(), Items, Written.BlockStart), EBlockWriteError);
  F.Write(Written.Bytes);
  EXPECT_THROW(CheckReadsBack(F.Path(), Items, Written.BlockStart + 1), EBlockWriteError);
  EXPECT_THROW(CheckReadsBack(F.Path(), {Items[0]}, Written.BlockStart), EBlockWriteError);
  F.Write("program");
  EXPECT_THROW(CheckReadsBack(F.Path(), Items, Written.BlockStart), EBlockWriteError);
}

}  // namespace
