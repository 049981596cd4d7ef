// In-memory model of a 32-bit PE executable, cut into blocks: the DOS header with its stub, the
// NT headers, one block per section-table entry with the section's raw data beneath it, and the
// bytes between the section table and the first section's raw data. The appended-item reader
// asks it where the image ends on disk and how long the file is.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "appended/uStreamUtils.h"

// The published PE layouts, little-endian, as far as the model reads them.
namespace pe {
struct IMAGE_DOS_HEADER {
  uint16_t e_magic, e_cblp, e_cp, e_crlc, e_cparhdr, e_minalloc, e_maxalloc, e_ss, e_sp, e_csum,
      e_ip, e_cs, e_lfarlc, e_ovno, e_res[4], e_oemid, e_oeminfo, e_res2[10];
  int32_t e_lfanew;
};
struct IMAGE_FILE_HEADER {
  uint16_t Machine, NumberOfSections;
  uint32_t TimeDateStamp, PointerToSymbolTable, NumberOfSymbols;
  uint16_t SizeOfOptionalHeader, Characteristics;
};
struct IMAGE_DATA_DIRECTORY {
  uint32_t VirtualAddress, Size;
};
struct IMAGE_OPTIONAL_HEADER32 {
  uint16_t Magic;
  uint8_t MajorLinkerVersion, MinorLinkerVersion;
  uint32_t SizeOfCode, SizeOfInitializedData, SizeOfUninitializedData, AddressOfEntryPoint,
      BaseOfCode, BaseOfData, ImageBase, SectionAlignment, FileAlignment;
  uint16_t MajorOperatingSystemVersion, MinorOperatingSystemVersion, MajorImageVersion,
      MinorImageVersion, MajorSubsystemVersion, MinorSubsystemVersion;
  uint32_t Win32VersionValue, SizeOfImage, SizeOfHeaders, CheckSum;
  uint16_t Subsystem, DllCharacteristics;
  uint32_t SizeOfStackReserve, SizeOfStackCommit, SizeOfHeapReserve, SizeOfHeapCommit,
      LoaderFlags, NumberOfRvaAndSizes;
  IMAGE_DATA_DIRECTORY DataDirectory[16];
};
struct IMAGE_NT_HEADERS32 {
  uint32_t Signature;
  IMAGE_FILE_HEADER FileHeader;
  IMAGE_OPTIONAL_HEADER32 OptionalHeader;
};
struct IMAGE_SECTION_HEADER {
  uint8_t Name[8];
  uint32_t VirtualSize, VirtualAddress, SizeOfRawData, PointerToRawData, PointerToRelocations,
      PointerToLinenumbers;
  uint16_t NumberOfRelocations, NumberOfLinenumbers;
  uint32_t Characteristics;
};
static_assert(sizeof(IMAGE_DOS_HEADER) == 64, "DOS header layout");
static_assert(sizeof(IMAGE_NT_HEADERS32) == 248, "NT headers layout");
static_assert(sizeof(IMAGE_SECTION_HEADER) == 40, "section header layout");

constexpr uint16_t kDosSignature = 0x5A4D;  // "MZ"
constexpr uint32_t kNtSignature = 0x4550;   // "PE\0\0"
}  // namespace pe

// A stream-read error of the image model: "Bad Signature" for a missing "MZ" or "PE" mark (or
// NT headers that cannot be located), "Bad Block Size" for a block that no file of this size
// could hold.
class EImageBlockException : public EMessageError {
 public:
  using EMessageError::EMessageError;
};

class TPEImage;

class TImageBlock {
 public:
  TImageBlock(TPEImage* Image, TStream& Stream, int32_t Offset, int32_t ByteCount);
  virtual ~TImageBlock() = default;
  TImageBlock(const TImageBlock&) = delete;
  TImageBlock& operator=(const TImageBlock&) = delete;

  // Makes the block hold ByteCount bytes read at Offset (a negative Offset reads at the stream's
  // position); bytes that the stream does not supply stay zero.
  virtual void ReadBlock(TStream& Stream, int32_t Offset, int32_t ByteCount);
  // ReadBlock with the block's current BlockSize.
  virtual void ReadFromStream(TStream& Stream, int32_t Offset);
  // Writes the block's bytes at Offset (a negative Offset: at the stream's position), growing the
  // stream when it is shorter.
  virtual void WriteToStream(TStream& Stream, int32_t Offset);

  TPEImage* Image() const { return Image_; }
  const std::vector<uint8_t>& Memory() const { return Memory_; }
  int32_t BlockSize() const { return BlockSize_; }

 protected:
  // The typed view of the block's first bytes; null while the block is too short to hold a T.
  template <typename T>
  T* View() {
    return Memory_.size() >= sizeof(T) ? reinterpret_cast<T*>(Memory_.data()) : nullptr;
  }
  template <typename T>
  const T* View() const {
    return Memory_.size() >= sizeof(T) ? reinterpret_cast<const T*>(Memory_.data()) : nullptr;
  }
  TImageBlock(TPEImage* Image, int32_t ByteCount);  // no read: derived blocks read themselves

  TPEImage* Image_;
  std::vector<uint8_t> Memory_;
  int32_t BlockSize_;
};

class THeaderBlock : public TImageBlock {
 protected:
  using TImageBlock::TImageBlock;
};

// The bytes from offset 0 up to e_lfanew: the DOS header and its stub.
class TDOSHeader : public THeaderBlock {
 public:
  TDOSHeader(TPEImage* Image, TStream& Stream, int32_t Offset);
  const pe::IMAGE_DOS_HEADER* Header() const { return View<pe::IMAGE_DOS_HEADER>(); }
  int32_t LfaNew() const { return LfaNew_; }

 private:
  int32_t LfaNew_ = 0;
};

// The 248 bytes of IMAGE_NT_HEADERS32 at e_lfanew.
class TNTHeaders : public THeaderBlock {
 public:
  TNTHeaders(TPEImage* Image, TStream& Stream, int32_t Offset);
  const pe::IMAGE_NT_HEADERS32* Headers() const { return View<pe::IMAGE_NT_HEADERS32>(); }
  uint32_t ImageSize = 0;  // SizeOfImage
};

// Any run of bytes, written back where it was read from.
class TDataBlock : public TImageBlock {
 public:
  TDataBlock(TPEImage* Image, TStream& Stream, int32_t Offset, int32_t ByteCount);
  const uint8_t* Bytes() const { return Memory_.empty() ? nullptr : Memory_.data(); }
  int32_t Offset() const { return Offset_; }
  void WriteAtOffset(TStream& Stream) { WriteToStream(Stream, Offset_); }

 protected:
  int32_t Offset_;
};

class TSectionHeader;

// A section's raw data.
class TSectionData : public TDataBlock {
 public:
  TSectionData(TPEImage* Image, TSectionHeader* SectionHeader, TStream& Stream, int32_t Offset,
               int32_t ByteCount);
  void ReadBlock(TStream& Stream, int32_t Offset, int32_t ByteCount) override;
  TSectionHeader* SectionHeader() const { return SectionHeader_; }
  int32_t InitialSize() const { return InitialSize_; }
  int32_t ReadSize() const { return ReadSize_; }

 private:
  TSectionHeader* SectionHeader_;
  int32_t InitialSize_ = 0;
  int32_t ReadSize_ = 0;
};

// One 40-byte section-table entry; reading it also reads the section's raw data.
class TSectionHeader : public TImageBlock {
 public:
  TSectionHeader(TPEImage* Image, TStream& Stream, int32_t Offset);
  void ReadFromStream(TStream& Stream, int32_t Offset) override;
  void WriteToStream(TStream& Stream, int32_t Offset) override;
  // Replaces SectionData with the entry's PointerToRawData / SizeOfRawData bytes of Stream.
  void CreateSectionData(TStream& Stream);
  const pe::IMAGE_SECTION_HEADER* Header() const { return View<pe::IMAGE_SECTION_HEADER>(); }
  TSectionData* SectionData() const { return SectionData_.get(); }

 private:
  std::unique_ptr<TSectionData> SectionData_;
};

class TPEImage {
 public:
  // Loads FileName. A missing file gives an empty model. Raises EImageBlockException, and
  // EFOpenError for a file that exists but cannot be read; nothing built is kept then.
  explicit TPEImage(const std::string& FileName);
  // Loads the whole of Stream, read at the offsets the headers give; FileName stays empty.
  // Raises EImageBlockException; nothing built is kept then.
  explicit TPEImage(TStream& Stream);
  virtual ~TPEImage();
  TPEImage(const TPEImage&) = delete;
  TPEImage& operator=(const TPEImage&) = delete;

  // Releases every block; FileSize keeps its value.
  void Clear();
  void LoadFromFile(const std::string& FileName);
  // As LoadFromFile, from the bytes of Stream (its length is FileSize).
  void LoadFromStream(TStream& Stream);
  // PointerToRawData + SizeOfRawData of the last section-table entry, in 32 bits; 0 without
  // sections.
  int32_t GetImageEnd() const;
  // Writes the model to FileName (created or emptied). Raises EWriteError.
  void SaveToFile(const std::string& FileName);
  // Writes the model into Out, an empty stream; FileSize becomes Out's length.
  void SaveToStream(TStream& Out);
  virtual void Save() { SaveToFile(FileName); }

  // Called by a block before it sizes its memory for ByteCount bytes at Offset (a negative Offset:
  // at the stream's position). While loading, refuses with "Bad Block Size" a negative size, and
  // a block or a model larger than any file of this size could need (see Limit_).
  void ReserveBlock(int64_t Offset, int64_t ByteCount);

  std::string FileName;
  std::unique_ptr<TDOSHeader> DOSHeader;
  std::unique_ptr<TNTHeaders> NTHeaders;
  std::vector<std::unique_ptr<TSectionHeader>> Sections;
  std::unique_ptr<TDataBlock> HeaderData;
  int32_t FileSize = 0;

 private:
  // While loading: the most bytes that the blocks may hold together, and the furthest offset that
  // one may reach. The blocks cut up the file, so together they need about its length, plus the
  // zero padding of headers and sections that run past a short file's end; twice the file and
  // 1 KiB leave room for that (the DOS block's first 256 bytes and the NT headers of a file too
  // short to hold them, and a few table entries), and keep a saved model no larger. A short
  // hostile file thus cannot have the model build thousands of blocks of zeros.
  int64_t Limit_ = INT64_MAX;
  int64_t Reserved_ = 0;
};
