// Reader of the block of named items that the product's builder appends to the executable.
//
// Block layout (little-endian), X bytes of other data possibly behind it:
//   EndOffset i32 | UseEndOffset u8 | Key u32 | Count i32 | Count item records | BodyLength i64 | "PLWS"
// BodyLength counts Key, Count and the records. EndOffset and UseEndOffset are reached only from
// the image end, when the signature does not end the file.
// Item record: NameLength i32 | name XOR key byte | Compressed u8 | DataLength i32 | data
// (a zlib stream when Compressed is nonzero).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One item. Data is a malloc'd block of Size bytes (the inflated bytes of a compressed item), or
// null; a stored item with a negative DataLength keeps that value in Size and has no Data.
struct TItemType {
  std::string Name;
  void* Data = nullptr;
  int32_t Size = 0;
  bool Compressed = false;
};

// The items in file order. The list owns every item's Data; FreeAppendedItems releases it, and so
// does the list's destruction, so no path out of a reader's caller leaks.
class TItemTypes {
 public:
  TItemTypes() = default;
  ~TItemTypes();
  TItemTypes(const TItemTypes&) = delete;
  TItemTypes& operator=(const TItemTypes&) = delete;
  TItemTypes(TItemTypes&& Other) noexcept;
  TItemTypes& operator=(TItemTypes&& Other) noexcept;

  std::size_t size() const { return Items_.size(); }
  bool empty() const { return Items_.empty(); }
  TItemType& operator[](std::size_t i) { return Items_[i]; }
  const TItemType& operator[](std::size_t i) const { return Items_[i]; }
  std::vector<TItemType>::iterator begin() { return Items_.begin(); }
  std::vector<TItemType>::iterator end() { return Items_.end(); }
  std::vector<TItemType>::const_iterator begin() const { return Items_.begin(); }
  std::vector<TItemType>::const_iterator end() const { return Items_.end(); }

 private:
  friend void ReadAppendedItems(const std::string& FileName, TItemTypes& Items);
  friend void FreeAppendedItems(TItemTypes& Items);
  std::vector<TItemType> Items_;
};

// Replaces the contents of Items with the items appended to FileName (Data still held by Items
// is released first). Gives an empty list, without an exception, for a file that cannot be
// opened, an executable that ends where its image does, a signature found neither at the end nor
// where EndOffset points, and UseEndOffset 0.
// Raises:
//  - EImageBlockException "Bad Signature": no signature at the end and no PE image to look
//    behind; "Bad Block": a length field (BodyLength, Count, NameLength, DataLength) that points
//    outside the block;
//  - ERangeError "Range check error": a negative Count (Items empty);
//  - EZDecompressionError: an item that does not inflate.
// After "Bad Block" inside the records or a failed inflation, Items keeps Count entries: those
// before the failing record complete, the rest empty.
void ReadAppendedItems(const std::string& FileName, TItemTypes& Items);

// Releases Data of every item with Size > 0 and Data not null, in list order; empties the list.
void FreeAppendedItems(TItemTypes& Items);

// S with every byte XORed with Key.
std::string XorString(const std::string& S, uint8_t Key);

// The first item named Name (exact bytes), or null.
const TItemType* FindAppendedItem(const TItemTypes& Items, const std::string& Name);
