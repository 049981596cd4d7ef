#include <gtest/gtest.h>

#include <string>

#include "appended/uPEUtils.h"
#include "support/MemoryStreamOf.h"
#include "support/PEBuilder.h"
#include "support/TempFile.h"

namespace {

using pebuilder::PEBuilder;
using testsupport::TempFile;

std::string BlockText(const TImageBlock& B) { return std::string(B.Memory().begin(), B.Memory().end()); }

std::string ErrorOf(const std::string& Contents) {
  TempFile F(Contents);
  try {
    TPEImage Image(F.Path());
  } catch (const EImageBlockException& E) {
    return E.what();
  }
  return "loaded";
}

TEST(PEUtils, CutsTheFileIntoBlocks) {
  // Eight sections behind a section table at 0x1F8..0x338; the first raw data at 0x400.
  PEBuilder B;
  B.LfaNew = 0x100;
  for (uint32_t i = 0; i < 8; ++i) B.Sections.push_back({0x400 + 0x100 * i, 0x100});
  const std::string File = B.Build();
  TempFile F(File);
  TPEImage Image(F.Path());

  EXPECT_EQ(Image.FileName, F.Path());
  EXPECT_EQ(Image.FileSize, 0xC00);
  ASSERT_TRUE(Image.DOSHeader && Image.NTHeaders && Image.HeaderData);
  EXPECT_EQ(BlockText(*Image.DOSHeader), File.substr(0, 0x100));
  EXPECT_EQ(Image.DOSHeader->Header()->e_lfanew, 0x100);
  EXPECT_EQ(BlockText(*Image.NTHeaders), File.substr(0x100, 248));
  EXPECT_EQ(Image.NTHeaders->ImageSize, 0x10000u);
  ASSERT_EQ(Image.Sections.size(), 8u);
  for (uint32_t i = 0; i < 8; ++i) {
    const TSectionHeader& S = *Image.Sections[i];
    EXPECT_EQ(BlockText(S), File.substr(0x1F8 + 40 * i, 40));
    ASSERT_NE(S.SectionData(), nullptr);
    EXPECT_EQ(S.SectionData()->SectionHeader(), &S);
    EXPECT_EQ(S.SectionData()->Offset(), static_cast<int32_t>(0x400 + 0x100 * i));
    EXPECT_EQ(BlockText(*S.SectionData()), File.substr(0x400 + 0x100 * i, 0x100));
    EXPECT_EQ(S.SectionData()->InitialSize(), 0x100);
    EXPECT_EQ(S.SectionData()->ReadSize(), 0x100);
  }
  EXPECT_EQ(Image.HeaderData->Offset(), 0x338);
  EXPECT_EQ(Image.HeaderData->BlockSize(), 200);
  EXPECT_EQ(BlockText(*Image.HeaderData), File.substr(0x338, 200));
  EXPECT_EQ(Image.GetImageEnd(), 0xC00);
}

TEST(PEUtils, ImageEndComesFromTheLastTableEntry) {
  PEBuilder B;
  B.Sections = {{0x200, 0x800}, {0x200, 0x100}};  // the first one ends further
  TempFile F(B.Build());
  EXPECT_EQ(TPEImage(F.Path()).GetImageEnd(), 0x300);
}

TEST(PEUtils, MissingFileGivesAnEmptyModel) {
  TPEImage Image("no such directory/no such file.exe");
  EXPECT_EQ(Image.DOSHeader, nullptr);
  EXPECT_EQ(Image.NTHeaders, nullptr);
  EXPECT_EQ(Image.HeaderData, nullptr);
  EXPECT_TRUE(Image.Sections.empty());
  EXPECT_EQ(Image.GetImageEnd(), 0);
}

TEST(PEUtils, EmptySectionHasNoData) {
  PEBuilder B;
  B.Sections = {{0x200, 0x100}, {0x300, 0}};
  TempFile F(B.Build());
  TPEImage Image(F.Path());
  const TSectionData* D = Image.Sections[1]->SectionData();
  EXPECT_EQ(D->BlockSize(), 0);
  EXPECT_EQ(D->Bytes(), nullptr);
  EXPECT_EQ(Image.GetImageEnd(), 0x300);
}

TEST(PEUtils, BlocksPastTheEndArePaddedWithZeros) {
  PEBuilder B;
  B.Sections = {{0x200, 0x300}};
  B.FileLength = 0x280;
  const std::string File = B.Build();
  TempFile F(File);
  TPEImage Image(F.Path());
  const TSectionData& D = *Image.Sections[0]->SectionData();
  EXPECT_EQ(D.BlockSize(), 0x300);
  EXPECT_EQ(BlockText(D), File.substr(0x200) + std::string(0x280, '\0'));
  EXPECT_EQ(Image.FileSize, 0x280);
  EXPECT_EQ(Image.GetImageEnd(), 0x500);
}

TEST(PEUtils, ShortFileIsReadWithZeroPadding) {
  // 200 bytes: the 256-byte first read of the DOS block and the NT headers run past the end.
  PEBuilder B;
  B.LfaNew = 0x40;
  B.FileLength = 200;
  const std::string File = B.Build();
  TempFile F(File);
  TPEImage Image(F.Path());
  EXPECT_EQ(Image.DOSHeader->BlockSize(), 0x40);
  EXPECT_EQ(BlockText(*Image.NTHeaders), File.substr(0x40) + std::string(248 - (200 - 0x40), '\0'));
  EXPECT_TRUE(Image.Sections.empty());
  EXPECT_EQ(Image.GetImageEnd(), 0);
}

TEST(PEUtils, NoHeaderBytesWhenNoneCanLieBetweenTableAndData) {
  PEBuilder NoSections;
  PEBuilder InsideTable;  // an uninitialised-data section has PointerToRawData 0
  InsideTable.Sections = {{0x400, 0x200}, {0, 0}};
  PEBuilder AtTableEnd;
  AtTableEnd.Sections = {{0x80 + 248 + 40, 0x10}};
  for (const PEBuilder* B : {&NoSections, &InsideTable, &AtTableEnd}) {
    TempFile F(B->Build());
    TPEImage Image(F.Path());
    ASSERT_NE(Image.HeaderData, nullptr);
    EXPECT_EQ(Image.HeaderData->BlockSize(), 0);
    EXPECT_EQ(Image.HeaderData->Bytes(), nullptr);
  }
}

TEST(PEUtils, RefusesBadSignaturesAndUnlocatableHeaders) {
  auto With = [](auto Change) {
    PEBuilder B;
    B.Sections = {{0x200, 0x100}};
    Change(B);
    return B.Build();
  };
  auto Lfa = [&](uint32_t LfaNew) {
    std::string File = With([](PEBuilder&) {});
    return File.replace(60, 4, pebuilder::Le32(LfaNew));
  };
  struct Case { const char* What; std::string File; } Cases[] = {
      {"no MZ", With([](PEBuilder& B) { B.BadMZ = true; })},
      {"no PE", With([](PEBuilder& B) { B.BadPE = true; })},
      {"e_lfanew 0", Lfa(0)},
      {"e_lfanew inside the DOS header", Lfa(8)},
      {"e_lfanew past the file", Lfa(0x10000)},
      {"e_lfanew negative", Lfa(0x80000000u)},
      {"empty file", ""},
      {"MZ only", "MZ"},
  };
  for (const auto& C : Cases) EXPECT_EQ(ErrorOf(C.File), "Bad Signature") << C.What;
}

TEST(PEUtils, RefusesBlocksNoFileOfItsSizeCouldNeed) {
  auto With = [](std::vector<pebuilder::Section> Sections) {
    PEBuilder B;
    B.Sections = std::move(Sections);
    B.FileLength = 0x1000;
    return B.Build();
  };
  std::vector<pebuilder::Section> Repeated(200, pebuilder::Section{0x200, 0xE00});
  PEBuilder ManyEntries;  // a section table far past the end of a small file
  ManyEntries.Sections.assign(0xFFFF, pebuilder::Section{0, 0});
  std::string Table = ManyEntries.Build().substr(0, 0x400);
  struct Case { const char* What; std::string File; } Cases[] = {
      {"2 GiB section", With({{0x200, 0x7FFFFFFF}})},
      {"negative section size", With({{0x200, 0x80000000u}})},
      {"section far past the end", With({{0x7FFF0000, 0x100}})},
      {"header bytes up to a far section", With({{0x7FFF0000, 0}})},
      {"the same data many times", With(Repeated)},
      {"65535 entries in a 1 KiB file", Table},
  };
  for (const auto& C : Cases) EXPECT_EQ(ErrorOf(C.File), "Bad Block Size") << C.What;
}

TEST(PEUtils, ZeroPaddingOfAShortFileIsBounded) {
  // A 512-byte file whose section table runs past its end: a few entries read as zeros, a
  // table that needs far more than the file is refused before it is read.
  auto ShortFile = [](std::size_t Count) {
    PEBuilder B;
    B.Sections.assign(Count, pebuilder::Section{0, 0});
    return B.Build().substr(0, 0x200);
  };
  TempFile F(ShortFile(20));
  TPEImage Image(F.Path());
  EXPECT_EQ(Image.Sections.size(), 20u);
  EXPECT_EQ(Image.GetImageEnd(), 0);
  EXPECT_EQ(ErrorOf(ShortFile(200)), "Bad Block Size");
}

TEST(PEUtils, SavesTheFileItWasBuiltFrom) {
  PEBuilder B;
  B.Sections = {{0x200, 0x100}, {0x300, 0x180}};
  const std::string File = B.Build();
  TempFile Source(File), Copy;
  TPEImage Image(Source.Path());
  Image.SaveToFile(Copy.Path());
  EXPECT_TRUE(Copy.Read() == File);
  EXPECT_EQ(Image.FileSize, static_cast<int32_t>(File.size()));

  Source.Write("");
  Image.Save();
  EXPECT_TRUE(Source.Read() == File);
}

TEST(PEUtils, LoadsFromAndSavesToAStream) {
  PEBuilder B;
  B.Sections = {{0x200, 0x100}, {0x300, 0x180}};
  const std::string File = B.Build();
  TMemoryStream Source = testsupport::MemoryStreamOf(File);
  TPEImage Image(Source);
  EXPECT_EQ(Image.FileName, "");
  EXPECT_EQ(Image.FileSize, static_cast<int32_t>(File.size()));
  EXPECT_EQ(Image.Sections.size(), 2u);
  EXPECT_EQ(Image.GetImageEnd(), 0x480);
  TMemoryStream Copy;
  Image.SaveToStream(Copy);
  EXPECT_TRUE(Copy.Contents() == File);

  TMemoryStream Bad = testsupport::MemoryStreamOf("MZ");
  EXPECT_THROW(TPEImage{Bad}, EImageBlockException);
}

TEST(PEUtils, ARefusedLoadKeepsNothingAndTheNextLoadWorks) {
  PEBuilder B;
  B.Sections = {{0x200, 0x100}, {0x300, 0x7FFFFF00}};  // the second section cannot fit
  B.FileLength = 0x400;
  TMemoryStream Bad = testsupport::MemoryStreamOf(B.Build());
  TMemoryStream Good = testsupport::MemoryStreamOf(pebuilder::SmallImage());
  TPEImage Image(Good);
  ASSERT_EQ(Image.Sections.size(), 2u);

  EXPECT_THROW(Image.LoadFromStream(Bad), EImageBlockException);
  EXPECT_EQ(Image.DOSHeader, nullptr);
  EXPECT_EQ(Image.NTHeaders, nullptr);
  EXPECT_EQ(Image.HeaderData, nullptr);
  EXPECT_TRUE(Image.Sections.empty());

  Image.LoadFromStream(Good);
  EXPECT_EQ(Image.Sections.size(), 2u);
  EXPECT_EQ(Image.GetImageEnd(), 0x600);
}

TEST(PEUtils, ReloadStartsAfresh) {
  TempFile F(pebuilder::SmallImage());
  TPEImage Image(F.Path());
  ASSERT_EQ(Image.Sections.size(), 2u);
  Image.Clear();
  EXPECT_TRUE(Image.Sections.empty());
  EXPECT_EQ(Image.DOSHeader, nullptr);
  EXPECT_EQ(Image.FileSize, 0x600);  // kept
  Image.LoadFromFile(F.Path());
  EXPECT_EQ(Image.Sections.size(), 2u);
  EXPECT_EQ(Image.GetImageEnd(), 0x600);
}

}  // namespace
