// Windows file access for the stream layer. Only calls that Windows 95/98/Me also export
// (SetFilePointer with its high part, GetFileSize), not their ...Ex forms.
#include <windows.h>

#include "appended/uStreamUtils.h"

namespace {

HANDLE AsHandle(const TFileHandle& file) { return reinterpret_cast<HANDLE>(file.Get()); }

TFileHandle OpenForReading(const std::string& fileName, DWORD share) {
  return TFileHandle(reinterpret_cast<intptr_t>(CreateFileA(
      fileName.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

}  // namespace

void TFileHandle::Reset() {
  if (handle_ != kInvalid) CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kInvalid;
}

TFileReadStream::TFileReadStream(const std::string& fileName)
    : handle_(OpenForReading(fileName, FILE_SHARE_READ | FILE_SHARE_WRITE)) {}

int32_t TFileReadStream::Read(void* buffer, int32_t count) {
  if (!IsOpen() || count <= 0) return 0;
  DWORD done = 0;
  if (!ReadFile(AsHandle(handle_), buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
  return static_cast<int32_t>(done);
}

int32_t TFileReadStream::Write(const void*, int32_t) { return 0; }

int64_t TFileReadStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (!IsOpen()) return -1;
  const DWORD method = SeekMethod<DWORD>(origin, FILE_BEGIN, FILE_CURRENT, FILE_END);
  LONG high = static_cast<LONG>(offset >> 32);
  SetLastError(NO_ERROR);
  const DWORD low =
      SetFilePointer(AsHandle(handle_), static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return (static_cast<int64_t>(high) << 32) | low;
}

void TFileReadStream::SetSize(int64_t) {}

bool TMemoryStream::LoadFromFile(const std::string& fileName) {
  bytes_.clear();
  position_ = 0;
  // Readers are let in, writers refused: the appended-item reader may hold the file open
  // read-only meanwhile.
  const TFileHandle file = OpenForReading(fileName, FILE_SHARE_READ);
  if (!file) {
    const DWORD attributes = GetFileAttributesA(fileName.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    throw EFOpenError("Cannot open file \"" + fileName + "\"");
  }
  DWORD high = 0;
  const DWORD low = GetFileSize(AsHandle(file), &high);
  // The image model counts in 32 bits: a file of 2 GiB or more (or no size at all) is refused.
  if (low == INVALID_FILE_SIZE || high != 0 || low > 0x7FFFFFFF)
    throw EFOpenError("Cannot read file \"" + fileName + "\"");
  std::vector<uint8_t> bytes(low);
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(AsHandle(file), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
      throw EFOpenError("Cannot read file \"" + fileName + "\"");
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  bytes_ = std::move(bytes);
  return true;
}
