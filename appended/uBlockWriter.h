// Writer of the block of named items that the product's builder appends to each copy of the
// uninstaller. It shares the layout (uBlockLayout.h) and the search for an existing block
// (LocateAppendedBlock) with the reader, and refuses whatever the reader could not read back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "appended/uExeAdder.h"
#include "base/uMessageError.h"

namespace blockwriter {

// One item to write; name and data may hold any bytes.
struct TNewItem {
  std::string Name;
  std::string Data;
  bool Compressed = false;  // stored as a zlib stream at zlib's default level
};
using TNewItems = std::vector<TNewItem>;

// The key when none is given. Scrambling only keeps the names out of a plain view of the file.
constexpr uint32_t kDefaultKey = 0x5A;

// A file or block that cannot be written, or would not read back; nothing has been written.
class EBlockWriteError : public EMessageError {
 public:
  using EMessageError::EMessageError;
};

// The file already carries a block, which a second one would leave inside as garbage (the
// reader finds only the last).
class EBlockPresent : public EBlockWriteError {
 public:
  EBlockPresent(const std::string& message, const TBlockPlace& place) : EBlockWriteError(message), Place(place) {}
  TBlockPlace Place;
};

enum class TBlockPlacement {
  AtEnd,        // the block ends the file
  BehindImage,  // the block starts where the image ends, found through EndOffset
};

struct TAddOptions {
  uint32_t Key = kDefaultKey;
  TBlockPlacement Placement = TBlockPlacement::AtEnd;
  // BehindImage: data put behind the block, after whatever the file held past its image end.
  std::string Trailer;
  // Remove a block that the file carries instead of refusing.
  bool Replace = false;
};

// A file's new contents and where its block lies in them.
struct TFileWithBlock {
  std::string Bytes;
  int64_t BlockStart = 0;
  int64_t BlockLength = 0;
};

// zlib stream (RFC 1950) of data at zlib's default level. Raises EBlockWriteError.
std::string CompressItemData(const std::string& data);

// Raises EBlockWriteError when an item of these sizes could not be read back: a name, data or
// stored data longer than a signed 32-bit length holds.
void CheckItemSizes(uint64_t nameSize, uint64_t dataSize, uint64_t storedSize);

// The record of item: name scrambled with keyByte, data compressed when asked.
std::string ItemRecord(const TNewItem& item, uint8_t keyByte);

// The block of records (from ItemRecord or blocklayout::EncodeRecord) that starts at file offset
// blockStart. EndOffset is the offset just past the block with UseEndOffset 1; when that offset
// does not fit EndOffset's 32 bits, both are 0, or, when EndOffsetNeeded, EBlockWriteError.
std::string BuildBlockOfRecords(const std::vector<std::string>& records, uint32_t key, int64_t blockStart,
                                bool endOffsetNeeded = false);
std::string BuildBlock(const TNewItems& items, uint32_t key, int64_t blockStart, bool endOffsetNeeded = false);

// A file's contents in with a block of items, as options say. Refuses (EBlockPresent) contents that
// carry a block unless options.Replace; and (EBlockWriteError) a damaged block, items or a
// placement that the reader could not read back.
TFileWithBlock BytesWithBlock(const std::string& in, const TNewItems& items, const TAddOptions& options = {});

// A file's contents in without its block; other data behind the block stays. Refuses contents
// without a block, or with a damaged one (EBlockWriteError).
std::string BytesWithoutBlock(const std::string& in);

// Reads fileName with the reader; raises EBlockWriteError unless it finds exactly items (names,
// data, compressed or not) in a block that starts at blockStart.
void CheckReadsBack(const std::string& fileName, const TNewItems& items, int64_t blockStart);

}  // namespace blockwriter
