#include "appended/uStreamUtils.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "base/uWholeFile.h"

int64_t TStream::GetSize() {
  const int64_t here = Seek(0, TSeekOrigin::soCurrent);
  const int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(here, TSeekOrigin::soBeginning);
  return end;
}

namespace {

template <typename T>
T ReadLittleEndian(TStream& stream) {
  uint8_t raw[sizeof(T)] = {};
  stream.Read(raw, sizeof(T));
  uint64_t value = 0;
  for (std::size_t i = sizeof(T); i-- > 0;) value = (value << 8) | raw[i];
  return static_cast<T>(value);
}

}  // namespace

uint8_t TStream::ReadByte() { return ReadLittleEndian<uint8_t>(*this); }
int32_t TStream::ReadInteger() { return ReadLittleEndian<int32_t>(*this); }
int64_t TStream::ReadInt64() { return ReadLittleEndian<int64_t>(*this); }

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  const int64_t size = GetSize();
  if (count <= 0 || position_ >= size) return 0;
  const int64_t delivered = std::min<int64_t>(count, size - position_);
  std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(delivered));
  position_ += delivered;
  return static_cast<int32_t>(delivered);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const int64_t end = position_ + count;
  if (end > GetSize()) bytes_.resize(static_cast<std::size_t>(end));
  std::memcpy(bytes_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = position_;
  if (origin == TSeekOrigin::soEnd) base = GetSize();
  // A position past the end is allowed (reads there deliver nothing); a negative one is not.
  if ((offset < 0 && base + offset < 0) || (offset > 0 && offset > INT64_MAX - base)) return -1;
  position_ = base + offset;
  return position_;
}

void TMemoryStream::SetSize(int64_t newSize) {
  bytes_.resize(static_cast<std::size_t>(std::max<int64_t>(newSize, 0)));
  position_ = std::min(position_, GetSize());
}

namespace {

// The file layer's error for a file that could not be read whole: one that did not open, or one
// that opened and then could not be read (too large for the model, or refused by the system).
EFOpenError FileError(const std::string& fileName, bool opened) {
  return EFOpenError((opened ? "Cannot read file \"" : "Cannot open file \"") + fileName + "\"");
}

}  // namespace

bool TMemoryStream::LoadFromFile(const std::string& fileName) {
  bytes_.clear();
  position_ = 0;
  // Read straight into the stream: the file is left unread, and the stream empty, on failure.
  bool opened = false;
  const unsigned long error = ReadWholeFile(fileName, bytes_, &opened);
  if (error == kNoSuchFile && !opened) return false;
  if (error != 0) throw FileError(fileName, opened);
  return true;
}

bool TMemoryStream::LoadFromBytes(std::string bytes) {
  position_ = 0;
  if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
    bytes_.clear();
    return false;
  }
  bytes_ = std::move(bytes);
  return true;
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> f(std::fopen(fileName.c_str(), "wb"));
  if (!f) throw EWriteError("Cannot create file \"" + fileName + "\"");
  if (!bytes_.empty() && std::fwrite(bytes_.data(), 1, bytes_.size(), f.get()) != bytes_.size())
    throw EWriteError("Cannot write file \"" + fileName + "\"");
  if (std::fclose(f.release()) != 0) throw EWriteError("Cannot write file \"" + fileName + "\"");
}

std::string LoadFileBytes(const std::string& fileName) {
  std::string bytes;
  bool opened = false;
  if (ReadWholeFile(fileName, bytes, &opened) != 0) throw FileError(fileName, opened);
  return bytes;
}
