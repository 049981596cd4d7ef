// Windows file access for the stream layer. Only calls that Windows 95/98/Me also export
// (SetFilePointer with its high part, GetFileSize), not their ...Ex forms.
#include <windows.h>

#include "appended/uStreamUtils.h"

namespace {

TFileHandle OpenForReading(const std::string& fileName) {
  return TFileHandle(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

TFileReadStream::TFileReadStream(const std::string& fileName) : handle_(OpenForReading(fileName)) {}

int32_t TFileReadStream::Read(void* buffer, int32_t count) {
  if (!IsOpen() || count <= 0) return 0;
  DWORD done = 0;
  if (!ReadFile(handle_.get(), buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
  return static_cast<int32_t>(done);
}

int32_t TFileReadStream::Write(const void*, int32_t) { return 0; }

int64_t TFileReadStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (!IsOpen()) return -1;
  const DWORD method = SeekMethod<DWORD>(origin, FILE_BEGIN, FILE_CURRENT, FILE_END);
  LONG high = static_cast<LONG>(offset >> 32);
  SetLastError(NO_ERROR);
  const DWORD low =
      SetFilePointer(handle_.get(), static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return (static_cast<int64_t>(high) << 32) | low;
}

void TFileReadStream::SetSize(int64_t) {}

