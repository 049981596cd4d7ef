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
  TImageBlock(TPEImage* image, TStream& stream, int32_t offset, int32_t byteCount);
  virtual ~TImageBlock() = default;
  TImageBlock(const TImageBlock&) = delete;
  TImageBlock& operator=(const TImageBlock&) = delete;

  // Makes the block hold byteCount bytes read at offset (a negative offset reads at the stream's
  // position); bytes that the stream does not supply stay zero.
  virtual void ReadBlock(TStream& stream, int32_t offset, int32_t byteCount);
  // ReadBlock with the block's current BlockSize.
  virtual void ReadFromStream(TStream& stream, int32_t offset);
  // Writes the block's bytes at offset (a negative offset: at the stream's position), growing the
  // stream when it is shorter.
  virtual void WriteToStream(TStream& stream, int32_t offset);

  TPEImage* Image() const { return image_; }
  const std::vector<uint8_t>& Memory() const { return memory_; }
  int32_t BlockSize() const { return blockSize_; }

 protected:
  // The typed view of the block's first bytes; null while the block is too short to hold a T.
  template <typename T>
  T* View() {
    return memory_.size() >= sizeof(T) ? reinterpret_cast<T*>(memory_.data()) : nullptr;
  }
  template <typename T>
  const T* View() const {
    return memory_.size() >= sizeof(T) ? reinterpret_cast<const T*>(memory_.data()) : nullptr;
  }
  TImageBlock(TPEImage* image, int32_t byteCount);  // no read: derived blocks read themselves

  TPEImage* image_;
  std::vector<uint8_t> memory_;
  int32_t blockSize_;
};

class THeaderBlock : public TImageBlock {
 protected:
  using TImageBlock::TImageBlock;
};

// The bytes from offset 0 up to e_lfanew: the DOS header and its stub.
class TDOSHeader : public THeaderBlock {
 public:
  TDOSHeader(TPEImage* image, TStream& stream, int32_t offset);
  const pe::IMAGE_DOS_HEADER* Header() const { return View<pe::IMAGE_DOS_HEADER>(); }
  int32_t LfaNew() const { return lfaNew_; }

 private:
  int32_t lfaNew_ = 0;
};

// The 248 bytes of IMAGE_NT_HEADERS32 at e_lfanew.
class TNTHeaders : public THeaderBlock {
 public:
  TNTHeaders(TPEImage* image, TStream& stream, int32_t offset);
  const pe::IMAGE_NT_HEADERS32* Headers() const { return View<pe::IMAGE_NT_HEADERS32>(); }
  uint32_t ImageSize = 0;  // SizeOfImage
};

// Any run of bytes, written back where it was read from.
class TDataBlock : public TImageBlock {
 public:
  TDataBlock(TPEImage* image, TStream& stream, int32_t offset, int32_t byteCount);
  const uint8_t* Bytes() const { return memory_.empty() ? nullptr : memory_.data(); }
  int32_t Offset() const { return offset_; }
  void WriteAtOffset(TStream& stream) { WriteToStream(stream, offset_); }

 protected:
  int32_t offset_;
};

class TSectionHeader;

// A section's raw data.
class TSectionData : public TDataBlock {
 public:
  TSectionData(TPEImage* image, TSectionHeader* sectionHeader, TStream& stream, int32_t offset,
               int32_t byteCount);
  void ReadBlock(TStream& stream, int32_t offset, int32_t byteCount) override;
  TSectionHeader* SectionHeader() const { return sectionHeader_; }
  int32_t InitialSize() const { return initialSize_; }
  int32_t ReadSize() const { return readSize_; }

 private:
  TSectionHeader* sectionHeader_;
  int32_t initialSize_ = 0;
  int32_t readSize_ = 0;
};

// One 40-byte section-table entry; reading it also reads the section's raw data.
class TSectionHeader : public TImageBlock {
 public:
  TSectionHeader(TPEImage* image, TStream& stream, int32_t offset);
  void ReadFromStream(TStream& stream, int32_t offset) override;
  void WriteToStream(TStream& stream, int32_t offset) override;
  // Replaces SectionData with the entry's PointerToRawData / SizeOfRawData bytes of stream.
  void CreateSectionData(TStream& stream);
  const pe::IMAGE_SECTION_HEADER* Header() const { return View<pe::IMAGE_SECTION_HEADER>(); }
  TSectionData* SectionData() const { return sectionData_.get(); }

 private:
  std::unique_ptr<TSectionData> sectionData_;
};

class TPEImage {
 public:
  // Loads fileName. A missing file gives an empty model. Raises EImageBlockException, and
  // EFOpenError for a file that exists but cannot be read; nothing built is kept then.
  explicit TPEImage(const std::string& fileName);
  // Loads the whole of stream, read at the offsets the headers give; FileName stays empty.
  // Raises EImageBlockException; nothing built is kept then.
  explicit TPEImage(TStream& stream);
  virtual ~TPEImage();
  TPEImage(const TPEImage&) = delete;
  TPEImage& operator=(const TPEImage&) = delete;

  // Releases every block; FileSize keeps its value.
  void Clear();
  void LoadFromFile(const std::string& fileName);
  // As LoadFromFile, from the bytes of stream (its length is FileSize).
  void LoadFromStream(TStream& stream);
  // PointerToRawData + SizeOfRawData of the last section-table entry, in 32 bits; 0 without
  // sections.
  int32_t GetImageEnd() const;
  // Writes the model to fileName (created or emptied). Raises EWriteError.
  void SaveToFile(const std::string& fileName);
  // Writes the model into out, an empty stream; FileSize becomes out's length.
  void SaveToStream(TStream& out);
  virtual void Save() { SaveToFile(FileName); }

  // Called by a block before it sizes its memory for byteCount bytes at offset (a negative offset:
  // at the stream's position). While loading, refuses with "Bad Block Size" a negative size, and
  // a block or a model larger than any file of this size could need (see limit_).
  void ReserveBlock(int64_t offset, int64_t byteCount);

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
  int64_t limit_ = INT64_MAX;
  int64_t reserved_ = 0;
};
