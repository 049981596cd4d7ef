// The block's layout: its encoders put every field where the layout's sizes say, little-endian.
#include <gtest/gtest.h>

#include <string>

#include "appended/uBlockLayout.h"

namespace {

using namespace blocklayout;

TEST(BlockLayout, FieldsAreLittleEndian) {
  EXPECT_EQ(Int32Field(-2), std::string("\xFE\xFF\xFF\xFF", 4));
  EXPECT_EQ(Int32Field(0x12345678), "\x78\x56\x34\x12");
  EXPECT_EQ(Int64Field(static_cast<int64_t>(0x8000000000000001ull)), std::string("\x01\0\0\0\0\0\0\x80", 8));
  EXPECT_EQ(ByteField(0), std::string(1, '\0'));
}

// The sizes of the format's own example: one record with a 4-byte name and a 46-byte stream makes
// a body of 67 bytes and a block of 84.
TEST(BlockLayout, SizesAgreeWithTheEncoders) {
  EXPECT_EQ(static_cast<int64_t>(EncodeRecord(0, "", 0, 0, "").size()), kMinRecordSize);
  EXPECT_EQ(static_cast<int64_t>(EncodeBody(0x5A, 0, "").size()), kBodyHeaderSize);
  const std::string record = EncodeRecord(4, "name", 1, 46, std::string(46, 'z'));
  const std::string body = EncodeBody(0x5A, 1, record);
  EXPECT_EQ(body.size(), 67u);
  const std::string block = EncodeBlock(84, 1, body, 67);
  EXPECT_EQ(static_cast<int64_t>(block.size()), 67 + kFrameSize);
  EXPECT_EQ(block.size(), 84u);

  // Where each field lies in the block.
  EXPECT_EQ(block.substr(0, 4), Int32Field(84));                                    // EndOffset
  EXPECT_EQ(block[4], '\x01');                                                      // UseEndOffset
  EXPECT_EQ(block.substr(kHeadSize, 4), Int32Field(0x5A));                          // Key
  EXPECT_EQ(block.substr(kHeadSize + 4, 4), Int32Field(1));                         // Count
  EXPECT_EQ(block.substr(kHeadSize + kBodyHeaderSize, 4), Int32Field(4));           // NameLength
  EXPECT_EQ(block.substr(kHeadSize + kBodyHeaderSize + 4, 4), "name");
  EXPECT_EQ(block[kHeadSize + kBodyHeaderSize + 8], '\x01');                        // Compressed
  EXPECT_EQ(block.substr(kHeadSize + kBodyHeaderSize + 9, 4), Int32Field(46));      // DataLength
  EXPECT_EQ(block.substr(block.size() - kTrailerSize, 8), Int64Field(67));          // BodyLength
  EXPECT_EQ(block.substr(block.size() - 4), std::string(kSignature, sizeof kSignature));
  EXPECT_EQ(block.substr(block.size() - 4), "PLWS");
}

}  // namespace
