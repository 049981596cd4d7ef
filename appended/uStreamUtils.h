// Byte streams for reading our own executable: a read-only file stream that works straight on
// the file handle, and an in-memory stream for models built from a whole file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "appended/uMessageError.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

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
  virtual int32_t Read(void* Buffer, int32_t Count) = 0;
  // Returns the number of bytes written.
  virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
  // Returns the new position, or -1 when the stream cannot move there.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  virtual int64_t GetSize();
  virtual void SetSize(int64_t NewSize) = 0;
  int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }

  // Little-endian typed reads, one Read each. Bytes that the stream does not deliver read as 0.
  uint8_t ReadByte();
  int32_t ReadInteger();
  int64_t ReadInt64();
  // A signed 32-bit length n, then n bytes. A negative n gives an empty string; n is clamped to
  // the bytes left in the stream, so a hostile length never sizes an allocation.
  std::string ReadString();
};

// Read-only stream over an operating-system file handle. Other openers may read and write the
// file meanwhile. The constructor does not fail: a file that cannot be opened gives a stream
// whose reads deliver nothing (see IsOpen).
class TFileReadStream : public TStream {
 public:
  explicit TFileReadStream(const std::string& FileName);
  ~TFileReadStream() override;
  TFileReadStream(const TFileReadStream&) = delete;
  TFileReadStream& operator=(const TFileReadStream&) = delete;

  bool IsOpen() const { return Handle_ != kInvalid; }
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;  // always 0: read-only
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;                     // read-only: no effect

 private:
  static constexpr intptr_t kInvalid = -1;  // INVALID_HANDLE_VALUE and a failed open() alike
  intptr_t Handle_ = kInvalid;
};

// Growable byte buffer with a position; writing past the end extends it.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> Bytes) : Bytes_(std::move(Bytes)) {}

  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(Bytes_.size()); }
  void SetSize(int64_t NewSize) override;

  const std::vector<uint8_t>& Bytes() const { return Bytes_; }

 private:
  std::vector<uint8_t> Bytes_;
  int64_t Position_ = 0;
};

// True when FileName names an existing file (not a folder).
bool FileExists(const std::string& FileName);

// The whole file, read with other writers refused. Raises EFOpenError when it cannot be opened
// or read.
std::vector<uint8_t> ReadWholeFile(const std::string& FileName);

// Creates FileName (or empties an existing one) and writes Bytes. Raises EWriteError on failure.
void WriteWholeFile(const std::string& FileName, const std::vector<uint8_t>& Bytes);
