// The layout of the block of named items appended to an uninstaller, in one place for its reader
// (uExeAdder) and its writer (uBlockWriter).
//
// Block, little-endian, possibly followed by other data:
//   EndOffset i32 | UseEndOffset u8 | Key u32 | Count i32 | Count item records | BodyLength i64 | "PLWS"
// BodyLength counts Key, Count and the records. EndOffset (the file offset just past the
// signature) and UseEndOffset are reached only from the image end, when the signature does not
// end the file.
// Item record: NameLength i32 | name XOR key byte | Compressed u8 | DataLength i32 | data
// (a zlib stream when Compressed is nonzero; no data bytes when DataLength <= 0).
#pragma once
#include <cstdint>
#include <string>

namespace blocklayout {

extern const char kSignature[4];  // "PLWS"

constexpr int64_t kHeadSize = 5;         // EndOffset, UseEndOffset: outside the span BodyLength counts
constexpr int64_t kBodyHeaderSize = 8;   // Key, Count
constexpr int64_t kTrailerSize = 12;     // BodyLength, signature
constexpr int64_t kMinRecordSize = 9;    // NameLength, Compressed, DataLength
constexpr int64_t kFrameSize = kHeadSize + kTrailerSize;  // a block is BodyLength + this long
constexpr int64_t kMaxField = INT32_MAX;                  // largest length a 32-bit field holds

// Little-endian fields.
std::string Int32Field(int32_t value);
std::string Int64Field(int64_t value);
std::string ByteField(uint8_t value);

// Encoders with every field as given; nothing checks that the fields agree with each other or
// with the bytes. The writer builds consistent blocks from them, tests odd ones.
std::string EncodeRecord(int32_t nameLength, const std::string& storedName, uint8_t compressed,
                         int32_t dataLength, const std::string& dataBytes);
std::string EncodeBody(uint32_t key, int32_t count, const std::string& records);
std::string EncodeBlock(int32_t endOffset, uint8_t useEndOffset, const std::string& body, int64_t bodyLength);

}  // namespace blocklayout
