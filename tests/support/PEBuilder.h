// Test-side builder of minimal PE images: "MZ" header, NT headers at e_lfanew, a section table
// behind them and each section's raw data filled with a pattern byte. 32-bit (PE32) unless
// Pe32Plus, whose optional header is 16 bytes longer and moves the section table.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "appended/uBlockLayout.h"

namespace pebuilder {

inline std::string Le32(uint32_t V) { return blocklayout::Int32Field(static_cast<int32_t>(V)); }
inline std::string Le16(uint16_t V) { return Le32(V).substr(0, 2); }

struct Section {
  uint32_t PointerToRawData;
  uint32_t SizeOfRawData;
};

struct PEBuilder {
  int32_t LfaNew = 0x80;
  std::vector<Section> Sections;
  uint32_t SizeOfImage = 0x10000;
  // File length; 0 means "up to the end of the furthest section or of the section table".
  uint32_t FileLength = 0;
  bool BadMZ = false, BadPE = false;
  bool Pe32Plus = false;
  // 16 makes an image that signing tools take (they need the security directory's entry).
  uint32_t NumberOfRvaAndSizes = 0;
  uint32_t CheckSum = 0;

  uint32_t OptionalHeaderSize() const { return Pe32Plus ? 240 : 224; }
  uint32_t TableStart(int32_t At) const { return static_cast<uint32_t>(At) + 24 + OptionalHeaderSize(); }

  std::string Build() const {
    uint64_t Length = TableStart(LfaNew) + 40ull * Sections.size();
    for (const Section& S : Sections)
      Length = std::max<uint64_t>(Length, uint64_t{S.PointerToRawData} + S.SizeOfRawData);
    if (FileLength) Length = FileLength;
    std::string F(static_cast<std::size_t>(std::max<uint64_t>(Length, TableStart(LfaNew) + 40ull * Sections.size())), '\0');
    auto Put = [&F](std::size_t At, const std::string& Bytes) {
      if (At < F.size()) F.replace(At, std::min(Bytes.size(), F.size() - At), Bytes.substr(0, F.size() - At));
    };
    // Section data first, so that headers win where a hostile layout overlaps them.
    for (std::size_t i = 0; i < Sections.size(); ++i) {
      const Section& S = Sections[i];
      if (S.PointerToRawData < F.size())
        Put(S.PointerToRawData, std::string(std::min<uint64_t>(S.SizeOfRawData, F.size() - S.PointerToRawData),
                                            static_cast<char>(0xA0 + i)));
    }
    Put(0, BadMZ ? "ZM" : "MZ");
    Put(60, Le32(static_cast<uint32_t>(LfaNew)));
    const std::size_t Nt = static_cast<uint32_t>(LfaNew);
    Put(Nt, BadPE ? std::string("PX\0\0", 4) : std::string("PE\0\0", 4));
    Put(Nt + 4, Le16(0x014C));  // i386
    Put(Nt + 6, Le16(static_cast<uint16_t>(Sections.size())));
    Put(Nt + 20, Le16(static_cast<uint16_t>(OptionalHeaderSize())));
    Put(Nt + 24, Le16(Pe32Plus ? 0x020B : 0x010B));
    Put(Nt + 80, Le32(SizeOfImage));
    // Only when set: a hostile layout's section data may fill these bytes otherwise.
    if (CheckSum) Put(Nt + 88, Le32(CheckSum));
    if (NumberOfRvaAndSizes) Put(Nt + 24 + (Pe32Plus ? 108 : 92), Le32(NumberOfRvaAndSizes));
    for (std::size_t i = 0; i < Sections.size(); ++i) {
      const std::size_t E = TableStart(LfaNew) + 40 * i;
      Put(E, ".sec" + std::to_string(i));
      Put(E + 16, Le32(Sections[i].SizeOfRawData));
      Put(E + 20, Le32(Sections[i].PointerToRawData));
    }
    F.resize(static_cast<std::size_t>(Length));
    return F;
  }
};

// A small well-formed image: two sections at 0x200 and 0x400; it ends at 0x600.
inline std::string SmallImage() {
  PEBuilder B;
  B.Sections = {{0x200, 0x200}, {0x400, 0x200}};
  return B.Build();
}

// The same image with all sixteen data directories, which signing tools need.
inline std::string SignableImage(bool Pe32Plus = false) {
  PEBuilder B;
  B.Sections = {{0x200, 0x200}, {0x400, 0x200}};
  B.NumberOfRvaAndSizes = 16;
  B.Pe32Plus = Pe32Plus;
  return B.Build();
}

// File offset of the security directory entry (a file offset and a size) of a PE32 or PE32+
// image with all its data directories.
inline std::size_t SecurityEntryOffset(const std::string& Image) {
  const std::size_t Nt = static_cast<uint8_t>(Image[60]) | static_cast<uint8_t>(Image[61]) << 8;
  const bool Plus = Image[Nt + 24] == '\x0B' && Image[Nt + 25] == '\x02';
  return Nt + 24 + (Plus ? 112 : 96) + 4 * 8;
}

// Image signed in form only: a certificate table of TableSize bytes (a WIN_CERTIFICATE header and
// filler, no real signature) behind the image and whatever follows it, 8-byte aligned as signing
// tools put it, and named by the security directory entry. For the refusals, which read only the
// entry.
inline std::string WithCertificateTableOnly(std::string Image, uint32_t TableSize = 0x400) {
  Image.resize((Image.size() + 7) / 8 * 8, '\0');
  const std::size_t Entry = SecurityEntryOffset(Image);
  Image.replace(Entry, 8, Le32(static_cast<uint32_t>(Image.size())) + Le32(TableSize));
  return Image + Le32(TableSize) + Le16(0x0200) + Le16(0x0002) + std::string(TableSize - 8, '\x5C');
}

}  // namespace pebuilder
