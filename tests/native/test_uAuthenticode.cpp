// The builder's tool's own reading of the PE headers for Authenticode: the security directory,
// the checksum, and removing a certificate table. Real signatures are in test_uToolSigning.cpp.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "exeadder/uAuthenticode.h"
#include "support/PEBuilder.h"

namespace {

using authenticode::PEChecksum;
using authenticode::ReadSignatureInfo;
using authenticode::TSignatureInfo;
using pebuilder::Le16;
using pebuilder::Le32;

constexpr std::size_t kNt = 0x80;  // the builder's e_lfanew

void Put(std::string& F, std::size_t At, const std::string& Bytes) { F.replace(At, Bytes.size(), Bytes); }

TEST(Authenticode, ReadsTheSecurityDirectoryOfBothImageKinds) {
  for (const bool Plus : {false, true}) {
    SCOPED_TRACE(Plus ? "PE32+" : "PE32");
    const std::string Image = pebuilder::SignableImage(Plus);
    TSignatureInfo Info = ReadSignatureInfo(Image);
    ASSERT_TRUE(Info.IsPE);
    EXPECT_EQ(Info.Pe32Plus, Plus);
    EXPECT_EQ(Info.ChecksumOffset, kNt + 24 + 64);
    EXPECT_EQ(Info.ImageEnd, 0x600u);
    EXPECT_TRUE(Info.HasSecurityEntry);
    EXPECT_EQ(Info.SecurityEntryOffset, kNt + 24 + (Plus ? 112u : 96u) + 32);
    EXPECT_FALSE(Info.Signed());

    const std::string Signed = pebuilder::WithCertificateTableOnly(Image + "symbols", 0x300);
    Info = ReadSignatureInfo(Signed);
    EXPECT_TRUE(Info.Signed());
    EXPECT_EQ(Info.TableOffset, 0x608u);  // behind the 7 bytes, aligned to 8
    EXPECT_EQ(Info.TableSize, 0x300u);
    EXPECT_EQ(Info.FileSize, Signed.size());
    EXPECT_TRUE(Info.TableInFile());

    // Removing it gives the file back as it was before signing, the alignment padding kept, with
    // the entry cleared.
    const std::string Unsigned = authenticode::WithoutCertificateTable(Signed, Info);
    EXPECT_EQ(Unsigned, Image + "symbols" + std::string(1, '\0'));
    EXPECT_FALSE(ReadSignatureInfo(Unsigned).Signed());
  }
}

// Headers that a hostile or damaged file may have: nothing is read outside the file, and a
// table is only taken for one that can be cut out when it lies behind the image inside the file.
TEST(Authenticode, HostileHeaders) {
  const std::string Good = pebuilder::WithCertificateTableOnly(pebuilder::SignableImage(), 0x100);
  const std::size_t Entry = pebuilder::SecurityEntryOffset(Good);
  struct Case {
    const char* What;
    std::function<void(std::string&)> Edit;
    bool IsPE, HasEntry, Signed, InFile;
  } Cases[] = {
      {"as made", [](std::string&) {}, true, true, true, true},
      {"one byte", [](std::string& F) { F.resize(1); }, false, false, false, false},
      {"cut before e_lfanew", [](std::string& F) { F.resize(62); }, false, false, false, false},
      {"no MZ", [](std::string& F) { F[0] = 'Z'; }, false, false, false, false},
      {"e_lfanew past the end", [](std::string& F) { Put(F, 60, Le32(0x7FFFFFF0)); }, false, false, false, false},
      {"e_lfanew all bits set", [](std::string& F) { Put(F, 60, Le32(0xFFFFFFFF)); }, false, false, false, false},
      {"NT headers cut by the end of the file",
       [](std::string& F) {
         Put(F, F.size() - 8, std::string("PE\0\0", 4));
         Put(F, 60, Le32(static_cast<uint32_t>(F.size() - 8)));
       },
       false, false, false, false},
      {"no PE mark", [](std::string& F) { F[kNt + 1] = 'X'; }, false, false, false, false},
      {"unknown optional header magic", [](std::string& F) { Put(F, kNt + 24, Le16(0x0107)); }, false, false, false, false},
      {"optional header without its CheckSum", [](std::string& F) { Put(F, kNt + 20, Le16(60)); }, false, false, false, false},
      {"section table past the end", [](std::string& F) { Put(F, kNt + 6, Le16(0xFFFF)); }, false, false, false, false},
      {"optional header too short for the entry", [](std::string& F) { Put(F, kNt + 20, Le16(96 + 32)); }, true, false, false, false},
      {"four data directories", [](std::string& F) { Put(F, kNt + 24 + 92, Le32(4)); }, true, false, false, false},
      {"table that wraps 32 bits", [&](std::string& F) { Put(F, Entry, Le32(0xFFFFFF00) + Le32(0x200)); }, true, true, true, false},
      {"table inside the headers", [&](std::string& F) { Put(F, Entry, Le32(0x40)); }, true, true, true, false},
      {"table inside a section", [&](std::string& F) { Put(F, Entry, Le32(0x500)); }, true, true, true, false},
      {"table one byte past the end", [&](std::string& F) { Put(F, Entry + 4, Le32(0x101)); }, true, true, true, false},
      {"empty table", [&](std::string& F) { Put(F, Entry + 4, Le32(0)); }, true, true, true, false},
      {"a section that ends past the table", [](std::string& F) { Put(F, kNt + 248 + 40 + 16, Le32(0x300)); }, true, true, true,
       false},
  };
  for (const Case& C : Cases) {
    std::string F = Good;
    C.Edit(F);
    const TSignatureInfo Info = ReadSignatureInfo(F);
    EXPECT_EQ(Info.IsPE, C.IsPE) << C.What;
    EXPECT_EQ(Info.HasSecurityEntry, C.HasEntry) << C.What;
    EXPECT_EQ(Info.Signed(), C.Signed) << C.What;
    EXPECT_EQ(Info.TableInFile(), C.InFile) << C.What;
  }
}

// Whatever the first bytes hold, under AddressSanitizer: no read outside the file, and a table
// taken for removable always lies inside it.
TEST(Authenticode, RandomHeadersStayInsideTheFile) {
  std::mt19937 Random(20240925);
  const std::string Good = pebuilder::WithCertificateTableOnly(pebuilder::SignableImage(Random() % 2 == 0), 0x80);
  for (int Round = 0; Round < 3000; ++Round) {
    std::string F = Good.substr(0, Round % 5 == 0 ? Random() % Good.size() : Good.size());
    for (unsigned i = Random() % 6; i > 0 && !F.empty(); --i) {
      const std::size_t At = Random() % 2 ? kNt + Random() % 400 : Random() % F.size();
      if (At < F.size()) F[At] = static_cast<char>(Random());
    }
    const TSignatureInfo Info = ReadSignatureInfo(F);
    (void)PEChecksum(F, Info.ChecksumOffset);
    if (Info.TableInFile()) {
      ASSERT_LE(uint64_t{Info.TableOffset} + Info.TableSize, F.size()) << "round " << Round;
      EXPECT_EQ(authenticode::WithoutCertificateTable(F, Info).size(), F.size() - Info.TableSize);
    }
  }
}

// The standard PE checksum: a 16-bit sum with the carries folded back, the field as zero, plus the
// length. Its agreement with a signing tool's is checked on real signatures.
TEST(Authenticode, Checksum) {
  struct Case { std::string Bytes; uint64_t Field; uint32_t Sum; } Cases[] = {
      {"", 100, 0},
      {"\x01\x02\x03", 100, 0x0201 + 0x0003 + 3},                   // a last odd byte
      {std::string("\xFF\xFF\x02\x00", 4), 100, 0x0002 + 4},          // the carry folded back
      {std::string("\xFF\xFF\xFF\xFF\x01\x00", 6), 0, 0x0001 + 6},     // the field taken as zero
      {std::string("\x10\xFF\xFF\xFF\xFF\x20", 6), 1, 0x2010 + 6},  // a field at an odd offset
  };
  for (const Case& C : Cases) EXPECT_EQ(PEChecksum(C.Bytes, C.Field), C.Sum) << C.Bytes.size() << " bytes";

  // Updated only where it was set.
  pebuilder::PEBuilder B;
  B.Sections = {{0x200, 0x200}};
  const std::string Unset = B.Build();
  EXPECT_EQ(authenticode::WithChecksumUpdated(Unset), Unset);
  B.CheckSum = 0x1234;
  const std::string Updated = authenticode::WithChecksumUpdated(B.Build());
  EXPECT_EQ(ReadSignatureInfo(Updated).Checksum, PEChecksum(B.Build(), kNt + 88));
  EXPECT_NE(ReadSignatureInfo(Updated).Checksum, 0x1234u);
  EXPECT_EQ(authenticode::WithChecksumUpdated("not an image"), "not an image");
}

}  // namespace
