#include "appended/uPEUtils.h"

#include <algorithm>
#include <cstring>

namespace {
const char kBadSignature[] = "Bad Signature";
const char kBadBlockSize[] = "Bad Block Size";
constexpr int32_t kDosReadSize = 256;
constexpr int32_t kSectionHeaderSize = sizeof(pe::IMAGE_SECTION_HEADER);
constexpr int32_t kNTHeadersSize = sizeof(pe::IMAGE_NT_HEADERS32);
}  // namespace

// ---- TImageBlock ----

TImageBlock::TImageBlock(TPEImage* image, int32_t byteCount) : image_(image), blockSize_(byteCount) {}

TImageBlock::TImageBlock(TPEImage* image, TStream& stream, int32_t offset, int32_t byteCount)
    : TImageBlock(image, byteCount) {
  ReadFromStream(stream, offset);
}

void TImageBlock::ReadBlock(TStream& stream, int32_t offset, int32_t byteCount) {
  if (byteCount == 0) {
    memory_.clear();
    blockSize_ = 0;
    return;
  }
  if (byteCount < 0) throw EImageBlockException(kBadBlockSize);
  if (image_) image_->ReserveBlock(offset >= 0 ? offset : stream.GetPosition(), byteCount);
  if (offset >= 0) stream.Seek(offset, TSeekOrigin::soBeginning);
  memory_.assign(static_cast<std::size_t>(byteCount), 0);
  stream.Read(memory_.data(), byteCount);
  blockSize_ = byteCount;
}

void TImageBlock::ReadFromStream(TStream& stream, int32_t offset) { ReadBlock(stream, offset, blockSize_); }

void TImageBlock::WriteToStream(TStream& stream, int32_t offset) {
  if (blockSize_ == 0 || memory_.empty()) return;
  const int64_t end = static_cast<int64_t>(memory_.size()) + (offset > 0 ? offset : 0);
  if (stream.GetSize() < end) stream.SetSize(end);
  if (offset >= 0) stream.Seek(offset, TSeekOrigin::soBeginning);
  stream.Write(memory_.data(), static_cast<int32_t>(memory_.size()));
}

// ---- header blocks ----

TDOSHeader::TDOSHeader(TPEImage* image, TStream& stream, int32_t offset) : THeaderBlock(image, kDosReadSize) {
  ReadFromStream(stream, offset);
  const pe::IMAGE_DOS_HEADER* header = Header();
  if (!header || header->e_magic != pe::kDosSignature) throw EImageBlockException(kBadSignature);
  // The NT headers must lie behind a whole DOS header and inside the file, or they cannot be
  // located; this also keeps e_lfanew from sizing the block beyond the file.
  lfaNew_ = header->e_lfanew;
  if (lfaNew_ < static_cast<int32_t>(sizeof(pe::IMAGE_DOS_HEADER)) || lfaNew_ > stream.GetSize())
    throw EImageBlockException(kBadSignature);
  blockSize_ = lfaNew_;
  ReadFromStream(stream, offset);
}

TNTHeaders::TNTHeaders(TPEImage* image, TStream& stream, int32_t offset)
    : THeaderBlock(image, stream, offset, kNTHeadersSize) {
  const pe::IMAGE_NT_HEADERS32* header = Headers();
  if (!header || header->Signature != pe::kNtSignature) throw EImageBlockException(kBadSignature);
  ImageSize = header->OptionalHeader.SizeOfImage;
}

// ---- data blocks ----

TDataBlock::TDataBlock(TPEImage* image, TStream& stream, int32_t offset, int32_t byteCount)
    : TImageBlock(image, byteCount), offset_(offset) {
  ReadFromStream(stream, offset);
}

TSectionData::TSectionData(TPEImage* image, TSectionHeader* sectionHeader, TStream& stream, int32_t offset,
                           int32_t byteCount)
    : TDataBlock(image, stream, offset, byteCount), sectionHeader_(sectionHeader), initialSize_(blockSize_) {
  // The read above ran while this was still a TDataBlock, so record it here.
  readSize_ = byteCount;
}

void TSectionData::ReadBlock(TStream& stream, int32_t offset, int32_t byteCount) {
  TDataBlock::ReadBlock(stream, offset, byteCount);
  readSize_ = byteCount;
}

// ---- section header ----

TSectionHeader::TSectionHeader(TPEImage* image, TStream& stream, int32_t offset)
    : TImageBlock(image, kSectionHeaderSize) {
  ReadFromStream(stream, offset);
}

void TSectionHeader::ReadFromStream(TStream& stream, int32_t offset) {
  TImageBlock::ReadFromStream(stream, offset);
  CreateSectionData(stream);
}

void TSectionHeader::CreateSectionData(TStream& stream) {
  sectionData_.reset();
  const pe::IMAGE_SECTION_HEADER* header = Header();
  const int32_t pointer = header ? static_cast<int32_t>(header->PointerToRawData) : 0;
  const int32_t size = header ? static_cast<int32_t>(header->SizeOfRawData) : 0;
  sectionData_ = std::make_unique<TSectionData>(image_, this, stream, pointer, size);
}

void TSectionHeader::WriteToStream(TStream& stream, int32_t offset) {
  TImageBlock::WriteToStream(stream, offset);
  if (sectionData_ && Header())
    sectionData_->WriteToStream(stream, static_cast<int32_t>(Header()->PointerToRawData));
}

// ---- TPEImage ----

TPEImage::TPEImage(const std::string& fileName) : FileName(fileName) { LoadFromFile(fileName); }

TPEImage::TPEImage(TStream& stream) { LoadFromStream(stream); }

TPEImage::~TPEImage() { Clear(); }

void TPEImage::Clear() {
  DOSHeader.reset();
  NTHeaders.reset();
  HeaderData.reset();
  for (auto& section : Sections) section.reset();
  Sections.clear();
}

void TPEImage::ReserveBlock(int64_t offset, int64_t byteCount) {
  if (byteCount < 0) throw EImageBlockException(kBadBlockSize);
  if (std::max<int64_t>(offset, 0) > limit_ - byteCount || byteCount > limit_ - reserved_)
    throw EImageBlockException(kBadBlockSize);
  if (limit_ != INT64_MAX) reserved_ += byteCount;
}

void TPEImage::LoadFromFile(const std::string& name) {
  Clear();
  TMemoryStream stream;
  if (!stream.LoadFromFile(name)) return;
  LoadFromStream(stream);
}

void TPEImage::LoadFromStream(TStream& stream) {
  Clear();
  // The model counts in 32 bits; a larger file is no image of ours.
  if (stream.GetSize() > INT32_MAX) throw EImageBlockException(kBadBlockSize);
  FileSize = static_cast<int32_t>(stream.GetSize());

  // Leaving by an exception releases whatever was built. A guard rather than catch and rethrow:
  // a rethrow unwinds a second time, and hostile files make the refusals the common case.
  struct TLoadGuard {
    TPEImage& Image;
    bool Loaded = false;
    ~TLoadGuard() {
      Image.limit_ = INT64_MAX;
      if (!Loaded) Image.Clear();
    }
  } guard{*this};
  limit_ = 2 * stream.GetSize() + 1024;
  reserved_ = 0;

  DOSHeader = std::make_unique<TDOSHeader>(this, stream, 0);
  NTHeaders = std::make_unique<TNTHeaders>(this, stream, DOSHeader->LfaNew());
  int64_t position = stream.GetPosition();
  uint32_t minRaw = UINT32_MAX;
  const unsigned count = NTHeaders->Headers()->FileHeader.NumberOfSections;
  // Every table entry reserves its 40 bytes at its offset: a table that cannot fit is refused
  // before any of it is read, as it would be at the entry that overran the limit.
  const int64_t tableSize = int64_t{kSectionHeaderSize} * count;
  if (tableSize > limit_ - reserved_ || position + tableSize > limit_) throw EImageBlockException(kBadBlockSize);
  Sections.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    if (position > INT32_MAX) throw EImageBlockException(kBadBlockSize);
    Sections.push_back(std::make_unique<TSectionHeader>(this, stream, static_cast<int32_t>(position)));
    minRaw = std::min(minRaw, Sections.back()->Header()->PointerToRawData);
    position += kSectionHeaderSize;
  }
  // Without sections, or with one whose raw data begins inside the headers (an uninitialised
  // data section has PointerToRawData 0), there are no bytes between table and raw data.
  int64_t headerBytes = 0;
  if (!Sections.empty() && minRaw > position) headerBytes = static_cast<int64_t>(minRaw) - position;
  if (position > INT32_MAX || headerBytes > INT32_MAX) throw EImageBlockException(kBadBlockSize);
  HeaderData = std::make_unique<TDataBlock>(this, stream, static_cast<int32_t>(position),
                                            static_cast<int32_t>(headerBytes));
  guard.Loaded = true;
}

int32_t TPEImage::GetImageEnd() const {
  if (Sections.empty()) return 0;
  const pe::IMAGE_SECTION_HEADER* header = Sections.back()->Header();
  return static_cast<int32_t>(header->PointerToRawData + header->SizeOfRawData);
}

void TPEImage::SaveToFile(const std::string& name) {
  TMemoryStream out;
  SaveToStream(out);
  out.SaveToFile(name);
}

void TPEImage::SaveToStream(TStream& out) {
  if (DOSHeader) DOSHeader->WriteToStream(out, 0);
  if (NTHeaders) NTHeaders->WriteToStream(out, -1);
  int64_t position = out.GetPosition();
  for (auto& section : Sections) {
    section->WriteToStream(out, static_cast<int32_t>(position));
    position += section->BlockSize();
  }
  if (HeaderData) HeaderData->WriteAtOffset(out);
  FileSize = static_cast<int32_t>(out.GetSize());
}
