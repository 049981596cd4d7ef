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

bool SignatureAt(TStream& Stream, int64_t Position) {
  if (Position < 0) return false;
  char Bytes[sizeof kSignature] = {};
  return Stream.Seek(Position, TSeekOrigin::soBeginning) == Position &&
         Stream.Read(Bytes, sizeof Bytes) == static_cast<int32_t>(sizeof Bytes) &&
         std::memcmp(Bytes, kSignature, sizeof kSignature) == 0;
}

// Reads the body's fields in order and refuses any length that reaches past the body's end, so
// that no length field sizes an allocation beyond the file.
class TBodyReader {
 public:
  TBodyReader(TStream& Stream, int64_t Position, int64_t End) : Stream_(Stream), Position_(Position), End_(End) {}

  int64_t Left() const { return End_ - Position_; }
  void Need(int64_t Count) const {
    if (Count < 0 || Count > Left()) throw EBadBlock();
  }
  int32_t Integer() {
    Need(4);
    Position_ += 4;
    return Stream_.ReadInteger();
  }
  uint8_t Byte() {
    Need(1);
    Position_ += 1;
    return Stream_.ReadByte();
  }
  void Bytes(void* Buffer, int32_t Count) {
    Need(Count);
    Position_ += Count;
    // A file cut short meanwhile leaves the rest zero rather than stale.
    const int32_t Got = std::max(Stream_.Read(Buffer, Count), 0);
    if (Got < Count) std::memset(static_cast<char*>(Buffer) + Got, 0, static_cast<std::size_t>(Count - Got));
  }

 private:
  TStream& Stream_;
  int64_t Position_;
  int64_t End_;
};

void* AllocateData(int32_t Size) {
  void* Data = std::malloc(static_cast<std::size_t>(Size));
  if (!Data) throw std::bad_alloc();
  return Data;
}

// One record, complete or not at all: a record that fails leaves its list entry empty.
TItemType ReadRecord(TBodyReader& Body, uint8_t Key, int32_t& DataLengthRead) {
  TItemType Item;
  const int32_t NameLength = Body.Integer();
  Body.Need(NameLength);
  std::string Name(static_cast<std::size_t>(NameLength), '\0');
  if (NameLength > 0) Body.Bytes(&Name[0], NameLength);
  Item.Name = XorString(Name, Key);

  const uint8_t Compressed = Body.Byte();
  Item.Compressed = Compressed != 0;
  const int32_t DataLength = Body.Integer();
  DataLengthRead = DataLength;
  if (DataLength > 0) Body.Need(DataLength);
  if (Compressed != 0) {
    if (DataLength <= 0) return Item;
    std::vector<uint8_t> Packed(static_cast<std::size_t>(DataLength));
    Body.Bytes(Packed.data(), DataLength);
    void* Data = nullptr;
    int32_t Size = 0;
    DecompressBuffer(Packed.data(), DataLength, Data, Size, 0);
    Item.Data = Data;
    Item.Size = Size;
  } else {
    Item.Size = DataLength;
    if (DataLength <= 0) return Item;
    Item.Data = AllocateData(DataLength);
    Body.Bytes(Item.Data, DataLength);  // cannot fail: the length was checked above
  }
  return Item;
}

}  // namespace

TItemTypes::~TItemTypes() { FreeAppendedItems(*this); }

TItemTypes::TItemTypes(TItemTypes&& Other) noexcept : Items_(std::move(Other.Items_)) { Other.Items_.clear(); }

TItemTypes& TItemTypes::operator=(TItemTypes&& Other) noexcept {
  if (this != &Other) {
    FreeAppendedItems(*this);
    Items_ = std::move(Other.Items_);
    Other.Items_.clear();
  }
  return *this;
}

void FreeAppendedItems(TItemTypes& Items) {
  for (TItemType& Item : Items.Items_) {
    if (Item.Size > 0 && Item.Data) std::free(Item.Data);
    Item.Data = nullptr;
  }
  Items.Items_.clear();
}

std::string XorString(const std::string& S, uint8_t Key) {
  std::string Result = S;
  for (char& C : Result) C = static_cast<char>(static_cast<uint8_t>(C) ^ Key);
  return Result;
}

const TItemType* FindAppendedItem(const TItemTypes& Items, const std::string& Name) {
  for (const TItemType& Item : Items)
    if (Item.Name == Name) return &Item;
  return nullptr;
}

namespace {

// Finds the block as the program does: the signature at the end, or else at the place that
// EndOffset gives behind the image end. ImageEndOf builds the image model of the same bytes and
// gives its GetImageEnd, taken as unsigned. Leaves the stream anywhere.
template <typename TImageEnd>
TBlockPlace Locate(TStream& Stream, TImageEnd ImageEndOf) {
  TBlockPlace Place;
  const int64_t FileSize = Stream.Seek(0, TSeekOrigin::soEnd);
  if (FileSize < 0) return Place;

  // X: the bytes of other data behind the block.
  int64_t X = 0;
  if (!SignatureAt(Stream, FileSize - 4)) {
    // The two fields must lie inside the file (an executable that ends where its image ends has
    // no block).
    const int64_t ImageEnd = ImageEndOf();
    if (ImageEnd + blocklayout::kHeadSize > FileSize) return Place;
    Stream.Seek(ImageEnd, TSeekOrigin::soBeginning);
    const int64_t EndOffset = Stream.ReadInteger();
    const uint8_t UseEndOffset = Stream.ReadByte();
    X = FileSize - EndOffset;
    if (UseEndOffset == 0 || X < 0 || !SignatureAt(Stream, FileSize - X - 4)) return Place;
  }

  const int64_t BlockEnd = FileSize - X;  // just past the signature
  const int64_t BodyEnd = BlockEnd - blocklayout::kTrailerSize;
  if (BodyEnd < blocklayout::kBodyHeaderSize) throw EBadBlock();
  Stream.Seek(BodyEnd, TSeekOrigin::soBeginning);
  const int64_t BodyLength = Stream.ReadInt64();
  if (BodyLength < blocklayout::kBodyHeaderSize || BodyLength > BodyEnd) throw EBadBlock();

  Place.Found = true;
  Place.BodyStart = BodyEnd - BodyLength;
  Place.Start = Place.BodyStart - blocklayout::kHeadSize;
  Place.BodyEnd = BodyEnd;
  Place.End = BlockEnd;
  Place.FileSize = FileSize;
  return Place;
}

// The image end of the file's own model: read afresh, whole, and released once it has answered.
auto FileImageEnd(const std::string& FileName) {
  return [&FileName] { return int64_t{static_cast<uint32_t>(TPEImage(FileName).GetImageEnd())}; };
}

auto StreamImageEnd(TStream& Stream) {
  return [&Stream] { return int64_t{static_cast<uint32_t>(TPEImage(Stream).GetImageEnd())}; };
}

// The reader behind both entries.
template <typename TImageEnd>
void ReadItems(TStream& Stream, std::vector<TItemType>& Items, TBlockInfo* Info,
               TImageEnd ImageEndOf) {
  TBlockInfo Seen;
  if (!Info) Info = &Seen;
  *Info = TBlockInfo();
  Info->Place = Locate(Stream, ImageEndOf);
  if (!Info->Place.Found) return;

  Stream.Seek(Info->Place.BodyStart, TSeekOrigin::soBeginning);
  TBodyReader Body(Stream, Info->Place.BodyStart, Info->Place.BodyEnd);
  Info->Key = static_cast<uint32_t>(Body.Integer());
  const uint8_t Key = static_cast<uint8_t>(Info->Key & 0xFF);
  const int32_t Count = Body.Integer();
  if (Count < 0) throw ERangeError("Range check error");
  if (Count > Body.Left() / blocklayout::kMinRecordSize) throw EBadBlock();

  Items.resize(static_cast<std::size_t>(Count));
  Info->DataLengths.assign(static_cast<std::size_t>(Count), 0);
  for (std::size_t i = 0; i < Items.size(); ++i) Items[i] = ReadRecord(Body, Key, Info->DataLengths[i]);
}

}  // namespace

TBlockPlace LocateAppendedBlock(const std::string& FileName) {
  TFileReadStream Stream(FileName);
  if (!Stream.IsOpen()) return TBlockPlace();
  return Locate(Stream, FileImageEnd(FileName));
}

TBlockPlace LocateAppendedBlock(TStream& Stream) { return Locate(Stream, StreamImageEnd(Stream)); }

void ReadAppendedItems(const std::string& FileName, TItemTypes& Items, TBlockInfo* Info) {
  // Data still held would otherwise be lost with the old entries.
  FreeAppendedItems(Items);
  if (Info) *Info = TBlockInfo();
  TFileReadStream Stream(FileName);
  if (!Stream.IsOpen()) return;
  ReadItems(Stream, Items.Items_, Info, FileImageEnd(FileName));
}

void ReadAppendedItems(TStream& Stream, TItemTypes& Items, TBlockInfo* Info) {
  FreeAppendedItems(Items);
  ReadItems(Stream, Items.Items_, Info, StreamImageEnd(Stream));
}
