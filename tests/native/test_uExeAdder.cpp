#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "appended/ZLibEx.h"
#include "appended/uExeAdder.h"
#include "appended/uPEUtils.h"
#include "appended/uBlockLayout.h"
#include "appended/uBlockWriter.h"
#include "support/MemoryStreamOf.h"
#include "support/PEBuilder.h"
#include "support/TempFile.h"
#include "support/ZlibSample.h"

namespace {

using blocklayout::EncodeRecord;
using testsupport::Stream46;
using testsupport::TempFile;
using TRecords = std::vector<std::string>;

// A record as the writer makes it.
std::string Rec(const std::string& Name, const std::string& Data, bool Compressed = false, uint8_t Key = blockwriter::kDefaultKey) {
  return blockwriter::ItemRecord({Name, Data, Compressed}, Key);
}
// A compressed record whose stored bytes are given as they are.
std::string PackedRec(const std::string& Name, const std::string& Stream, uint8_t Key = blockwriter::kDefaultKey) {
  return EncodeRecord(static_cast<int32_t>(Name.size()), XorString(Name, Key), 1, static_cast<int32_t>(Stream.size()),
                      Stream);
}

const std::string kBefore = "some program bytes";

// Other bytes (no PE image needed when the block ends the file), then a block of Records.
std::string WithBlock(const TRecords& Records, uint32_t Key = blockwriter::kDefaultKey, const std::string& Before = kBefore) {
  return Before + blockwriter::BuildBlockOfRecords(Records, Key, static_cast<int64_t>(Before.size()));
}

// File with the field at Offset overwritten: the odd blocks begin as good ones.
std::string Patched(std::string File, int64_t Offset, const std::string& Field) {
  return File.replace(static_cast<std::size_t>(Offset), Field.size(), Field);
}
std::string WithCount(const std::string& File, int32_t Count) {
  // Count follows EndOffset, UseEndOffset and Key.
  return Patched(File, static_cast<int64_t>(kBefore.size()) + blocklayout::kHeadSize + 4, blocklayout::Int32Field(Count));
}
std::string WithBodyLength(const std::string& File, int64_t BodyLength) {
  return Patched(File, static_cast<int64_t>(File.size()) - blocklayout::kTrailerSize, blocklayout::Int64Field(BodyLength));
}

TEST(ExeAdder, ReadsItemsOfABlockThatEndsTheFile) {
  const std::string Guid = "{6A1C2B3D-0000-4000-8000-00AABBCCDDEE}";
  TempFile F(WithBlock({Rec("GUID", Guid, true, 0xA5), Rec("Readme", "plain bytes", false, 0xA5),
                        Rec("", "nameless", false, 0xA5), Rec("GUID", "second", false, 0xA5)},
                       0x1234A5));
  TItemTypes Items;
  ReadAppendedItems(F.Path(), Items);
  ASSERT_EQ(Items.size(), 4u);
  EXPECT_EQ(Items[0].Name, "GUID");
  EXPECT_EQ(AppendedItemData(Items[0]), Guid);
  EXPECT_TRUE(Items[0].Compressed);
  EXPECT_EQ(Items[1].Name, "Readme");
  EXPECT_EQ(AppendedItemData(Items[1]), "plain bytes");
  EXPECT_FALSE(Items[1].Compressed);
  EXPECT_EQ(Items[2].Name, "");
  EXPECT_EQ(AppendedItemData(Items[2]), "nameless");
  EXPECT_EQ(AppendedItemData(Items[3]), "second");  // duplicates stay, in file order
  EXPECT_EQ(AppendedItemData(*FindAppendedItem(Items, "GUID")), Guid);
  EXPECT_EQ(FindAppendedItem(Items, "guid"), nullptr);
  FreeAppendedItems(Items);
  EXPECT_TRUE(Items.empty());
}

TEST(ExeAdder, OnlyTheKeysLowByteScramblesNames) {
  // Name bytes scrambled with 0x5A; a key that differs in its upper bytes unscrambles them alike.
  for (uint32_t Key : {0x0000005Au, 0xFFEEDD5Au}) {
    TempFile F(WithBlock({Rec("GUID", "!", false, 0x5A)}, Key));
    TItemTypes Items;
    ReadAppendedItems(F.Path(), Items);
    ASSERT_EQ(Items.size(), 1u);
    EXPECT_EQ(Items[0].Name, "GUID") << std::hex << Key;
  }
}

TEST(ExeAdder, DataAndSizeFollowTheStoredLength) {
  auto Name = [](const char* N) { return XorString(N, blockwriter::kDefaultKey); };
  TempFile F(WithBlock({EncodeRecord(1, Name("a"), 0, 0, ""),   // stored, empty
                        EncodeRecord(1, Name("b"), 0, -7, ""),  // stored, negative: no bytes
                        EncodeRecord(1, Name("c"), 1, 0, ""),   // compressed, empty
                        EncodeRecord(1, Name("d"), 2, -3, ""),  // compressed, negative
                        Rec("e", "", true),                     // inflates to nothing
                        PackedRec("f", Stream46()),
                        EncodeRecord(0, "", 0, 3, "end")}));    // found right behind them
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
  EXPECT_EQ(AppendedItemData(Items[5]).substr(0, 6), "KoKoKo");
  EXPECT_EQ(AppendedItemData(Items[6]), "end");
}

TEST(ExeAdder, EmptyListsWithoutAnException) {
  const std::string CountZero = WithBlock({});
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
  const std::string Image = pebuilder::SmallImage();
  const std::string Block = blockwriter::BuildBlock({{"GUID", "mutex-name", true}}, blockwriter::kDefaultKey, static_cast<int64_t>(Image.size()));
  const std::string Trailer = "other data after the block";
  // EndFromLength: EndOffset written as the file length plus this (the length itself, past it, or
  // 0); none: the true end of the block.
  const int64_t Length = static_cast<int64_t>(Image.size() + Block.size() + Trailer.size());
  struct Case { const char* What; uint8_t Use; std::string Trailer; std::optional<int64_t> EndFromLength; std::size_t Count; } Cases[] = {
      {"UseEndOffset nonzero", 7, Trailer, {}, 1},
      {"one byte behind", 1, "z", {}, 1},
      {"UseEndOffset zero", 0, Trailer, {}, 0},
      {"EndOffset equal to the file length", 1, Trailer, 0, 0},
      {"EndOffset past the file", 1, Trailer, 100, 0},
      {"EndOffset 0", 1, Trailer, -Length, 0},
  };
  for (const auto& C : Cases) {
    // The writer's block with UseEndOffset, and EndOffset where the case says.
    std::string File = Patched(Image + Block + C.Trailer, static_cast<int64_t>(Image.size()) + 4, std::string(1, static_cast<char>(C.Use)));
    if (C.EndFromLength)
      File = Patched(File, static_cast<int64_t>(Image.size()),
                     blocklayout::Int32Field(static_cast<int32_t>(Length + *C.EndFromLength)));
    TempFile F(File);
    TItemTypes Items;
    EXPECT_NO_THROW(ReadAppendedItems(F.Path(), Items)) << C.What;
    ASSERT_EQ(Items.size(), C.Count) << C.What;
    if (C.Count) {
      EXPECT_EQ(AppendedItemData(Items[0]), "mutex-name") << C.What;
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
  TempFile F(WithCount(WithBlock({Rec("GUID", "x")}), -1));
  TItemTypes Items;
  EXPECT_THROW(ReadAppendedItems(F.Path(), Items), ERangeError);
  EXPECT_TRUE(Items.empty());
}

std::string BadBlockOutcome(const std::string& File, std::size_t* Size = nullptr) {
  TempFile F(File);
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
  const std::string N = XorString("GUID", blockwriter::kDefaultKey);
  const std::string Guid = WithBlock({Rec("GUID", "x")});
  struct Case { const char* What; std::string File; } Cases[] = {
      {"BodyLength past the file start", WithBodyLength(Guid, 1 << 20)},
      {"BodyLength huge", WithBodyLength(Guid, INT64_MAX)},
      {"BodyLength negative", WithBodyLength(Guid, -20)},
      {"BodyLength below Key and Count", WithBodyLength(WithBlock({}), 7)},
      {"Count more than the body holds", WithCount(Guid, 2)},
      {"Count huge", WithCount(WithBlock({}), 0x7FFFFFFF)},
      {"NameLength negative", WithBlock({EncodeRecord(-4, N, 0, 1, "x")})},
      {"NameLength past the body", WithBlock({EncodeRecord(0x7FFFFFF0, N, 0, 1, "x")})},
      {"stored DataLength past the body", WithBlock({EncodeRecord(4, N, 0, 0x7FFFFFFF, "x")})},
      {"compressed DataLength past the body", WithBlock({EncodeRecord(4, N, 1, 1000, "x")})},
      {"record cut short", WithBlock({EncodeRecord(4, N, 0, 1, "x").substr(0, 10)})},
  };
  for (const auto& C : Cases) EXPECT_EQ(BadBlockOutcome(C.File), "Bad Block") << C.What;
}

TEST(ExeAdder, FailingRecordLeavesEarlierOnesOwnedByTheList) {
  // The first item is complete and its data owned by the list; LeakSanitizer checks the release.
  std::size_t Size = 0;
  EXPECT_EQ(BadBlockOutcome(WithBlock({Rec("first", "kept data"), EncodeRecord(-1, "", 0, 0, ""), Rec("third", "x")}), &Size),
            "Bad Block");
  EXPECT_EQ(Size, 3u);

  std::string Corrupt = blockwriter::CompressItemData("corrupt me please, corrupt me please");
  Corrupt[Corrupt.size() - 1] ^= 1;
  TempFile F(WithBlock({Rec("first", "kept data", true), PackedRec("second", Corrupt), Rec("third", "x")}));
  TItemTypes Items;
  try {
    ReadAppendedItems(F.Path(), Items);
    ADD_FAILURE() << "no exception";
  } catch (const EZDecompressionError& E) {
    EXPECT_STREQ(E.what(), "data error");
  }
  ASSERT_EQ(Items.size(), 3u);
  EXPECT_EQ(AppendedItemData(Items[0]), "kept data");
  for (std::size_t i : {1u, 2u}) {
    EXPECT_EQ(Items[i].Name, "") << i;
    EXPECT_EQ(Items[i].Data, nullptr) << i;
    EXPECT_EQ(Items[i].Size, 0) << i;
  }
}

TEST(ExeAdder, ReadingAgainReleasesWhatTheListHeld) {
  TempFile F(WithBlock({Rec("a", std::string(1000, 'a')), Rec("b", std::string(1000, 'b'), true)}));
  TItemTypes Items;
  ReadAppendedItems(F.Path(), Items);
  ReadAppendedItems(F.Path(), Items);
  EXPECT_EQ(Items.size(), 2u);
  TItemTypes Moved(std::move(Items));
  EXPECT_TRUE(Items.empty());
  EXPECT_EQ(AppendedItemData(Moved[1]), std::string(1000, 'b'));
  FreeAppendedItems(Items);  // empty: nothing to do
  EXPECT_TRUE(Items.empty());
}

// What a read gives: the exception's text, then each item's name, size and data.
template <typename TRead>
std::string OutcomeOf(TRead Read) {
  TItemTypes Items;
  std::string Outcome;
  try {
    Read(Items);
    Outcome = "no exception";
  } catch (const std::exception& E) {
    Outcome = E.what();
  }
  for (const TItemType& Item : Items)
    Outcome += "|" + Item.Name + ":" + std::to_string(Item.Size) + ":" + AppendedItemData(Item);
  return Outcome;
}

TEST(ExeAdder, AStreamOfTheFilesBytesReadsAsTheFile) {
  std::string Corrupt = blockwriter::CompressItemData("corrupt me please, corrupt me please");
  Corrupt[Corrupt.size() - 1] ^= 1;
  const std::string Image = pebuilder::SmallImage();
  const std::string Behind =
      Image + blockwriter::BuildBlock({{"GUID", "mutex-name", true}}, blockwriter::kDefaultKey, static_cast<int64_t>(Image.size())) + "trailer";
  const std::string Unused = Patched(Behind, static_cast<int64_t>(Image.size()) + 4, blocklayout::ByteField(0));
  const std::string Good = WithBlock({Rec("GUID", "{6A1C}", true, 0xA5), Rec("Readme", "plain", false, 0xA5),
                                      Rec("", "", false, 0xA5)},
                                     0xA5);
  const std::string Files[] = {
      Good,
      Behind,
      Unused,
      Image,
      "not a program at all",
      "",
      WithCount(WithBlock({Rec("GUID", "x")}), -1),
      WithBodyLength(WithBlock({Rec("GUID", "x")}), 1 << 20),
      WithBlock({Rec("first", "kept", true), PackedRec("second", Corrupt)}),
      WithBlock({Rec("zeros", std::string(1 << 20, '\0'), true)}),
  };
  for (const std::string& File : Files) {
    TempFile F(File);
    TMemoryStream Stream = testsupport::MemoryStreamOf(File);
    const std::string FromFile = OutcomeOf([&](TItemTypes& Items) { ReadAppendedItems(F.Path(), Items); });
    const std::string FromStream = OutcomeOf([&](TItemTypes& Items) { ReadAppendedItems(Stream, Items); });
    EXPECT_TRUE(FromFile == FromStream) << FromFile.substr(0, 80) << " / " << FromStream.substr(0, 80);
  }
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

// An item's data as bytes, whatever its record held: none for null Data, and none for a stored
// item whose negative DataLength stayed in Size.
TEST(ExeAdder, AppendedItemDataIsTheBytesAtData) {
  const std::string file = WithBlock({EncodeRecord(4, XorString("GUID", 0x5A), 0, 5, std::string("a\0b\xFF\x5C", 5)),
                                      EncodeRecord(5, XorString("Empty", 0x5A), 0, 0, ""),
                                      EncodeRecord(8, XorString("Negative", 0x5A), 0, -3, "")});
  TempFile f(file);
  TItemTypes items;
  ReadAppendedItems(f.Path(), items);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(AppendedItemData(items[0]), std::string("a\0b\xFF\x5C", 5));
  EXPECT_EQ(AppendedItemData(items[1]), "");
  EXPECT_EQ(items[2].Size, -3);
  EXPECT_EQ(AppendedItemData(items[2]), "");
  ASSERT_EQ(FindAppendedItem(items, "GUID"), &items[0]);
  EXPECT_EQ(FindAppendedItem(items, "guid"), nullptr);
}

}  // namespace
