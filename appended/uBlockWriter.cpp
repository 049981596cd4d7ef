#include "appended/uBlockWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "appended/uBlockLayout.h"
#include "appended/uPEUtils.h"
#include "appended/uStreamUtils.h"

namespace blockwriter {
namespace {

using blocklayout::kMaxField;

// True when bytes hold the optional header of a 64-bit image (magic 0x20B, PE32+).
bool Is64BitImage(const std::string& bytes) {
  const auto byte = [&bytes](uint64_t at) { return uint32_t{static_cast<uint8_t>(bytes[static_cast<std::size_t>(at)])}; };
  if (bytes.size() < 64 || bytes.compare(0, 2, "MZ") != 0) return false;
  const uint64_t lfaNew = byte(60) | byte(61) << 8 | byte(62) << 16 | byte(63) << 24;
  const uint64_t magic = lfaNew + 24;  // behind "PE\0\0" and the file header
  return magic + 2 <= bytes.size() && (byte(magic) | byte(magic + 1) << 8) == 0x20B;
}

// The bytes of a file as the reader's stream, which holds less than 2 GiB.
TMemoryStream StreamOf(const std::string& bytes) {
  TMemoryStream stream;
  if (!stream.LoadFromBytes(bytes))
    throw EBlockWriteError("is too large for the reader (" + std::to_string(bytes.size()) + " bytes)");
  return stream;
}

// The block that a file's contents carry, as the reader finds it. Contents with neither a
// signature at their end nor a PE image to look behind carry none.
TBlockPlace ExistingBlock(const std::string& bytes) {
  TMemoryStream stream = StreamOf(bytes);
  TBlockPlace place;
  try {
    place = LocateAppendedBlock(stream);
  } catch (const EBadBlock& error) {
    throw EBlockWriteError(std::string("ends in a damaged block (") + error.what() + ")");
  } catch (const EImageBlockException&) {
    return TBlockPlace();
  }
  if (place.Found && place.Start < 0) throw EBlockWriteError("ends in a damaged block (it would begin before the file)");
  return place;
}

std::string WithoutBlock(const std::string& bytes, const TBlockPlace& place) {
  return bytes.substr(0, static_cast<std::size_t>(place.Start)) + bytes.substr(static_cast<std::size_t>(place.End));
}

bool EndsWithSignature(const std::string& bytes) {
  const std::size_t length = sizeof blocklayout::kSignature;
  return bytes.size() >= length && std::memcmp(bytes.data() + bytes.size() - length, blocklayout::kSignature, length) == 0;
}

// Where a block behind the image of bytes (a file's contents) begins: the end of the raw data of
// the last section-table entry, which the reader goes to. Refuses (EBlockWriteError) bytes that
// are not a 32-bit PE image, and an image where a block there would overwrite the headers or
// another section's raw data, or would lie past the end.
int64_t ImageEndForBlock(const std::string& bytes) {
  const int64_t fileSize = static_cast<int64_t>(bytes.size());
  // The model reads every image as a 32-bit one: in a 64-bit one it would find the sections in
  // the wrong place, and a block put behind them could land inside the program.
  if (Is64BitImage(bytes))
    throw EBlockWriteError("is a 64-bit image (PE32+): the uninstaller's reader finds a block behind 32-bit images only");
  TMemoryStream stream = StreamOf(bytes);
  std::unique_ptr<TPEImage> image;
  try {
    image = std::make_unique<TPEImage>(stream);
  } catch (const EImageBlockException& error) {
    throw EBlockWriteError(std::string("is not a PE image (") + error.what() + ")");
  }
  if (image->Sections.empty()) throw EBlockWriteError("is not a PE image with sections");
  // The reader goes to the end of the last entry's raw data, whatever lies further on.
  const int64_t imageEnd = static_cast<uint32_t>(image->GetImageEnd());
  const int64_t headersEnd = image->DOSHeader->LfaNew() + int64_t{sizeof(pe::IMAGE_NT_HEADERS32)} +
                             int64_t{sizeof(pe::IMAGE_SECTION_HEADER)} * static_cast<int64_t>(image->Sections.size());
  if (imageEnd < headersEnd)
    throw EBlockWriteError("has a last section-table entry whose raw data ends at offset " + std::to_string(imageEnd) +
                           ", inside the headers: a block behind the image would overwrite them");
  for (std::size_t i = 0; i < image->Sections.size(); ++i) {
    const pe::IMAGE_SECTION_HEADER* header = image->Sections[i]->Header();
    if (header->SizeOfRawData == 0) continue;
    const int64_t sectionEnd = int64_t{header->PointerToRawData} + header->SizeOfRawData;
    if (sectionEnd > imageEnd)
      throw EBlockWriteError("has section " + std::to_string(i + 1) + " whose raw data ends at offset " +
                             std::to_string(sectionEnd) + ", past the end of the last section-table entry's at " +
                             std::to_string(imageEnd) + ", where a block behind the image would go");
  }
  if (imageEnd > fileSize)
    throw EBlockWriteError("has an image that ends at offset " + std::to_string(imageEnd) + ", past the end of the file");
  return imageEnd;
}

}  // namespace

std::string CompressItemData(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  const int result = compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
                               static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION);
  if (result != Z_OK) throw EBlockWriteError("zlib could not compress the data (result " + std::to_string(result) + ")");
  out.resize(size);
  return out;
}

void CheckItemSizes(uint64_t nameSize, uint64_t dataSize, uint64_t storedSize) {
  const std::string limit = std::to_string(kMaxField) + " bytes, the most its 32-bit length holds";
  if (nameSize > static_cast<uint64_t>(kMaxField)) throw EBlockWriteError("its name is longer than " + limit);
  if (dataSize > static_cast<uint64_t>(kMaxField)) throw EBlockWriteError("its data is longer than " + limit);
  if (storedSize > static_cast<uint64_t>(kMaxField))
    throw EBlockWriteError("its stored data is longer than " + limit);
}

std::string ItemRecord(const TNewItem& item, uint8_t keyByte) {
  // Sizes first: compressing needs the data's length to fit zlib's.
  CheckItemSizes(item.Name.size(), item.Data.size(), 0);
  const std::string stored = item.Compressed ? CompressItemData(item.Data) : item.Data;
  CheckItemSizes(item.Name.size(), item.Data.size(), stored.size());
  return blocklayout::EncodeRecord(static_cast<int32_t>(item.Name.size()), XorString(item.Name, keyByte),
                                   item.Compressed ? 1 : 0, static_cast<int32_t>(stored.size()), stored);
}

std::string BuildBlockOfRecords(const std::vector<std::string>& records, uint32_t key, int64_t blockStart,
                                bool endOffsetNeeded) {
  if (records.size() > static_cast<std::size_t>(kMaxField)) throw EBlockWriteError("too many items for Count");
  std::string joined;
  for (const std::string& record : records) joined += record;
  const std::string body = blocklayout::EncodeBody(key, static_cast<int32_t>(records.size()), joined);
  const int64_t bodyLength = static_cast<int64_t>(body.size());
  const int64_t end = blockStart + bodyLength + blocklayout::kFrameSize;
  int32_t endOffset = 0;
  uint8_t useEndOffset = 0;
  if (end <= kMaxField) {
    endOffset = static_cast<int32_t>(end);
    useEndOffset = 1;
  } else if (endOffsetNeeded) {
    throw EBlockWriteError("the block would end at offset " + std::to_string(end) +
                           ", beyond what its 32-bit EndOffset holds");
  }
  return blocklayout::EncodeBlock(endOffset, useEndOffset, body, bodyLength);
}

std::string BuildBlock(const TNewItems& items, uint32_t key, int64_t blockStart, bool endOffsetNeeded) {
  std::vector<std::string> records;
  records.reserve(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    try {
      records.push_back(ItemRecord(items[i], static_cast<uint8_t>(key & 0xFF)));
    } catch (const EBlockWriteError& error) {
      throw EBlockWriteError("item " + std::to_string(i + 1) + ": " + error.what());
    }
  }
  return BuildBlockOfRecords(records, key, blockStart, endOffsetNeeded);
}

TFileWithBlock BytesWithBlock(const std::string& in, const TNewItems& items, const TAddOptions& options) {
  const TBlockPlace old = ExistingBlock(in);
  if (old.Found && !options.Replace)
    throw EBlockPresent("already carries a block, at offset " + std::to_string(old.Start), old);
  const std::string base = old.Found ? WithoutBlock(in, old) : in;

  TFileWithBlock result;
  if (options.Placement == TBlockPlacement::AtEnd) {
    result.BlockStart = static_cast<int64_t>(base.size());
    const std::string block = BuildBlock(items, options.Key, result.BlockStart);
    result.BlockLength = static_cast<int64_t>(block.size());
    result.Bytes = base + block;
    return result;
  }

  result.BlockStart = ImageEndForBlock(base);
  const std::string behind = base.substr(static_cast<std::size_t>(result.BlockStart)) + options.Trailer;
  // The reader looks at the last four bytes first.
  if (EndsWithSignature(behind))
    throw EBlockWriteError("the data behind the block ends in \"PLWS\", which the reader would take for a block");
  const std::string block = BuildBlock(items, options.Key, result.BlockStart, /*EndOffsetNeeded=*/true);
  result.BlockLength = static_cast<int64_t>(block.size());
  // The reader models the image from the whole file, which it reads only up to 2 GiB.
  const int64_t total = result.BlockStart + result.BlockLength + static_cast<int64_t>(behind.size());
  if (total > kMaxField)
    throw EBlockWriteError("the file would be " + std::to_string(total) +
                           " bytes long; the reader models images of at most " + std::to_string(kMaxField));
  result.Bytes = base.substr(0, static_cast<std::size_t>(result.BlockStart)) + block + behind;
  return result;
}

std::string BytesWithoutBlock(const std::string& in) {
  const TBlockPlace place = ExistingBlock(in);
  if (!place.Found) throw EBlockWriteError("carries no block");
  return WithoutBlock(in, place);
}

void CheckReadsBack(const std::string& fileName, const TNewItems& items, int64_t blockStart) {
  TItemTypes read;
  TBlockInfo info;
  try {
    ReadAppendedItems(fileName, read, &info);
  } catch (const std::exception& error) {
    throw EBlockWriteError(std::string("the reader fails on the written file: ") + error.what());
  }
  if (!info.Place.Found) throw EBlockWriteError("the reader finds no block in the written file");
  if (info.Place.Start != blockStart)
    throw EBlockWriteError("the reader finds a block at offset " + std::to_string(info.Place.Start) +
                           ", not the one written at " + std::to_string(blockStart));
  if (read.size() != items.size())
    throw EBlockWriteError("the reader finds " + std::to_string(read.size()) + " items, not " +
                           std::to_string(items.size()));
  for (std::size_t i = 0; i < items.size(); ++i) {
    const TItemType& got = read[i];
    if (got.Name != items[i].Name || got.Compressed != items[i].Compressed || AppendedItemData(got) != items[i].Data)
      throw EBlockWriteError("item " + std::to_string(i + 1) + " reads back differently");
  }
}

}  // namespace blockwriter
