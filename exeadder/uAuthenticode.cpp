#include "exeadder/uAuthenticode.h"

#include <algorithm>

namespace authenticode {

namespace {

// Offsets of the published PE format. The optional header's fields up to CheckSum sit at the
// same offsets in PE32 and PE32+; the data directories follow the wider PE32+ fields later.
constexpr uint64_t kLfaNewOffset = 60;
constexpr uint64_t kFileHeaderOffset = 4;      // behind "PE\0\0"
constexpr uint64_t kNumberOfSections = 2;      // in the file header
constexpr uint64_t kSizeOfOptionalHeader = 16;
constexpr uint64_t kOptionalHeaderOffset = 24;  // from the NT headers
constexpr uint64_t kChecksumField = 64;         // in the optional header
constexpr uint16_t kPe32Magic = 0x10B, kPe32PlusMagic = 0x20B;
constexpr uint64_t kSectionEntrySize = 40;
constexpr uint64_t kSizeOfRawData = 16, kPointerToRawData = 20;  // in a section-table entry
constexpr uint64_t kSecurityDirectory = 4;  // IMAGE_DIRECTORY_ENTRY_SECURITY
constexpr uint64_t kDirectoryEntrySize = 8;

// Little-endian reads that report a field reaching past the end instead of reading it.
class TBytes {
 public:
  explicit TBytes(const std::string& Bytes) : Bytes_(Bytes) {}
  bool Has(uint64_t Offset, uint64_t Count) const { return Offset <= Size() && Count <= Size() - Offset; }
  uint64_t Size() const { return Bytes_.size(); }
  bool U16(uint64_t Offset, uint32_t& Value) const { return Read(Offset, 2, Value); }
  bool U32(uint64_t Offset, uint32_t& Value) const { return Read(Offset, 4, Value); }

 private:
  bool Read(uint64_t Offset, unsigned Count, uint32_t& Value) const {
    if (!Has(Offset, Count)) return false;
    Value = 0;
    for (unsigned i = 0; i < Count; ++i)
      Value |= uint32_t{static_cast<uint8_t>(Bytes_[static_cast<std::size_t>(Offset + i)])} << (8 * i);
    return true;
  }
  const std::string& Bytes_;
};

}  // namespace

TSignatureInfo ReadSignatureInfo(const std::string& Bytes) {
  const TBytes B(Bytes);
  TSignatureInfo Info;
  uint32_t Mz = 0, LfaNew = 0, Pe = 0, Sections = 0, OptionalSize = 0, Magic = 0, Checksum = 0;
  if (!B.U16(0, Mz) || Mz != 0x5A4D || !B.U32(kLfaNewOffset, LfaNew)) return Info;
  const uint64_t Nt = LfaNew;
  const uint64_t FileHeader = Nt + kFileHeaderOffset;
  const uint64_t Optional = Nt + kOptionalHeaderOffset;
  if (!B.U32(Nt, Pe) || Pe != 0x4550 || !B.U16(FileHeader + kNumberOfSections, Sections) ||
      !B.U16(FileHeader + kSizeOfOptionalHeader, OptionalSize) || !B.U16(Optional, Magic))
    return Info;
  if ((Magic != kPe32Magic && Magic != kPe32PlusMagic) || OptionalSize < kChecksumField + 4 ||
      !B.U32(Optional + kChecksumField, Checksum))
    return Info;
  const uint64_t OptionalEnd = Optional + OptionalSize;
  const uint64_t TableEnd = OptionalEnd + kSectionEntrySize * Sections;
  if (TableEnd > B.Size()) return Info;

  uint64_t ImageEnd = TableEnd;
  for (uint64_t Entry = OptionalEnd; Entry < TableEnd; Entry += kSectionEntrySize) {
    uint32_t RawSize = 0, RawPointer = 0;
    B.U32(Entry + kSizeOfRawData, RawSize);
    B.U32(Entry + kPointerToRawData, RawPointer);
    if (RawSize != 0) ImageEnd = std::max(ImageEnd, uint64_t{RawPointer} + RawSize);
  }

  Info.IsPE = true;
  Info.Pe32Plus = Magic == kPe32PlusMagic;
  Info.ChecksumOffset = Optional + kChecksumField;
  Info.Checksum = Checksum;
  Info.ImageEnd = ImageEnd;
  Info.FileSize = B.Size();

  const uint64_t CountField = Optional + (Info.Pe32Plus ? 108 : 92);
  const uint64_t Directories = CountField + 4;
  const uint64_t Entry = Directories + kSecurityDirectory * kDirectoryEntrySize;
  uint32_t DirectoryCount = 0;
  if (Entry + kDirectoryEntrySize <= OptionalEnd && B.U32(CountField, DirectoryCount) &&
      DirectoryCount > kSecurityDirectory && B.U32(Entry, Info.TableOffset) && B.U32(Entry + 4, Info.TableSize)) {
    Info.HasSecurityEntry = true;
    Info.SecurityEntryOffset = Entry;
  } else {
    Info.TableOffset = Info.TableSize = 0;
  }
  return Info;
}

uint32_t PEChecksum(const std::string& Bytes, uint64_t ChecksumOffset) {
  const std::size_t Size = Bytes.size();
  // The field's bytes count as zero wherever it lies, also at an odd offset of a hostile file.
  const auto ByteAt = [&](std::size_t i) -> uint32_t {
    return i >= ChecksumOffset && i - ChecksumOffset < 4 ? 0 : static_cast<uint8_t>(Bytes[i]);
  };
  uint64_t Sum = 0;
  for (std::size_t i = 0; i < Size; i += 2) {
    Sum += ByteAt(i) | (i + 1 < Size ? ByteAt(i + 1) << 8 : 0);
    Sum = (Sum & 0xFFFF) + (Sum >> 16);
  }
  Sum = (Sum & 0xFFFF) + (Sum >> 16);
  return static_cast<uint32_t>(Sum + Size);
}

std::string WithoutCertificateTable(const std::string& Bytes, const TSignatureInfo& Info) {
  std::string Out = Bytes;
  Out.erase(Info.TableOffset, Info.TableSize);
  Out.replace(static_cast<std::size_t>(Info.SecurityEntryOffset), kDirectoryEntrySize, kDirectoryEntrySize, '\0');
  return Out;
}

std::string WithChecksumUpdated(const std::string& Bytes) {
  const TSignatureInfo Info = ReadSignatureInfo(Bytes);
  if (!Info.IsPE || Info.Checksum == 0) return Bytes;
  std::string Out = Bytes;
  const uint32_t Checksum = PEChecksum(Out, Info.ChecksumOffset);
  for (int i = 0; i < 4; ++i)
    Out[static_cast<std::size_t>(Info.ChecksumOffset) + i] = static_cast<char>((Checksum >> (8 * i)) & 0xFF);
  return Out;
}

}  // namespace authenticode
