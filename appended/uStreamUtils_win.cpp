// Windows file access for the stream layer. Only calls that Windows 95/98/Me also export
// (SetFilePointer with its high part, GetFileSize), not their ...Ex forms.
#include <windows.h>

#include "appended/uStreamUtils.h"
#include "system/uHandles_win.h"

TFileReadStream::TFileReadStream(const std::string& FileName)
    : Handle_(reinterpret_cast<intptr_t>(CreateFileA(FileName.c_str(), GENERIC_READ,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))) {}

TFileReadStream::~TFileReadStream() {
  if (IsOpen()) CloseHandle(reinterpret_cast<HANDLE>(Handle_));
}

int32_t TFileReadStream::Read(void* Buffer, int32_t Count) {
  if (!IsOpen() || Count <= 0) return 0;
  DWORD Done = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(Handle_), Buffer, static_cast<DWORD>(Count), &Done, nullptr))
    return 0;
  return static_cast<int32_t>(Done);
}

int32_t TFileReadStream::Write(const void*, int32_t) { return 0; }

int64_t TFileReadStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (!IsOpen()) return -1;
  const DWORD Method = Origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                       : Origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                          : FILE_END;
  LONG High = static_cast<LONG>(Offset >> 32);
  SetLastError(NO_ERROR);
  const DWORD Low = SetFilePointer(reinterpret_cast<HANDLE>(Handle_),
                                   static_cast<LONG>(Offset & 0xFFFFFFFF), &High, Method);
  if (Low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return (static_cast<int64_t>(High) << 32) | Low;
}

void TFileReadStream::SetSize(int64_t) {}

bool FileExists(const std::string& FileName) {
  const DWORD Attributes = GetFileAttributesA(FileName.c_str());
  return Attributes != INVALID_FILE_ATTRIBUTES && !(Attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<uint8_t> ReadWholeFile(const std::string& FileName) {
  // Readers are let in, writers refused: the appended-item reader may hold the file open
  // read-only meanwhile.
  handles::TUniqueFile File(CreateFileA(FileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File) throw EFOpenError("Cannot open file \"" + FileName + "\"");
  DWORD High = 0;
  const DWORD Low = GetFileSize(File.get(), &High);
  // The image model counts in 32 bits: a file of 2 GiB or more (or no size at all) is refused.
  if (Low == INVALID_FILE_SIZE || High != 0 || Low > 0x7FFFFFFF)
    throw EFOpenError("Cannot read file \"" + FileName + "\"");
  const uint64_t Size = Low;
  std::vector<uint8_t> Bytes(static_cast<std::size_t>(Size));
  std::size_t Done = 0;
  while (Done < Bytes.size()) {
    DWORD N = 0;
    if (!ReadFile(File.get(), Bytes.data() + Done, static_cast<DWORD>(Bytes.size() - Done), &N, nullptr))
      throw EFOpenError("Cannot read file \"" + FileName + "\"");
    if (N == 0) break;
    Done += N;
  }
  Bytes.resize(Done);
  return Bytes;
}
