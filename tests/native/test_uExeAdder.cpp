#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "appended/ZLibEx.h"
#include "appended/uExeAdder.h"
#include "appended/uPEUtils.h"
#include "support/BlockWriter.h"
#include "support/PEBuilder.h"
#include "support/TempFile.h"

namespace {

using blockwriter::BlockWriter;
using blockwriter::RawRecord;
using testsupport::TempFile;

std::string DataOf(const TItemType& Item) {
  return Item.Data ? std::string(static_cast<const char*>(Item.Data), Item.Size) : std::string();
}

// A file of other bytes (no PE image needed when the block ends the file) with the block appended.
std::string WithBlock(const BlockWriter& W, const std::string& Before = "some program bytes") {
  std::string File = Before;
  blockwriter::AppendBlock(File, W);
  return File;
}

TEST(ExeAdder, ReadsItemsOfABlockThatEndsTheFile) {
  const std::string Guid = "{6A1C2B3D-0000-4000-8000-00AABBCCDDEE}";
  BlockWriter W(0x1234A5);
  W.Add("GUID", Guid, true).Add("Readme", "plain bytes").Add("", "nameless").Add("GUID", "second");
  TempFile F(WithBlock(W));
  TItemTypes Items;
  ReadAppendedItems(F.Path(), Items);
  ASSERT_EQ(Items.size(), 4u);
  EXPECT_EQ(Items[0].Name, "GUID");
  EXPECT_EQ(DataOf(Items[0]), Guid);
  EXPECT_TRUE(Items[0].Compressed);
  EXPECT_EQ(Items[1].Name, "Readme");
  EXPECT_EQ(DataOf(Items[1]), "plain bytes");
  EXPECT_FALSE(Items[1].Compressed);
  EXPECT_EQ(Items[2].Name, "");
  EXPECT_EQ(DataOf(Items[2]), "nameless");
  EXPECT_EQ(DataOf(Items[3]), "second");  // duplicates stay, in file order
  EXPECT_EQ(DataOf(*FindAppendedItem(Items, "GUID")), Guid);
  EXPECT_EQ(FindAppendedItem(Items, "guid"), nullptr);
  FreeAppendedItems(Items);
  EXPECT_TRUE(Items.empty());
}

TEST(ExeAdder, OnlyTheKeysLowByteScramblesNames) {
  // Name bytes scrambled with 0x5A; a key that differs in its upper bytes unscrambles them alike.
  for (uint32_t Key : {0x0000005Au, 0xFFEEDD5Au}) {
    std::string File = "x";
    BlockWriter W(Key);
    W.AddRecord(RawRecord(4, blockwriter::Scramble("GUID", 0x5A), 0, 1, "!"));
    blockwriter::AppendBlock(File, W);
    TempFile F(File);
    TItemTypes Items;
    ReadAppendedItems(F.Path(), Items);
    ASSERT_EQ(Items.size(), 1u);
    EXPECT_EQ(Items[0].Name, "GUID") << std::hex << Key;
  }
}

// The 46-byte stream that inflates to 600 bytes (through output buffers of 256, 512 and 768).
std::string Stream46() {
  const char* Hex =
      "78daf3cef71e85a3900ce8e8e4ece2eae6eee1e9e5ede3ebe71f1018141c121a161e1119151d131b0700b78ed864";
  std::string S;
  for (const char* P = Hex; P[0] && P[1]; P += 2) S += static_cast<char>(std::stoi(std::string(P, 2), nullptr, 16));
  return S;
}

TEST(ExeAdder, DataAndSizeFollowTheStoredLength) {
  BlockWriter W;
  const uint8_t K = W.KeyByte();
  auto Name = [K](const char* N) { return blockwriter::Scramble(N, K); };
  W.AddRecord(RawRecord(1, Name("a"), 0, 0, ""))                       // stored, empty
      .AddRecord(RawRecord(1, Name("b"), 0, -7, ""))                   // stored, negative: no bytes
      .AddRecord(RawRecord(1, Name("c"), 1, 0, ""))                    // compressed, empty
      .AddRecord(RawRecord(1, Name("d"), 2, -3, ""))                   // compressed, negative
      .AddPacked("e", blockwriter::Compress(""))                       // inflates to nothing
      .AddPacked("f", Stream46())
      .AddRecord(RawRecord(0, "", 0, 3, "end"));                       // found right behind them
  TempFile F(WithBlock(W));
  TItemTypes Items;
  ReadAppendedItems(F.Path(), Items);
  ASSERT_EQ(Items.size(), 7u);
  struct Expect { const char* Name; int32_t Size; bool Compressed; } Expected[] = {
      {"a", 0, false}, {"b", -7, false}, {"c", 0, true}, {"d", 0, true}, {"e", 0, true}, {"f", 600, true}, {"", 3, false}};
  for (std::size_t i = 0; i < 7; ++i) {
    EXPECT_EQ(Items[i].Name, Expected[i].Name) << i;
    EXPECT_EQ(Items[i].Size, Expected[i].Size) << i;
    EXPECT_EQ(Items[i].Compressed, Expected[i].Compressed) << i;
    if (i < 5) {
      EXPECT_EQ(Items[i].Data, nullptr) << i;
    }
  }
  EXPECT_EQ(DataOf(Items[5]).substr(0, 6), "KoKoKo");
  EXPECT_EQ(DataOf(Items[6]), "end");
}

TEST(ExeAdder, EmptyListsWithoutAnException) {
  std::string CountZero = "x";
  blockwriter::AppendBlock(CountZero, BlockWriter());
  const std::string Image = pebuilder::SmallImage();  // ends where its last section does
  TempFile Block0(CountZero), NoBlock(Image);
  for (const std::string& Path : {Block0.Path(), NoBlock.Path(), std::string("no such dir/none.exe"),
                                   testsupport::TempFile().Path() + ".dir/"}) {
    TItemTypes Items;
    EXPECT_NO_THROW(ReadAppendedItems(Path, Items)) << Path;
    EXPECT_TRUE(Items.empty()) << Path;
  }
}

TEST(ExeAdder, FindsTheBlockBehindTheImageEnd) {
  BlockWriter W;
  W.Add("GUID", "mutex-name", true);
  const std::string Trailer = "other data after the block";
  // EndFromLength: EndOffset written as the file length plus this (the length itself, past it, or
  // 0); none: the true end of the block.
  const int64_t Length = static_cast<int64_t>(pebuilder::SmallImage().size() + W.Build(0).size() + Trailer.size());
  struct Case { const char* What; uint8_t Use; std::string Trailer; std::optional<int64_t> EndFromLength; std::size_t Count; } Cases[] = {
      {"UseEndOffset nonzero", 7, Trailer, {}, 1},
      {"one byte behind", 1, "z", {}, 1},
      {"UseEndOffset zero", 0, Trailer, {}, 0},
      {"EndOffset equal to the file length", 1, Trailer, 0, 0},
      {"EndOffset past the file", 1, Trailer, 100, 0},
      {"EndOffset 0", 1, Trailer, -Length, 0},
  };
  for (const auto& C : Cases) {
    std::string File = pebuilder::SmallImage();
    std::optional<int32_t> End;
    if (C.EndFromLength) End = static_cast<int32_t>(Length + *C.EndFromLength);
    blockwriter::AppendBlock(File, W, C.Use, C.Trailer, End);
    TempFile F(File);
    TItemTypes Items;
    EXPECT_NO_THROW(ReadAppendedItems(F.Path(), Items)) << C.What;
    ASSERT_EQ(Items.size(), C.Count) << C.What;
    if (C.Count) {
      EXPECT_EQ(DataOf(Items[0]), "mutex-name") << C.What;
    }
  }
}

TEST(ExeAdder, NoSignatureAndNoImageIsABadSignature) {
  for (const std::string& Contents : {std::string(), std::string("not a program at all"), std::string("PLW")}) {
    TempFile F(Contents);
    TItemTypes Items;
    try {
      ReadAppendedItems(F.Path(), Items);
      ADD_FAILURE() << "no exception for \"" << Contents << "\"";
    } catch (const EImageBlockException& E) {
      EXPECT_STREQ(E.what(), "Bad Signature");
    }
    EXPECT_TRUE(Items.empty());
  }
}

TEST(ExeAdder, NegativeCountIsARangeError) {
  BlockWriter W;
  W.Add("GUID", "x").SetCount(-1);
  TempFile F(WithBlock(W));
  TItemTypes Items;
  EXPECT_THROW(ReadAppendedItems(F.Path(), Items), ERangeError);
  EXPECT_TRUE(Items.empty());
}

std::string BadBlockOutcome(const BlockWriter& W, std::size_t* Size = nullptr) {
  TempFile F(WithBlock(W));
  TItemTypes Items;
  std::string Outcome = "no exception";
  try {
    ReadAppendedItems(F.Path(), Items);
  } catch (const EImageBlockException& E) {
    Outcome = E.what();
  }
  if (Size) *Size = Items.size();
  return Outcome;
}

TEST(ExeAdder, RefusesLengthsThatPointOutsideTheBlock) {
  const uint8_t K = 0x5A;
  const std::string N = blockwriter::Scramble("GUID", K);
  auto One = [](const std::string& Record) { return BlockWriter().AddRecord(Record); };
  struct Case { const char* What; BlockWriter W; } Cases[] = {
      {"BodyLength past the file start", BlockWriter().Add("GUID", "x").SetBodyLength(1 << 20)},
      {"BodyLength huge", BlockWriter().Add("GUID", "x").SetBodyLength(INT64_MAX)},
      {"BodyLength negative", BlockWriter().Add("GUID", "x").SetBodyLength(-20)},
      {"BodyLength below Key and Count", BlockWriter().SetBodyLength(7)},
      {"Count more than the body holds", BlockWriter().Add("GUID", "x").SetCount(2)},
      {"Count huge", BlockWriter().SetCount(0x7FFFFFFF)},
      {"NameLength negative", One(RawRecord(-4, N, 0, 1, "x"))},
      {"NameLength past the body", One(RawRecord(0x7FFFFFF0, N, 0, 1, "x"))},
      {"stored DataLength past the body", One(RawRecord(4, N, 0, 0x7FFFFFFF, "x"))},
      {"compressed DataLength past the body", One(RawRecord(4, N, 1, 1000, "x"))},
      {"record cut short", One(RawRecord(4, N, 0, 1, "x").substr(0, 10))},
  };
  for (const auto& C : Cases) EXPECT_EQ(BadBlockOutcome(C.W), "Bad Block") << C.What;
}

TEST(ExeAdder, FailingRecordLeavesEarlierOnesOwnedByTheList) {
  // The first item is complete and its data owned by the list; LeakSanitizer checks the release.
  BlockWriter Bad;
  Bad.Add("first", "kept data").AddRecord(RawRecord(-1, "", 0, 0, "")).Add("third", "x");
  std::size_t Size = 0;
  EXPECT_EQ(BadBlockOutcome(Bad, &Size), "Bad Block");
  EXPECT_EQ(Size, 3u);

  std::string Corrupt = blockwriter::Compress("corrupt me please, corrupt me please");
  Corrupt[Corrupt.size() - 1] ^= 1;
  BlockWriter W;
  W.Add("first", "kept data", true).AddPacked("second", Corrupt).Add("third", "x");
  TempFile F(WithBlock(W));
  TItemTypes Items;
  try {
    ReadAppendedItems(F.Path(), Items);
    ADD_FAILURE() << "no exception";
  } catch (const EZDecompressionError& E) {
    EXPECT_STREQ(E.what(), "data error");
  }
  ASSERT_EQ(Items.size(), 3u);
  EXPECT_EQ(DataOf(Items[0]), "kept data");
  for (std::size_t i : {1u, 2u}) {
    EXPECT_EQ(Items[i].Name, "") << i;
    EXPECT_EQ(Items[i].Data, nullptr) << i;
    EXPECT_EQ(Items[i].Size, 0) << i;
  }
}

TEST(ExeAdder, ReadingAgainReleasesWhatTheListHeld) {
  BlockWriter W;
  W.Add("a", std::string(1000, 'a')).Add("b", std::string(1000, 'b'), true);
  TempFile F(WithBlock(W));
  TItemTypes Items;
  ReadAppendedItems(F.Path(), Items);
  ReadAppendedItems(F.Path(), Items);
  EXPECT_EQ(Items.size(), 2u);
  TItemTypes Moved(std::move(Items));
  EXPECT_TRUE(Items.empty());
  EXPECT_EQ(DataOf(Moved[1]), std::string(1000, 'b'));
  FreeAppendedItems(Items);  // empty: nothing to do
  EXPECT_TRUE(Items.empty());
}

TEST(ExeAdder, XorString) {
  EXPECT_EQ(XorString("", 0x5A), "");
  const std::string S = "GUID\x95\x5C";
  const std::string X = XorString(S, 0xFF);
  EXPECT_EQ(S, "GUID\x95\x5C");
  EXPECT_EQ(X, std::string("\xB8\xAA\xB6\xBB\x6A\xA3"));
  EXPECT_EQ(XorString(X, 0xFF), S);
  EXPECT_EQ(XorString("abc", 0), "abc");
}

}  // namespace
