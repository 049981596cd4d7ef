// What the builder's tool needs to know of an Authenticode signature: where the PE headers put
// the certificate table (the security data directory: a file offset and a size, unlike the other
// directories' addresses), the PE checksum, and the file without the table. It reads 32-bit
// (PE32) and 64-bit (PE32+) headers alike, on its own: the image model that the uninstaller
// uses reads 32-bit images only. Every offset is checked against the file in 64 bits, since the
// file may be hostile. Whether a signature verifies is the signing tool's business.
#pragma once
#include <cstdint>
#include <string>

namespace authenticode {

struct TSignatureInfo {
  // "MZ", "PE\0\0" and an optional header of a known magic, whole up to its CheckSum field, and a
  // section table inside the file. Everything below is zero otherwise.
  bool IsPE = false;
  bool Pe32Plus = false;
  uint64_t ChecksumOffset = 0;  // file offset of OptionalHeader.CheckSum
  uint32_t Checksum = 0;
  // The end of the headers and of every section's raw data: a certificate table lies behind it.
  uint64_t ImageEnd = 0;
  // The security directory entry exists (NumberOfRvaAndSizes > 4, inside the optional header).
  bool HasSecurityEntry = false;
  uint64_t SecurityEntryOffset = 0;  // file offset of the entry
  uint32_t TableOffset = 0;          // the entry: file offset of the certificate table
  uint32_t TableSize = 0;            // and its length in bytes
  uint64_t FileSize = 0;

  // The entry names a table: the file says it is signed, whether or not the table is sound.
  bool Signed() const { return HasSecurityEntry && (TableOffset != 0 || TableSize != 0); }
  // The named table lies behind the image and inside the file, so that it can be cut out.
  bool TableInFile() const {
    return Signed() && TableSize != 0 && TableOffset >= ImageEnd && uint64_t{TableOffset} + TableSize <= FileSize;
  }
};

// What bytes' headers say; a file that is not a readable PE image gives IsPE false.
TSignatureInfo ReadSignatureInfo(const std::string& bytes);

// The PE checksum of bytes: the 16-bit one's-complement sum of the file's little-endian words (a
// last odd byte padded with zero), the 4 bytes at checksumOffset taken as zero, plus the length.
uint32_t PEChecksum(const std::string& bytes, uint64_t checksumOffset);

// bytes without the certificate table that info (read from bytes) names, and with the security
// directory entry cleared. info.TableInFile() must hold. The checksum is left as it was.
std::string WithoutCertificateTable(const std::string& bytes, const TSignatureInfo& info);

// bytes with their CheckSum field recomputed, when their headers are readable and it was set
// (a zero field means that nobody asked for a checksum); otherwise bytes unchanged.
std::string WithChecksumUpdated(const std::string& bytes);

}  // namespace authenticode
