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
  explicit TBytes(const std::string& bytes) : bytes_(bytes) {}
  bool Has(uint64_t offset, uint64_t count) const { return offset <= Size() && count <= Size() - offset; }
  uint64_t Size() const { return bytes_.size(); }
  bool U16(uint64_t offset, uint32_t& value) const { return Read(offset, 2, value); }
  bool U32(uint64_t offset, uint32_t& value) const { return Read(offset, 4, value); }

 private:
  bool Read(uint64_t offset, unsigned count, uint32_t& value) const {
    if (!Has(offset, count)) return false;
    value = 0;
    for (unsigned i = 0; i < count; ++i)
      value |= uint32_t{static_cast<uint8_t>(bytes_[static_cast<std::size_t>(offset + i)])} << (8 * i);
    return true;
  }
  const std::string& bytes_;
};

}  // namespace

TSignatureInfo ReadSignatureInfo(const std::string& bytes) {
  const TBytes file(bytes);
  TSignatureInfo info;
  uint32_t mz = 0, lfaNew = 0, pe = 0, sections = 0, optionalSize = 0, magic = 0, checksum = 0;
  if (!file.U16(0, mz) || mz != 0x5A4D || !file.U32(kLfaNewOffset, lfaNew)) return info;
  const uint64_t nt = lfaNew;
  const uint64_t fileHeader = nt + kFileHeaderOffset;
  const uint64_t optional = nt + kOptionalHeaderOffset;
  if (!file.U32(nt, pe) || pe != 0x4550 || !file.U16(fileHeader + kNumberOfSections, sections) ||
      !file.U16(fileHeader + kSizeOfOptionalHeader, optionalSize) || !file.U16(optional, magic))
    return info;
  if ((magic != kPe32Magic && magic != kPe32PlusMagic) || optionalSize < kChecksumField + 4 ||
      !file.U32(optional + kChecksumField, checksum))
    return info;
  const uint64_t optionalEnd = optional + optionalSize;
  const uint64_t tableEnd = optionalEnd + kSectionEntrySize * sections;
  if (tableEnd > file.Size()) return info;

  uint64_t imageEnd = tableEnd;
  for (uint64_t entry = optionalEnd; entry < tableEnd; entry += kSectionEntrySize) {
    uint32_t rawSize = 0, rawPointer = 0;
    file.U32(entry + kSizeOfRawData, rawSize);
    file.U32(entry + kPointerToRawData, rawPointer);
    if (rawSize != 0) imageEnd = std::max(imageEnd, uint64_t{rawPointer} + rawSize);
  }

  info.IsPE = true;
  info.Pe32Plus = magic == kPe32PlusMagic;
  info.ChecksumOffset = optional + kChecksumField;
  info.Checksum = checksum;
  info.ImageEnd = imageEnd;
  info.FileSize = file.Size();

  const uint64_t countField = optional + (info.Pe32Plus ? 108 : 92);
  const uint64_t directories = countField + 4;
  const uint64_t entry = directories + kSecurityDirectory * kDirectoryEntrySize;
  uint32_t directoryCount = 0;
  if (entry + kDirectoryEntrySize <= optionalEnd && file.U32(countField, directoryCount) &&
      directoryCount > kSecurityDirectory && file.U32(entry, info.TableOffset) && file.U32(entry + 4, info.TableSize)) {
    info.HasSecurityEntry = true;
    info.SecurityEntryOffset = entry;
  } else {
    info.TableOffset = info.TableSize = 0;
  }
  return info;
}

uint32_t PEChecksum(const std::string& bytes, uint64_t checksumOffset) {
  const std::size_t size = bytes.size();
  // The field's bytes count as zero wherever it lies, also at an odd offset of a hostile file.
  const auto byteAt = [&](std::size_t i) -> uint32_t {
    return i >= checksumOffset && i - checksumOffset < 4 ? 0 : static_cast<uint8_t>(bytes[i]);
  };
  uint64_t sum = 0;
  for (std::size_t i = 0; i < size; i += 2) {
    sum += byteAt(i) | (i + 1 < size ? byteAt(i + 1) << 8 : 0);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + size);
}

std::string WithoutCertificateTable(const std::string& bytes, const TSignatureInfo& info) {
  std::string out = bytes;
  out.erase(info.TableOffset, info.TableSize);
  out.replace(static_cast<std::size_t>(info.SecurityEntryOffset), kDirectoryEntrySize, kDirectoryEntrySize, '\0');
  return out;
}

std::string WithChecksumUpdated(const std::string& bytes) {
  const TSignatureInfo info = ReadSignatureInfo(bytes);
  if (!info.IsPE || info.Checksum == 0) return bytes;
  std::string out = bytes;
  const uint32_t checksum = PEChecksum(out, info.ChecksumOffset);
  for (int i = 0; i < 4; ++i)
    out[static_cast<std::size_t>(info.ChecksumOffset) + i] = static_cast<char>((checksum >> (8 * i)) & 0xFF);
  return out;
}

}  // namespace authenticode
