#include "appended/uBlockLayout.h"

namespace blocklayout {

const char kSignature[4] = {'P', 'L', 'W', 'S'};

namespace {
std::string LittleEndian(uint64_t Value, int Bytes) {
  std::string S(static_cast<std::size_t>(Bytes), '\0');
  for (int i = 0; i < Bytes; ++i) S[static_cast<std::size_t>(i)] = static_cast<char>((Value >> (8 * i)) & 0xFF);
  return S;
}
}  // namespace

std::string Int32Field(int32_t Value) { return LittleEndian(static_cast<uint32_t>(Value), 4); }
std::string Int64Field(int64_t Value) { return LittleEndian(static_cast<uint64_t>(Value), 8); }
std::string ByteField(uint8_t Value) { return std::string(1, static_cast<char>(Value)); }

std::string EncodeRecord(int32_t NameLength, const std::string& StoredName, uint8_t Compressed,
                         int32_t DataLength, const std::string& DataBytes) {
  return Int32Field(NameLength) + StoredName + ByteField(Compressed) + Int32Field(DataLength) + DataBytes;
}

std::string EncodeBody(uint32_t Key, int32_t Count, const std::string& Records) {
  return Int32Field(static_cast<int32_t>(Key)) + Int32Field(Count) + Records;
}

std::string EncodeBlock(int32_t EndOffset, uint8_t UseEndOffset, const std::string& Body, int64_t BodyLength) {
  return Int32Field(EndOffset) + ByteField(UseEndOffset) + Body + Int64Field(BodyLength) +
         std::string(kSignature, sizeof kSignature);
}

}  // namespace blocklayout
