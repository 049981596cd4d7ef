#include "appended/uStreamUtils.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

int64_t TStream::GetSize() {
  const int64_t Here = Seek(0, TSeekOrigin::soCurrent);
  const int64_t End = Seek(0, TSeekOrigin::soEnd);
  Seek(Here, TSeekOrigin::soBeginning);
  return End;
}

namespace {

template <typename T>
T ReadLittleEndian(TStream& Stream) {
  uint8_t Raw[sizeof(T)] = {};
  Stream.Read(Raw, sizeof(T));
  uint64_t Value = 0;
  for (std::size_t i = sizeof(T); i-- > 0;) Value = (Value << 8) | Raw[i];
  return static_cast<T>(Value);
}

}  // namespace

uint8_t TStream::ReadByte() { return ReadLittleEndian<uint8_t>(*this); }
int32_t TStream::ReadInteger() { return ReadLittleEndian<int32_t>(*this); }
int64_t TStream::ReadInt64() { return ReadLittleEndian<int64_t>(*this); }

int32_t TMemoryStream::Read(void* Buffer, int32_t Count) {
  const int64_t Size = GetSize();
  if (Count <= 0 || Position_ >= Size) return 0;
  const int64_t N = std::min<int64_t>(Count, Size - Position_);
  std::memcpy(Buffer, Bytes_.data() + Position_, static_cast<std::size_t>(N));
  Position_ += N;
  return static_cast<int32_t>(N);
}

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  const int64_t End = Position_ + Count;
  if (End > GetSize()) Bytes_.resize(static_cast<std::size_t>(End));
  std::memcpy(Bytes_.data() + Position_, Buffer, static_cast<std::size_t>(Count));
  Position_ = End;
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t Base = 0;
  if (Origin == TSeekOrigin::soCurrent) Base = Position_;
  if (Origin == TSeekOrigin::soEnd) Base = GetSize();
  // A position past the end is allowed (reads there deliver nothing); a negative one is not.
  if ((Offset < 0 && Base + Offset < 0) || (Offset > 0 && Offset > INT64_MAX - Base)) return -1;
  Position_ = Base + Offset;
  return Position_;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  Bytes_.resize(static_cast<std::size_t>(std::max<int64_t>(NewSize, 0)));
  Position_ = std::min(Position_, GetSize());
}

void TMemoryStream::SaveToFile(const std::string& FileName) const {
  struct Closer {
    void operator()(std::FILE* F) const { std::fclose(F); }
  };
  std::unique_ptr<std::FILE, Closer> F(std::fopen(FileName.c_str(), "wb"));
  if (!F) throw EWriteError("Cannot create file \"" + FileName + "\"");
  if (!Bytes_.empty() && std::fwrite(Bytes_.data(), 1, Bytes_.size(), F.get()) != Bytes_.size())
    throw EWriteError("Cannot write file \"" + FileName + "\"");
  if (std::fclose(F.release()) != 0) throw EWriteError("Cannot write file \"" + FileName + "\"");
}

std::string LoadFileBytes(const std::string& FileName) {
  TMemoryStream Stream;
  if (!Stream.LoadFromFile(FileName)) throw EFOpenError("Cannot open file \"" + FileName + "\"");
  return Stream.Contents();
}
