// Test-side writer of appended item blocks (the product's builder is not part of the program).
//
//   blockwriter::BlockWriter W(0x5A);                 // key byte 0x5A
//   W.Add("GUID", "{...}", /*compressed=*/true);      // compressed with zlib here
//   blockwriter::AppendBlock(file, W);                // block ends the file
//   blockwriter::AppendBlock(file, W, 1, "trailer");  // block, then other data behind it
#pragma once
#include <zlib.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace blockwriter {

inline std::string Le32(uint32_t V) {
  std::string S(4, '\0');
  for (int i = 0; i < 4; ++i) S[i] = static_cast<char>((V >> (8 * i)) & 0xFF);
  return S;
}
inline std::string Le64(uint64_t V) { return Le32(static_cast<uint32_t>(V)) + Le32(static_cast<uint32_t>(V >> 32)); }
inline std::string Le16(uint16_t V) { return Le32(V).substr(0, 2); }

// A zlib-format stream (header, deflate data, Adler-32) of Plain.
inline std::string Compress(const std::string& Plain, int Level = Z_BEST_COMPRESSION) {
  uLongf Size = compressBound(static_cast<uLong>(Plain.size()));
  std::string Out(Size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&Out[0]), &Size, reinterpret_cast<const Bytef*>(Plain.data()),
                static_cast<uLong>(Plain.size()), Level) != Z_OK)
    throw std::runtime_error("compress2 failed");
  Out.resize(Size);
  return Out;
}

inline std::string Scramble(const std::string& S, uint8_t Key) {
  std::string R = S;
  for (char& C : R) C = static_cast<char>(static_cast<uint8_t>(C) ^ Key);
  return R;
}

// One item record with its fields as given: NameLength, the name bytes (stored as they are),
// the Compressed byte, DataLength and the data bytes. For odd and hostile records.
inline std::string RawRecord(int32_t NameLength, const std::string& StoredName, uint8_t CompressedByte,
                             int32_t DataLength, const std::string& DataBytes) {
  return Le32(static_cast<uint32_t>(NameLength)) + StoredName + std::string(1, static_cast<char>(CompressedByte)) +
         Le32(static_cast<uint32_t>(DataLength)) + DataBytes;
}

class BlockWriter {
 public:
  explicit BlockWriter(uint32_t Key = 0x5A) : Key_(Key) {}

  // An item whose name is scrambled with the key byte; Compressed stores zlib's stream of Data.
  BlockWriter& Add(const std::string& Name, const std::string& Data, bool Compressed = false) {
    const std::string Stored = Compressed ? Compress(Data) : Data;
    return AddRecord(RawRecord(static_cast<int32_t>(Name.size()), Scramble(Name, KeyByte()),
                               Compressed ? 1 : 0, static_cast<int32_t>(Stored.size()), Stored));
  }
  // A compressed item whose stored bytes are given as they are (a ready-made zlib stream).
  BlockWriter& AddPacked(const std::string& Name, const std::string& Stream) {
    return AddRecord(RawRecord(static_cast<int32_t>(Name.size()), Scramble(Name, KeyByte()), 1,
                               static_cast<int32_t>(Stream.size()), Stream));
  }
  BlockWriter& AddRecord(const std::string& Record) {
    Records_.push_back(Record);
    return *this;
  }
  // Overrides for hostile blocks: the Count and BodyLength fields as written.
  BlockWriter& SetCount(int32_t Count) {
    Count_ = Count;
    return *this;
  }
  BlockWriter& SetBodyLength(int64_t BodyLength) {
    BodyLength_ = BodyLength;
    return *this;
  }

  uint8_t KeyByte() const { return static_cast<uint8_t>(Key_ & 0xFF); }

  // Key, Count and the records: the span that BodyLength counts.
  std::string Body() const {
    std::string B = Le32(Key_) + Le32(static_cast<uint32_t>(Count_ ? *Count_ : static_cast<int32_t>(Records_.size())));
    for (const std::string& R : Records_) B += R;
    return B;
  }

  // The whole block as it is appended at file offset BlockStart: EndOffset, UseEndOffset, body,
  // BodyLength, "PLWS". EndOffset is the offset just past the signature unless given.
  std::string Build(int64_t BlockStart, uint8_t UseEndOffset = 1, std::optional<int32_t> EndOffset = {}) const {
    const std::string B = Body();
    const int64_t Length = static_cast<int64_t>(B.size()) + 17;
    const int32_t End = EndOffset ? *EndOffset : static_cast<int32_t>(BlockStart + Length);
    return Le32(static_cast<uint32_t>(End)) + std::string(1, static_cast<char>(UseEndOffset)) + B +
           Le64(static_cast<uint64_t>(BodyLength_ ? *BodyLength_ : static_cast<int64_t>(B.size()))) + "PLWS";
  }

 private:
  uint32_t Key_;
  std::vector<std::string> Records_;
  std::optional<int32_t> Count_;
  std::optional<int64_t> BodyLength_;
};

// Appends the block to the bytes of File (it starts at File's current end), then Trailer, the
// other data behind the block.
inline void AppendBlock(std::string& File, const BlockWriter& W, uint8_t UseEndOffset = 1,
                        const std::string& Trailer = std::string(), std::optional<int32_t> EndOffset = {}) {
  File += W.Build(static_cast<int64_t>(File.size()), UseEndOffset, EndOffset);
  File += Trailer;
}

}  // namespace blockwriter
