// Reader of the block of named items that the product's builder appends to the executable; the
// layout is described in uBlockLayout.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "appended/uPEUtils.h"

// "Bad Block": a block whose length fields point outside it (an EImageBlockException, reported
// like "Bad Signature").
class EBadBlock : public EImageBlockException {
 public:
  EBadBlock() : EImageBlockException("Bad Block") {}
};

// One item. Data is a malloc'd block of Size bytes (the inflated bytes of a compressed item), or
// null; a stored item with a negative DataLength keeps that value in Size and has no Data.
struct TItemType {
  std::string Name;
  void* Data = nullptr;
  int32_t Size = 0;
  bool Compressed = false;
};

struct TBlockInfo;

// The items in file order. The list owns every item's Data; FreeAppendedItems releases it, and so
// does the list's destruction, so no path out of a reader's caller leaks.
class TItemTypes {
 public:
  TItemTypes() = default;
  ~TItemTypes();
  TItemTypes(const TItemTypes&) = delete;
  TItemTypes& operator=(const TItemTypes&) = delete;
  TItemTypes(TItemTypes&& other) noexcept;
  TItemTypes& operator=(TItemTypes&& other) noexcept;

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  TItemType& operator[](std::size_t i) { return items_[i]; }
  const TItemType& operator[](std::size_t i) const { return items_[i]; }
  std::vector<TItemType>::iterator begin() { return items_.begin(); }
  std::vector<TItemType>::iterator end() { return items_.end(); }
  std::vector<TItemType>::const_iterator begin() const { return items_.begin(); }
  std::vector<TItemType>::const_iterator end() const { return items_.end(); }

 private:
  friend void ReadAppendedItems(const std::string& fileName, TItemTypes& items, TBlockInfo* info);
  friend void ReadAppendedItems(TStream& stream, TItemTypes& items, TBlockInfo* info);
  friend void FreeAppendedItems(TItemTypes& items);
  std::vector<TItemType> items_;
};

// Where the reader finds a block. Offsets are file offsets; the block runs from Start (its
// EndOffset field) to End (just past its signature), and FileSize - End bytes of other data follow.
struct TBlockPlace {
  bool Found = false;
  int64_t Start = 0;      // BodyStart - 5; below 0 for a block whose BodyLength reaches the file start
  int64_t BodyStart = 0;  // Key
  int64_t BodyEnd = 0;    // BodyLength
  int64_t End = 0;
  int64_t FileSize = 0;
  bool AtEnd() const { return Found && End == FileSize; }
};

// What the reader saw besides the items: the block's place, its whole Key field and each record's
// DataLength (the stored length; 0 for records not reached).
struct TBlockInfo {
  TBlockPlace Place;
  uint32_t Key = 0;
  std::vector<int32_t> DataLengths;
};

// The place of fileName's block, found as ReadAppendedItems finds it; Found is false where the
// reader gives an empty list. Raises as ReadAppendedItems does before it reads Key ("Bad
// Signature", "Bad Block" for a BodyLength outside the file, file errors of the image model).
TBlockPlace LocateAppendedBlock(const std::string& fileName);
// As above, with the file's bytes in stream.
TBlockPlace LocateAppendedBlock(TStream& stream);

// Replaces the contents of items with the items appended to fileName (Data still held by items
// is released first). Gives an empty list, without an exception, for a file that cannot be
// opened, an executable that ends where its image does, a signature found neither at the end nor
// where EndOffset points, and UseEndOffset 0.
// Raises:
//  - EImageBlockException "Bad Signature": no signature at the end and no PE image to look
//    behind; "Bad Block": a length field (BodyLength, Count, NameLength, DataLength) that points
//    outside the block;
//  - ERangeError "Range check error": a negative Count (items empty);
//  - EZDecompressionError: an item that does not inflate.
// After "Bad Block" inside the records or a failed inflation, items keeps Count entries: those
// before the failing record complete, the rest empty.
// info, when given, is filled as far as the reading got.
void ReadAppendedItems(const std::string& fileName, TItemTypes& items, TBlockInfo* info = nullptr);

// As above, with the executable's bytes in stream, which also serves the image model when the
// signature does not end it.
void ReadAppendedItems(TStream& stream, TItemTypes& items, TBlockInfo* info = nullptr);

// Releases Data of every item with Size > 0 and Data not null, in list order; empties the list.
void FreeAppendedItems(TItemTypes& items);

// s with every byte XORed with key.
std::string XorString(const std::string& s, uint8_t key);

// The first item named name (exact bytes), or null.
const TItemType* FindAppendedItem(const TItemTypes& items, const std::string& name);

// The bytes of item's data; empty when it has none (null Data, or a Size of 0 or below).
std::string AppendedItemData(const TItemType& item);
