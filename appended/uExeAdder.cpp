#include "appended/uExeAdder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "appended/ZLibEx.h"
#include "appended/uPEUtils.h"
#include "appended/uStreamUtils.h"

namespace {

const char kSignature[4] = {'P', 'L', 'W', 'S'};
const char kBadBlock[] = "Bad Block";
constexpr int64_t kTrailerSize = 12;     // BodyLength and signature
constexpr int64_t kBodyHeaderSize = 8;   // Key and Count
constexpr int64_t kMinRecordSize = 9;    // NameLength, Compressed, DataLength

bool SignatureAt(TStream& Stream, int64_t Position) {
  if (Position < 0) return false;
  char Bytes[4] = {};
  return Stream.Seek(Position, TSeekOrigin::soBeginning) == Position &&
         Stream.Read(Bytes, 4) == 4 && std::memcmp(Bytes, kSignature, 4) == 0;
}

// Reads the body's fields in order and refuses any length that reaches past the body's end, so
// that no length field sizes an allocation beyond the file.
class TBodyReader {
 public:
  TBodyReader(TStream& Stream, int64_t Position, int64_t End) : Stream_(Stream), Position_(Position), End_(End) {}

  int64_t Left() const { return End_ - Position_; }
  void Need(int64_t Count) const {
    if (Count < 0 || Count > Left()) throw EImageBlockException(kBadBlock);
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
TItemType ReadRecord(TBodyReader& Body, uint8_t Key) {
  TItemType Item;
  const int32_t NameLength = Body.Integer();
  Body.Need(NameLength);
  std::string Name(static_cast<std::size_t>(NameLength), '\0');
  if (NameLength > 0) Body.Bytes(&Name[0], NameLength);
  Item.Name = XorString(Name, Key);

  const uint8_t Compressed = Body.Byte();
  Item.Compressed = Compressed != 0;
  const int32_t DataLength = Body.Integer();
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

void ReadAppendedItems(const std::string& FileName, TItemTypes& Items) {
  // Data still held would otherwise be lost with the old entries.
  FreeAppendedItems(Items);

  TFileReadStream Stream(FileName);
  if (!Stream.IsOpen()) return;
  const int64_t FileSize = Stream.Seek(0, TSeekOrigin::soEnd);
  if (FileSize < 0) return;

  // X: the bytes of other data behind the block.
  int64_t X = 0;
  if (!SignatureAt(Stream, FileSize - 4)) {
    int64_t EndOffset = 0;
    uint8_t UseEndOffset = 0;
    {
      TPEImage Image(FileName);
      // Taken as unsigned; the two fields must lie inside the file (an executable that ends
      // where its image ends has no block).
      const int64_t ImageEnd = static_cast<uint32_t>(Image.GetImageEnd());
      if (ImageEnd + 5 > FileSize) return;
      Stream.Seek(ImageEnd, TSeekOrigin::soBeginning);
      EndOffset = Stream.ReadInteger();
      UseEndOffset = Stream.ReadByte();
    }
    X = FileSize - EndOffset;
    if (UseEndOffset == 0 || X < 0 || !SignatureAt(Stream, FileSize - X - 4)) return;
  }

  const int64_t BlockEnd = FileSize - X;  // just past the signature
  const int64_t BodyEnd = BlockEnd - kTrailerSize;
  if (BodyEnd < kBodyHeaderSize) throw EImageBlockException(kBadBlock);
  Stream.Seek(BodyEnd, TSeekOrigin::soBeginning);
  const int64_t BodyLength = Stream.ReadInt64();
  if (BodyLength < kBodyHeaderSize || BodyLength > BodyEnd) throw EImageBlockException(kBadBlock);

  const int64_t BodyStart = BodyEnd - BodyLength;
  Stream.Seek(BodyStart, TSeekOrigin::soBeginning);
  TBodyReader Body(Stream, BodyStart, BodyEnd);
  const uint8_t Key = static_cast<uint8_t>(Body.Integer() & 0xFF);
  const int32_t Count = Body.Integer();
  if (Count < 0) throw ERangeError("Range check error");
  if (Count > Body.Left() / kMinRecordSize) throw EImageBlockException(kBadBlock);

  Items.Items_.resize(static_cast<std::size_t>(Count));
  for (TItemType& Item : Items.Items_) Item = ReadRecord(Body, Key);
}
