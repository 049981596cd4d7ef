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

TImageBlock::TImageBlock(TPEImage* Image, int32_t ByteCount) : Image_(Image), BlockSize_(ByteCount) {}

TImageBlock::TImageBlock(TPEImage* Image, TStream& Stream, int32_t Offset, int32_t ByteCount)
    : TImageBlock(Image, ByteCount) {
  ReadFromStream(Stream, Offset);
}

void TImageBlock::ReadBlock(TStream& Stream, int32_t Offset, int32_t ByteCount) {
  if (ByteCount == 0) {
    Memory_.clear();
    BlockSize_ = 0;
    return;
  }
  if (ByteCount < 0) throw EImageBlockException(kBadBlockSize);
  if (Image_) Image_->ReserveBlock(Offset >= 0 ? Offset : Stream.GetPosition(), ByteCount);
  if (Offset >= 0) Stream.Seek(Offset, TSeekOrigin::soBeginning);
  Memory_.assign(static_cast<std::size_t>(ByteCount), 0);
  Stream.Read(Memory_.data(), ByteCount);
  BlockSize_ = ByteCount;
}

void TImageBlock::ReadFromStream(TStream& Stream, int32_t Offset) { ReadBlock(Stream, Offset, BlockSize_); }

void TImageBlock::WriteToStream(TStream& Stream, int32_t Offset) {
  if (BlockSize_ == 0 || Memory_.empty()) return;
  const int64_t End = static_cast<int64_t>(Memory_.size()) + (Offset > 0 ? Offset : 0);
  if (Stream.GetSize() < End) Stream.SetSize(End);
  if (Offset >= 0) Stream.Seek(Offset, TSeekOrigin::soBeginning);
  Stream.Write(Memory_.data(), static_cast<int32_t>(Memory_.size()));
}

// ---- header blocks ----

TDOSHeader::TDOSHeader(TPEImage* Image, TStream& Stream, int32_t Offset) : THeaderBlock(Image, kDosReadSize) {
  ReadFromStream(Stream, Offset);
  const pe::IMAGE_DOS_HEADER* H = Header();
  if (!H || H->e_magic != pe::kDosSignature) throw EImageBlockException(kBadSignature);
  // The NT headers must lie behind a whole DOS header and inside the file, or they cannot be
  // located; this also keeps e_lfanew from sizing the block beyond the file.
  LfaNew_ = H->e_lfanew;
  if (LfaNew_ < static_cast<int32_t>(sizeof(pe::IMAGE_DOS_HEADER)) || LfaNew_ > Stream.GetSize())
    throw EImageBlockException(kBadSignature);
  BlockSize_ = LfaNew_;
  ReadFromStream(Stream, Offset);
}

TNTHeaders::TNTHeaders(TPEImage* Image, TStream& Stream, int32_t Offset)
    : THeaderBlock(Image, Stream, Offset, kNTHeadersSize) {
  const pe::IMAGE_NT_HEADERS32* H = Headers();
  if (!H || H->Signature != pe::kNtSignature) throw EImageBlockException(kBadSignature);
  ImageSize = H->OptionalHeader.SizeOfImage;
}

// ---- data blocks ----

TDataBlock::TDataBlock(TPEImage* Image, TStream& Stream, int32_t Offset, int32_t ByteCount)
    : TImageBlock(Image, ByteCount), Offset_(Offset) {
  ReadFromStream(Stream, Offset);
}

TSectionData::TSectionData(TPEImage* Image, TSectionHeader* SectionHeader, TStream& Stream, int32_t Offset,
                           int32_t ByteCount)
    : TDataBlock(Image, Stream, Offset, ByteCount), SectionHeader_(SectionHeader), InitialSize_(BlockSize_) {
  // The read above ran while this was still a TDataBlock, so record it here.
  ReadSize_ = ByteCount;
}

void TSectionData::ReadBlock(TStream& Stream, int32_t Offset, int32_t ByteCount) {
  TDataBlock::ReadBlock(Stream, Offset, ByteCount);
  ReadSize_ = ByteCount;
}

// ---- section header ----

TSectionHeader::TSectionHeader(TPEImage* Image, TStream& Stream, int32_t Offset)
    : TImageBlock(Image, kSectionHeaderSize) {
  ReadFromStream(Stream, Offset);
}

void TSectionHeader::ReadFromStream(TStream& Stream, int32_t Offset) {
  TImageBlock::ReadFromStream(Stream, Offset);
  CreateSectionData(Stream);
}

void TSectionHeader::CreateSectionData(TStream& Stream) {
  SectionData_.reset();
  const pe::IMAGE_SECTION_HEADER* H = Header();
  const int32_t Pointer = H ? static_cast<int32_t>(H->PointerToRawData) : 0;
  const int32_t Size = H ? static_cast<int32_t>(H->SizeOfRawData) : 0;
  SectionData_ = std::make_unique<TSectionData>(Image_, this, Stream, Pointer, Size);
}

void TSectionHeader::WriteToStream(TStream& Stream, int32_t Offset) {
  TImageBlock::WriteToStream(Stream, Offset);
  if (SectionData_ && Header())
    SectionData_->WriteToStream(Stream, static_cast<int32_t>(Header()->PointerToRawData));
}

// ---- TPEImage ----

TPEImage::TPEImage(const std::string& FileName) : FileName(FileName) { LoadFromFile(FileName); }

TPEImage::TPEImage(TStream& Stream) { LoadFromStream(Stream); }

TPEImage::~TPEImage() { Clear(); }

void TPEImage::Clear() {
  DOSHeader.reset();
  NTHeaders.reset();
  HeaderData.reset();
  for (auto& Section : Sections) Section.reset();
  Sections.clear();
}

void TPEImage::ReserveBlock(int64_t Offset, int64_t ByteCount) {
  if (ByteCount < 0) throw EImageBlockException(kBadBlockSize);
  if (std::max<int64_t>(Offset, 0) > Limit_ - ByteCount || ByteCount > Limit_ - Reserved_)
    throw EImageBlockException(kBadBlockSize);
  if (Limit_ != INT64_MAX) Reserved_ += ByteCount;
}

void TPEImage::LoadFromFile(const std::string& Name) {
  Clear();
  TMemoryStream Stream;
  if (!Stream.LoadFromFile(Name)) return;
  LoadFromStream(Stream);
}

void TPEImage::LoadFromStream(TStream& Stream) {
  Clear();
  // The model counts in 32 bits; a larger file is no image of ours.
  if (Stream.GetSize() > INT32_MAX) throw EImageBlockException(kBadBlockSize);
  FileSize = static_cast<int32_t>(Stream.GetSize());

  // Leaving by an exception releases whatever was built. A guard rather than catch and rethrow:
  // a rethrow unwinds a second time, and hostile files make the refusals the common case.
  struct TLoadGuard {
    TPEImage& Image;
    bool Loaded = false;
    ~TLoadGuard() {
      Image.Limit_ = INT64_MAX;
      if (!Loaded) Image.Clear();
    }
  } Guard{*this};
  Limit_ = 2 * Stream.GetSize() + 1024;
  Reserved_ = 0;

  DOSHeader = std::make_unique<TDOSHeader>(this, Stream, 0);
  NTHeaders = std::make_unique<TNTHeaders>(this, Stream, DOSHeader->LfaNew());
  int64_t P = Stream.GetPosition();
  uint32_t MinRaw = UINT32_MAX;
  const unsigned Count = NTHeaders->Headers()->FileHeader.NumberOfSections;
  // Every table entry reserves its 40 bytes at its offset: a table that cannot fit is refused
  // before any of it is read, as it would be at the entry that overran the limit.
  const int64_t TableSize = int64_t{kSectionHeaderSize} * Count;
  if (TableSize > Limit_ - Reserved_ || P + TableSize > Limit_) throw EImageBlockException(kBadBlockSize);
  Sections.reserve(Count);
  for (unsigned i = 0; i < Count; ++i) {
    if (P > INT32_MAX) throw EImageBlockException(kBadBlockSize);
    Sections.push_back(std::make_unique<TSectionHeader>(this, Stream, static_cast<int32_t>(P)));
    MinRaw = std::min(MinRaw, Sections.back()->Header()->PointerToRawData);
    P += kSectionHeaderSize;
  }
  // Without sections, or with one whose raw data begins inside the headers (an uninitialised
  // data section has PointerToRawData 0), there are no bytes between table and raw data.
  int64_t HeaderBytes = 0;
  if (!Sections.empty() && MinRaw > P) HeaderBytes = static_cast<int64_t>(MinRaw) - P;
  if (P > INT32_MAX || HeaderBytes > INT32_MAX) throw EImageBlockException(kBadBlockSize);
  HeaderData = std::make_unique<TDataBlock>(this, Stream, static_cast<int32_t>(P),
                                            static_cast<int32_t>(HeaderBytes));
  Guard.Loaded = true;
}

int32_t TPEImage::GetImageEnd() const {
  if (Sections.empty()) return 0;
  const pe::IMAGE_SECTION_HEADER* H = Sections.back()->Header();
  return static_cast<int32_t>(H->PointerToRawData + H->SizeOfRawData);
}

void TPEImage::SaveToFile(const std::string& Name) {
  TMemoryStream Out;
  SaveToStream(Out);
  Out.SaveToFile(Name);
}

void TPEImage::SaveToStream(TStream& Out) {
  if (DOSHeader) DOSHeader->WriteToStream(Out, 0);
  if (NTHeaders) NTHeaders->WriteToStream(Out, -1);
  int64_t Position = Out.GetPosition();
  for (auto& Section : Sections) {
    Section->WriteToStream(Out, static_cast<int32_t>(Position));
    Position += Section->BlockSize();
  }
  if (HeaderData) HeaderData->WriteAtOffset(Out);
  FileSize = static_cast<int32_t>(Out.GetSize());
}
