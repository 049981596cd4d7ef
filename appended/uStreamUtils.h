// Byte streams for reading our own executable: a read-only file stream that works straight on
// the file handle, and an in-memory stream for models built from a whole file. The calls into the
// operating system live in uStreamUtils_win.cpp and uStreamUtils_posix.cpp.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/uFileHandle.h"
#include "base/uMessageError.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// The operating system's own value for an origin, given its three values in that order.
template <typename T>
T SeekMethod(TSeekOrigin origin, T beginning, T current, T end) {
  return origin == TSeekOrigin::soBeginning ? beginning : origin == TSeekOrigin::soCurrent ? current : end;
}

// A file that exists but could not be opened or read.
class EFOpenError : public EMessageError {
 public:
  using EMessageError::EMessageError;
};
class EWriteError : public EMessageError {
 public:
  using EMessageError::EMessageError;
};

// Seekable byte stream with 64-bit size and position.
class TStream {
 public:
  virtual ~TStream() = default;
  // Returns the number of bytes delivered (0 at or past the end, or on failure).
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Returns the number of bytes written.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Returns the new position, or -1 when the stream cannot move there.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t GetSize();
  virtual void SetSize(int64_t newSize) = 0;
  int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }

  // Little-endian typed reads, one Read each. Bytes that the stream does not deliver read as 0.
  uint8_t ReadByte();
  int32_t ReadInteger();
  int64_t ReadInt64();
};

// Read-only stream over an operating-system file handle. Other openers may read and write the
// file meanwhile. The constructor does not fail: a file that cannot be opened gives a stream
// whose reads deliver nothing (see IsOpen).
class TFileReadStream : public TStream {
 public:
  explicit TFileReadStream(const std::string& fileName);

  bool IsOpen() const { return static_cast<bool>(handle_); }
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;  // always 0: read-only
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;                     // read-only: no effect

 private:
  TFileHandle handle_;
};

// Growable byte buffer with a position; writing past the end extends it.
class TMemoryStream : public TStream {
 public:

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(bytes_.size()); }
  void SetSize(int64_t newSize) override;

  // Replaces the contents with the whole file, read with other writers refused, and moves to
  // the start. False, with the stream emptied, when no file (a folder does not count) exists
  // under the name. Raises EFOpenError when one exists but cannot be opened or read, or holds
  // 2 GiB or more; the stream is emptied then too.
  bool LoadFromFile(const std::string& fileName);
  // Replaces the contents with bytes and moves to the start. False, with the stream emptied, for
  // 2 GiB or more, which the stream's 32-bit counts cannot write.
  bool LoadFromBytes(std::string bytes);
  // Creates fileName (or empties an existing one) and writes the contents. Raises EWriteError.
  void SaveToFile(const std::string& fileName) const;
  // The whole contents as bytes.
  const std::string& Contents() const { return bytes_; }

 private:
  std::string bytes_;
  int64_t position_ = 0;
};

// The whole file, read as TMemoryStream::LoadFromFile does. Raises EFOpenError also when there is
// no file under the name.
std::string LoadFileBytes(const std::string& fileName);
