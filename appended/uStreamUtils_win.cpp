// Windows file access for the stream layer. Only calls that Windows 95/98/Me also export
// (SetFilePointer with its high part, GetFileSize), not their ...Ex forms.
#include <windows.h>

#include "appended/uStreamUtils.h"

namespace {

HANDLE AsHandle(const TFileHandle& File) { return reinterpret_cast<HANDLE>(File.Get()); }

TFileHandle OpenForReading(const std::string& FileName, DWORD Share) {
  return TFileHandle(reinterpret_cast<intptr_t>(CreateFileA(
      FileName.c_str(), GENERIC_READ, Share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

}  // namespace

void TFileHandle::Reset() {
  if (Handle_ != kInvalid) CloseHandle(reinterpret_cast<HANDLE>(Handle_));
  Handle_ = kInvalid;
}

TFileReadStream::TFileReadStream(const std::string& FileName)
    : Handle_(OpenForReading(FileName, FILE_SHARE_READ | FILE_SHARE_WRITE)) {}

int32_t TFileReadStream::Read(void* Buffer, int32_t Count) {
  if (!IsOpen() || Count <= 0) return 0;
  DWORD Done = 0;
  if (!ReadFile(AsHandle(Handle_), Buffer, static_cast<DWORD>(Count), &Done, nullptr)) return 0;
  return static_cast<int32_t>(Done);
}

int32_t TFileReadStream::Write(const void*, int32_t) { return 0; }

int64_t TFileReadStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (!IsOpen()) return -1;
  const DWORD Method = SeekMethod<DWORD>(Origin, FILE_BEGIN, FILE_CURRENT, FILE_END);
  LONG High = static_cast<LONG>(Offset >> 32);
  SetLastError(NO_ERROR);
  const DWORD Low =
      SetFilePointer(AsHandle(Handle_), static_cast<LONG>(Offset & 0xFFFFFFFF), &High, Method);
  if (Low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return (static_cast<int64_t>(High) << 32) | Low;
}

void TFileReadStream::SetSize(int64_t) {}

bool TMemoryStream::LoadFromFile(const std::string& FileName) {
  Bytes_.clear();
  Position_ = 0;
  // Readers are let in, writers refused: the appended-item reader may hold the file open
  // read-only meanwhile.
  const TFileHandle File = OpenForReading(FileName, FILE_SHARE_READ);
  if (!File) {
    const DWORD Attributes = GetFileAttributesA(FileName.c_str());
    if (Attributes == INVALID_FILE_ATTRIBUTES || (Attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    throw EFOpenError("Cannot open file \"" + FileName + "\"");
  }
  DWORD High = 0;
  const DWORD Low = GetFileSize(AsHandle(File), &High);
  // The image model counts in 32 bits: a file of 2 GiB or more (or no size at all) is refused.
  if (Low == INVALID_FILE_SIZE || High != 0 || Low > 0x7FFFFFFF)
    throw EFOpenError("Cannot read file \"" + FileName + "\"");
  std::vector<uint8_t> Bytes(Low);
  std::size_t Done = 0;
  while (Done < Bytes.size()) {
    DWORD N = 0;
    if (!ReadFile(AsHandle(File), Bytes.data() + Done, static_cast<DWORD>(Bytes.size() - Done), &N, nullptr))
      throw EFOpenError("Cannot read file \"" + FileName + "\"");
    if (N == 0) break;
    Done += N;
  }
  Bytes.resize(Done);
  Bytes_ = std::move(Bytes);
  return true;
}
