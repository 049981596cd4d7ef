#include "appended/uBlockWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "appended/uBlockLayout.h"
#include "appended/uPEUtils.h"
#include "appended/uStreamUtils.h"

namespace {

using blocklayout::kMaxField;

// True when Bytes hold the optional header of a 64-bit image (magic 0x20B, PE32+).
bool Is64BitImage(const std::string& Bytes) {
  const auto Byte = [&Bytes](uint64_t At) { return uint32_t{static_cast<uint8_t>(Bytes[static_cast<std::size_t>(At)])}; };
  if (Bytes.size() < 64 || Bytes.compare(0, 2, "MZ") != 0) return false;
  const uint64_t LfaNew = Byte(60) | Byte(61) << 8 | Byte(62) << 16 | Byte(63) << 24;
  const uint64_t Magic = LfaNew + 24;  // behind "PE\0\0" and the file header
  return Magic + 2 <= Bytes.size() && (Byte(Magic) | Byte(Magic + 1) << 8) == 0x20B;
}

// The bytes of a file as the reader's stream, which holds less than 2 GiB.
TMemoryStream StreamOf(const std::string& Bytes) {
  TMemoryStream Stream;
  if (Bytes.size() > static_cast<std::size_t>(kMaxField) ||
      (!Bytes.empty() && Stream.Write(Bytes.data(), static_cast<int32_t>(Bytes.size())) != static_cast<int32_t>(Bytes.size())))
    throw EBlockWriteError("is too large for the reader (" + std::to_string(Bytes.size()) + " bytes)");
  Stream.Seek(0, TSeekOrigin::soBeginning);
  return Stream;
}

// The block Bytes carry, as the reader finds it. Bytes with neither a signature at their end nor
// a PE image to look behind carry none.
TBlockPlace ExistingBlock(const std::string& Bytes) {
  TMemoryStream Stream = StreamOf(Bytes);
  TBlockPlace Place;
  try {
    Place = LocateAppendedBlock(Stream);
  } catch (const EBadBlock& E) {
    throw EBlockWriteError(std::string("ends in a damaged block (") + E.what() + ")");
  } catch (const EImageBlockException&) {
    return TBlockPlace();
  }
  if (Place.Found && Place.Start < 0) throw EBlockWriteError("ends in a damaged block (it would begin before the file)");
  return Place;
}

std::string WithoutBlock(const std::string& Bytes, const TBlockPlace& Place) {
  return Bytes.substr(0, static_cast<std::size_t>(Place.Start)) + Bytes.substr(static_cast<std::size_t>(Place.End));
}

bool EndsWithSignature(const std::string& Bytes) {
  const std::size_t N = sizeof blocklayout::kSignature;
  return Bytes.size() >= N && std::memcmp(Bytes.data() + Bytes.size() - N, blocklayout::kSignature, N) == 0;
}

}  // namespace

std::string CompressItemData(const std::string& Data) {
  uLongf Size = compressBound(static_cast<uLong>(Data.size()));
  std::string Out(Size, '\0');
  const int Result = compress2(reinterpret_cast<Bytef*>(&Out[0]), &Size, reinterpret_cast<const Bytef*>(Data.data()),
                               static_cast<uLong>(Data.size()), Z_DEFAULT_COMPRESSION);
  if (Result != Z_OK) throw EBlockWriteError("zlib could not compress the data (result " + std::to_string(Result) + ")");
  Out.resize(Size);
  return Out;
}

void CheckItemSizes(uint64_t NameSize, uint64_t DataSize, uint64_t StoredSize) {
  const std::string Limit = std::to_string(kMaxField) + " bytes, the most its 32-bit length holds";
  if (NameSize > static_cast<uint64_t>(kMaxField)) throw EBlockWriteError("its name is longer than " + Limit);
  if (DataSize > static_cast<uint64_t>(kMaxField)) throw EBlockWriteError("its data is longer than " + Limit);
  if (StoredSize > static_cast<uint64_t>(kMaxField))
    throw EBlockWriteError("its stored data is longer than " + Limit);
}

std::string ItemRecord(const TNewItem& Item, uint8_t KeyByte) {
  // Sizes first: compressing needs the data's length to fit zlib's.
  CheckItemSizes(Item.Name.size(), Item.Data.size(), 0);
  const std::string Stored = Item.Compressed ? CompressItemData(Item.Data) : Item.Data;
  CheckItemSizes(Item.Name.size(), Item.Data.size(), Stored.size());
  return blocklayout::EncodeRecord(static_cast<int32_t>(Item.Name.size()), XorString(Item.Name, KeyByte),
                                   Item.Compressed ? 1 : 0, static_cast<int32_t>(Stored.size()), Stored);
}

std::string BuildBlockOfRecords(const std::vector<std::string>& Records, uint32_t Key, int64_t BlockStart,
                                bool EndOffsetNeeded) {
  if (Records.size() > static_cast<std::size_t>(kMaxField)) throw EBlockWriteError("too many items for Count");
  std::string Joined;
  for (const std::string& R : Records) Joined += R;
  const std::string Body = blocklayout::EncodeBody(Key, static_cast<int32_t>(Records.size()), Joined);
  const int64_t BodyLength = static_cast<int64_t>(Body.size());
  const int64_t End = BlockStart + BodyLength + blocklayout::kFrameSize;
  int32_t EndOffset = 0;
  uint8_t UseEndOffset = 0;
  if (End <= kMaxField) {
    EndOffset = static_cast<int32_t>(End);
    UseEndOffset = 1;
  } else if (EndOffsetNeeded) {
    throw EBlockWriteError("the block would end at offset " + std::to_string(End) +
                           ", beyond what its 32-bit EndOffset holds");
  }
  return blocklayout::EncodeBlock(EndOffset, UseEndOffset, Body, BodyLength);
}

std::string BuildBlock(const TNewItems& Items, uint32_t Key, int64_t BlockStart, bool EndOffsetNeeded) {
  std::vector<std::string> Records;
  Records.reserve(Items.size());
  for (std::size_t i = 0; i < Items.size(); ++i) {
    try {
      Records.push_back(ItemRecord(Items[i], static_cast<uint8_t>(Key & 0xFF)));
    } catch (const EBlockWriteError& E) {
      throw EBlockWriteError("item " + std::to_string(i + 1) + ": " + E.what());
    }
  }
  return BuildBlockOfRecords(Records, Key, BlockStart, EndOffsetNeeded);
}

int64_t ImageEndForBlock(const std::string& Bytes) {
  const int64_t FileSize = static_cast<int64_t>(Bytes.size());
  // The model reads every image as a 32-bit one: in a 64-bit one it would find the sections in
  // the wrong place, and a block put behind them could land inside the program.
  if (Is64BitImage(Bytes))
    throw EBlockWriteError("is a 64-bit image (PE32+): the uninstaller's reader finds a block behind 32-bit images only");
  TMemoryStream Stream = StreamOf(Bytes);
  std::unique_ptr<TPEImage> Image;
  try {
    Image = std::make_unique<TPEImage>(Stream);
  } catch (const EImageBlockException& E) {
    throw EBlockWriteError(std::string("is not a PE image (") + E.what() + ")");
  }
  if (!Image->DOSHeader || Image->Sections.empty()) throw EBlockWriteError("is not a PE image with sections");
  // The reader goes to the end of the last entry's raw data, whatever lies further on.
  const int64_t ImageEnd = static_cast<uint32_t>(Image->GetImageEnd());
  const int64_t HeadersEnd = Image->DOSHeader->LfaNew() + int64_t{sizeof(pe::IMAGE_NT_HEADERS32)} +
                             int64_t{sizeof(pe::IMAGE_SECTION_HEADER)} * static_cast<int64_t>(Image->Sections.size());
  if (ImageEnd < HeadersEnd)
    throw EBlockWriteError("has a last section-table entry whose raw data ends at offset " + std::to_string(ImageEnd) +
                           ", inside the headers: a block behind the image would overwrite them");
  for (std::size_t i = 0; i < Image->Sections.size(); ++i) {
    const pe::IMAGE_SECTION_HEADER* H = Image->Sections[i]->Header();
    if (H->SizeOfRawData == 0) continue;
    const int64_t SectionEnd = int64_t{H->PointerToRawData} + H->SizeOfRawData;
    if (SectionEnd > ImageEnd)
      throw EBlockWriteError("has section " + std::to_string(i + 1) + " whose raw data ends at offset " +
                             std::to_string(SectionEnd) + ", past the end of the last section-table entry's at " +
                             std::to_string(ImageEnd) + ", where a block behind the image would go");
  }
  if (ImageEnd > FileSize)
    throw EBlockWriteError("has an image that ends at offset " + std::to_string(ImageEnd) + ", past the end of the file");
  return ImageEnd;
}

TFileWithBlock FileWithBlock(const std::string& FileName, const TNewItems& Items, const TAddOptions& Options) {
  return BytesWithBlock(LoadFileBytes(FileName), Items, Options);
}

TFileWithBlock BytesWithBlock(const std::string& In, const TNewItems& Items, const TAddOptions& Options) {
  const TBlockPlace Old = ExistingBlock(In);
  if (Old.Found && !Options.Replace)
    throw EBlockPresent("already carries a block, at offset " + std::to_string(Old.Start), Old);
  const std::string Base = Old.Found ? WithoutBlock(In, Old) : In;

  TFileWithBlock Result;
  if (Options.Placement == TBlockPlacement::AtEnd) {
    Result.BlockStart = static_cast<int64_t>(Base.size());
    const std::string Block = BuildBlock(Items, Options.Key, Result.BlockStart);
    Result.BlockLength = static_cast<int64_t>(Block.size());
    Result.Bytes = Base + Block;
    return Result;
  }

  Result.BlockStart = ImageEndForBlock(Base);
  const std::string Behind = Base.substr(static_cast<std::size_t>(Result.BlockStart)) + Options.Trailer;
  // The reader looks at the last four bytes first.
  if (EndsWithSignature(Behind))
    throw EBlockWriteError("the data behind the block ends in \"PLWS\", which the reader would take for a block");
  const std::string Block = BuildBlock(Items, Options.Key, Result.BlockStart, /*EndOffsetNeeded=*/true);
  Result.BlockLength = static_cast<int64_t>(Block.size());
  // The reader models the image from the whole file, which it reads only up to 2 GiB.
  const int64_t Total = Result.BlockStart + Result.BlockLength + static_cast<int64_t>(Behind.size());
  if (Total > kMaxField)
    throw EBlockWriteError("the file would be " + std::to_string(Total) +
                           " bytes long; the reader models images of at most " + std::to_string(kMaxField));
  Result.Bytes = Base.substr(0, static_cast<std::size_t>(Result.BlockStart)) + Block + Behind;
  return Result;
}

std::string FileWithoutBlock(const std::string& FileName) { return BytesWithoutBlock(LoadFileBytes(FileName)); }

std::string BytesWithoutBlock(const std::string& In) {
  const TBlockPlace Place = ExistingBlock(In);
  if (!Place.Found) throw EBlockWriteError("carries no block");
  return WithoutBlock(In, Place);
}

void CheckReadsBack(const std::string& FileName, const TNewItems& Items, int64_t BlockStart) {
  TItemTypes Read;
  TBlockInfo Info;
  try {
    ReadAppendedItems(FileName, Read, &Info);
  } catch (const std::exception& E) {
    throw EBlockWriteError(std::string("the reader fails on the written file: ") + E.what());
  }
  if (!Info.Place.Found) throw EBlockWriteError("the reader finds no block in the written file");
  if (Info.Place.Start != BlockStart)
    throw EBlockWriteError("the reader finds a block at offset " + std::to_string(Info.Place.Start) +
                           ", not the one written at " + std::to_string(BlockStart));
  if (Read.size() != Items.size())
    throw EBlockWriteError("the reader finds " + std::to_string(Read.size()) + " items, not " +
                           std::to_string(Items.size()));
  for (std::size_t i = 0; i < Items.size(); ++i) {
    const TItemType& Got = Read[i];
    const std::string Data = Got.Data ? std::string(static_cast<const char*>(Got.Data), static_cast<std::size_t>(Got.Size))
                                      : std::string();
    if (Got.Name != Items[i].Name || Got.Compressed != Items[i].Compressed || Data != Items[i].Data)
      throw EBlockWriteError("item " + std::to_string(i + 1) + " reads back differently");
  }
}
