#include "appended/uBlockLayout.h"

namespace blocklayout {

const char kSignature[4] = {'P', 'L', 'W', 'S'};

namespace {
std::string LittleEndian(uint64_t value, int bytes) {
  std::string field(static_cast<std::size_t>(bytes), '\0');
  for (int i = 0; i < bytes; ++i) field[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return field;
}
}  // namespace

std::string Int32Field(int32_t value) { return LittleEndian(static_cast<uint32_t>(value), 4); }
std::string Int64Field(int64_t value) { return LittleEndian(static_cast<uint64_t>(value), 8); }
std::string ByteField(uint8_t value) { return std::string(1, static_cast<char>(value)); }

std::string EncodeRecord(int32_t nameLength, const std::string& storedName, uint8_t compressed,
                         int32_t dataLength, const std::string& dataBytes) {
  return Int32Field(nameLength) + storedName + ByteField(compressed) + Int32Field(dataLength) + dataBytes;
}

std::string EncodeBody(uint32_t key, int32_t count, const std::string& records) {
  return Int32Field(static_cast<int32_t>(key)) + Int32Field(count) + records;
}

std::string EncodeBlock(int32_t endOffset, uint8_t useEndOffset, const std::string& body, int64_t bodyLength) {
  return Int32Field(endOffset) + ByteField(useEndOffset) + body + Int64Field(bodyLength) +
         std::string(kSignature, sizeof kSignature);
}

}  // namespace blocklayout
