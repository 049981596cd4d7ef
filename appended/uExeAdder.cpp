#include "appended/uExeAdder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "appended/ZLibEx.h"
#include "appended/uBlockLayout.h"
#include "appended/uPEUtils.h"
#include "appended/uStreamUtils.h"

namespace {

using blocklayout::kSignature;

bool SignatureAt(TStream& stream, int64_t position) {
  if (position < 0) return false;
  char bytes[sizeof kSignature] = {};
  return stream.Seek(position, TSeekOrigin::soBeginning) == position &&
         stream.Read(bytes, sizeof bytes) == static_cast<int32_t>(sizeof bytes) &&
         std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

// Reads the body's fields in order and refuses any length that reaches past the body's end, so
// that no length field sizes an allocation beyond the file.
class TBodyReader {
 public:
  TBodyReader(TStream& stream, int64_t position, int64_t end) : stream_(stream), position_(position), end_(end) {}

  int64_t Left() const { return end_ - position_; }
  void Need(int64_t count) const {
    if (count < 0 || count > Left()) throw EBadBlock();
  }
  int32_t Integer() {
    Need(4);
    position_ += 4;
    return stream_.ReadInteger();
  }
  uint8_t Byte() {
    Need(1);
    position_ += 1;
    return stream_.ReadByte();
  }
  void Bytes(void* buffer, int32_t count) {
    Need(count);
    position_ += count;
    // A file cut short meanwhile leaves the rest zero rather than stale.
    const int32_t got = std::max(stream_.Read(buffer, count), 0);
    if (got < count) std::memset(static_cast<char*>(buffer) + got, 0, static_cast<std::size_t>(count - got));
  }

 private:
  TStream& stream_;
  int64_t position_;
  int64_t end_;
};

void* AllocateData(int32_t size) {
  void* data = std::malloc(static_cast<std::size_t>(size));
  if (!data) throw std::bad_alloc();
  return data;
}

// One record, complete or not at all: a record that fails leaves its list entry empty.
TItemType ReadRecord(TBodyReader& body, uint8_t key, int32_t& dataLengthRead) {
  TItemType item;
  const int32_t nameLength = body.Integer();
  body.Need(nameLength);
  std::string name(static_cast<std::size_t>(nameLength), '\0');
  if (nameLength > 0) body.Bytes(&name[0], nameLength);
  item.Name = XorString(name, key);

  const uint8_t compressed = body.Byte();
  item.Compressed = compressed != 0;
  const int32_t dataLength = body.Integer();
  dataLengthRead = dataLength;
  if (dataLength > 0) body.Need(dataLength);
  if (compressed != 0) {
    if (dataLength <= 0) return item;
    std::vector<uint8_t> packed(static_cast<std::size_t>(dataLength));
    body.Bytes(packed.data(), dataLength);
    void* data = nullptr;
    int32_t size = 0;
    DecompressBuffer(packed.data(), dataLength, data, size, 0);
    item.Data = data;
    item.Size = size;
  } else {
    item.Size = dataLength;
    if (dataLength <= 0) return item;
    item.Data = AllocateData(dataLength);
    body.Bytes(item.Data, dataLength);  // cannot fail: the length was checked above
  }
  return item;
}

}  // namespace

TItemTypes::~TItemTypes() { FreeAppendedItems(*this); }

TItemTypes::TItemTypes(TItemTypes&& other) noexcept : items_(std::move(other.items_)) { other.items_.clear(); }

TItemTypes& TItemTypes::operator=(TItemTypes&& other) noexcept {
  if (this != &other) {
    FreeAppendedItems(*this);
    items_ = std::move(other.items_);
    other.items_.clear();
  }
  return *this;
}

void FreeAppendedItems(TItemTypes& items) {
  for (TItemType& item : items.items_) {
    if (item.Size > 0 && item.Data) std::free(item.Data);
    item.Data = nullptr;
  }
  items.items_.clear();
}

std::string XorString(const std::string& bytes, uint8_t key) {
  std::string result = bytes;
  for (char& c : result) c = static_cast<char>(static_cast<uint8_t>(c) ^ key);
  return result;
}

const TItemType* FindAppendedItem(const TItemTypes& items, const std::string& name) {
  for (const TItemType& item : items)
    if (item.Name == name) return &item;
  return nullptr;
}

std::string AppendedItemData(const TItemType& item) {
  if (!item.Data || item.Size <= 0) return std::string();
  return std::string(static_cast<const char*>(item.Data), static_cast<std::size_t>(item.Size));
}

namespace {

// Finds the block as the program does: the signature at the end, or else at the place that
// EndOffset gives behind the image end. imageEndOf builds the image model of the same bytes and
// gives its GetImageEnd, taken as unsigned. Leaves the stream anywhere.
template <typename TImageEnd>
TBlockPlace Locate(TStream& stream, TImageEnd imageEndOf) {
  TBlockPlace place;
  const int64_t fileSize = stream.Seek(0, TSeekOrigin::soEnd);
  if (fileSize < 0) return place;

  // The bytes of other data behind the block.
  int64_t behind = 0;
  if (!SignatureAt(stream, fileSize - 4)) {
    // The two fields must lie inside the file (an executable that ends where its image ends has
    // no block).
    const int64_t imageEnd = imageEndOf();
    if (imageEnd + blocklayout::kHeadSize > fileSize) return place;
    stream.Seek(imageEnd, TSeekOrigin::soBeginning);
    const int64_t endOffset = stream.ReadInteger();
    const uint8_t useEndOffset = stream.ReadByte();
    behind = fileSize - endOffset;
    if (useEndOffset == 0 || behind < 0 || !SignatureAt(stream, fileSize - behind - 4)) return place;
  }

  const int64_t blockEnd = fileSize - behind;  // just past the signature
  const int64_t bodyEnd = blockEnd - blocklayout::kTrailerSize;
  if (bodyEnd < blocklayout::kBodyHeaderSize) throw EBadBlock();
  stream.Seek(bodyEnd, TSeekOrigin::soBeginning);
  const int64_t bodyLength = stream.ReadInt64();
  if (bodyLength < blocklayout::kBodyHeaderSize || bodyLength > bodyEnd) throw EBadBlock();

  place.Found = true;
  place.BodyStart = bodyEnd - bodyLength;
  place.Start = place.BodyStart - blocklayout::kHeadSize;
  place.BodyEnd = bodyEnd;
  place.End = blockEnd;
  place.FileSize = fileSize;
  return place;
}

// The image end of the file's own model: read afresh, whole, and released once it has answered.
auto FileImageEnd(const std::string& fileName) {
  return [&fileName] { return int64_t{static_cast<uint32_t>(TPEImage(fileName).GetImageEnd())}; };
}

auto StreamImageEnd(TStream& stream) {
  return [&stream] { return int64_t{static_cast<uint32_t>(TPEImage(stream).GetImageEnd())}; };
}

// The reader behind both entries.
template <typename TImageEnd>
void ReadItems(TStream& stream, std::vector<TItemType>& items, TBlockInfo* info,
               TImageEnd imageEndOf) {
  TBlockInfo seen;
  if (!info) info = &seen;
  *info = TBlockInfo();
  info->Place = Locate(stream, imageEndOf);
  if (!info->Place.Found) return;

  stream.Seek(info->Place.BodyStart, TSeekOrigin::soBeginning);
  TBodyReader body(stream, info->Place.BodyStart, info->Place.BodyEnd);
  info->Key = static_cast<uint32_t>(body.Integer());
  const uint8_t key = static_cast<uint8_t>(info->Key & 0xFF);
  const int32_t count = body.Integer();
  if (count < 0) throw ERangeError("Range check error");
  if (count > body.Left() / blocklayout::kMinRecordSize) throw EBadBlock();

  items.resize(static_cast<std::size_t>(count));
  info->DataLengths.assign(static_cast<std::size_t>(count), 0);
  for (std::size_t i = 0; i < items.size(); ++i) items[i] = ReadRecord(body, key, info->DataLengths[i]);
}

}  // namespace

TBlockPlace LocateAppendedBlock(const std::string& fileName) {
  TFileReadStream stream(fileName);
  if (!stream.IsOpen()) return TBlockPlace();
  return Locate(stream, FileImageEnd(fileName));
}

TBlockPlace LocateAppendedBlock(TStream& stream) { return Locate(stream, StreamImageEnd(stream)); }

void ReadAppendedItems(const std::string& fileName, TItemTypes& items, TBlockInfo* info) {
  // Data still held would otherwise be lost with the old entries.
  FreeAppendedItems(items);
  if (info) *info = TBlockInfo();
  TFileReadStream stream(fileName);
  if (!stream.IsOpen()) return;
  ReadItems(stream, items.items_, info, FileImageEnd(fileName));
}

void ReadAppendedItems(TStream& stream, TItemTypes& items, TBlockInfo* info) {
  FreeAppendedItems(items);
  ReadItems(stream, items.items_, info, StreamImageEnd(stream));
}
