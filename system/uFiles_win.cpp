#include "system/uFiles_win.h"

#include <algorithm>
#include <vector>

#include "system/uHandles_win.h"
#include "system/uMbcs.h"
#include "system/uPlatform_win.h"
#include "system/uSafeDll_win.h"
#include "system/uSystemError_win.h"

namespace files {
namespace {

// A folder that a system call wrote into a MAX_PATH buffer, with its trailing "\"; empty when
// the call failed or the folder did not fit.
template <typename TFolderCall>
std::string FolderFrom(TFolderCall call) {
  char buffer[MAX_PATH];
  const DWORD length = call(buffer);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return IncludeTrailingDelimiter(std::string(buffer, length));
}

// A rename that another program's brief hold on either file (a virus scanner, an indexer) can
// make fail is tried a few times.
bool RenameWithRetries(const std::string& from, const std::string& to) {
  for (int attempt = 0;; ++attempt) {
    if (MoveFileA(from.c_str(), to.c_str())) return true;
    if (attempt == 4) return false;
    const DWORD code = GetLastError();
    Sleep(100);
    SetLastError(code);
  }
}

// Writes content to file (flushed to the disk when asked). 0, or the error code.
DWORD WriteAll(HANDLE file, const std::string& content, bool flush) {
  std::size_t done = 0;
  while (done < content.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
    DWORD wrote = 0;
    if (!WriteFile(file, content.data() + done, chunk, &wrote, nullptr) || wrote != chunk) {
      return systemerror::LastErrorOr(ERROR_WRITE_FAULT);
    }
    done += wrote;
  }
  if (flush && !FlushFileBuffers(file)) return GetLastError();
  return 0;
}

// WriteAll, then closes the file on every path, so that a caller can delete what it left.
DWORD WriteAndClose(TFileHandle& file, const std::string& content, bool flush = false) {
  const DWORD code = WriteAll(file.get(), content, flush);
  // Closing can still fail to write what the system held back.
  if (!CloseHandle(file.release()) && code == 0) return GetLastError();
  return code;
}

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD ClearReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return 0;
  return SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) ? attributes : 0;
}

DWORD WriteWholeFile(const std::string& path, const std::string& content) {
  TFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  return WriteAndClose(file, content);
}

DWORD WriteFileBeside(const std::string& target, const std::string& content, std::string& written) {
  written.clear();
  TFileHandle file;
  std::string name;
  for (int attempt = 0; attempt < 100 && !file; ++attempt) {
    name = target + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp";
    file.reset(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD code = GetLastError();
    if (!file && code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) return code;
  }
  if (!file) return ERROR_FILE_EXISTS;
  // Written through to the disk before a rename makes it the file.
  if (const DWORD code = WriteAndClose(file, content, true)) {
    DeleteFileA(name.c_str());
    return code;
  }
  written = name;
  return 0;
}

DWORD PutInPlace(const std::string& written, const std::string& path) {
  if (!FileExists(path)) return RenameWithRetries(written, path) ? 0 : systemerror::LastErrorOr(ERROR_WRITE_FAULT);
  const std::string aside = written + ".old";
  if (!RenameWithRetries(path, aside)) return systemerror::LastErrorOr(ERROR_WRITE_FAULT);
  if (RenameWithRetries(written, path)) {
    DeleteFileA(aside.c_str());
    return 0;
  }
  const DWORD code = systemerror::LastErrorOr(ERROR_WRITE_FAULT);
  RenameWithRetries(aside, path);
  return code;
}

DWORD ReplaceWholeFile(const std::string& path, const std::string& content) {
  std::string written;
  if (const DWORD code = WriteFileBeside(path, content, written)) return code;
  const bool existed = FileExists(path);
  const DWORD code = PutInPlace(written, path);
  // The new content is given up only where the old file is back: never the only complete copy.
  if (code != 0 && (!existed || FileExists(path))) DeleteFileA(written.c_str());
  return code;
}

std::string ModuleFileName(HMODULE module) {
  constexpr DWORD kLongestPath = 32768;
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameA(module, &buffer[0], size);
    if (length == 0) return std::string();
    // A cut path fills the whole buffer (with or without its zero, depending on the system).
    if (length < size - 1) {
      buffer.resize(length);
      return buffer;
    }
    if (size >= kLongestPath) return std::string();
    buffer.resize(size * 2);
  }
}

std::string TemporaryFolder() {
  return FolderFrom([](char* buffer) { return GetTempPathA(MAX_PATH, buffer); });
}

std::string SystemFolder() {
  return FolderFrom([](char* buffer) { return GetSystemDirectoryA(buffer, MAX_PATH); });
}

std::string WindowsFolder() {
  return FolderFrom([](char* buffer) { return GetWindowsDirectoryA(buffer, MAX_PATH); });
}

std::string SystemTemporaryFolder() {
  // Windows 2000 and later (and NT 4.0 Terminal Server) give each user of a terminal server a
  // Windows folder of their own; this is the machine's.
  using TGetSystemWindowsDirectory = UINT(WINAPI*)(LPSTR, UINT);
  const auto getSystemWindowsDirectory = safedll::GetProc<TGetSystemWindowsDirectory>(
      GetModuleHandleA("kernel32.dll"), "GetSystemWindowsDirectoryA");
  const std::string windows =
      getSystemWindowsDirectory
          ? FolderFrom([&](char* buffer) { return getSystemWindowsDirectory(buffer, MAX_PATH); })
          : WindowsFolder();
  return windows.empty() ? std::string() : windows + "Temp\\";
}

TFileHandle HoldFolder(const std::string& folder) {
  // Listing is read access, so the sharing rules apply to the handle: a handle with no data
  // access at all would not keep anybody from renaming the folder.
  return TFileHandle(CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool IsReparsePoint(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool LiesBehindReparsePoint(const std::string& folder) {
  if (!platform::IsNTFamily()) return false;
  const std::vector<std::string> folders = FoldersOnTheWay(folder);
  // A root has no folder on the way to check; any other path without one cannot be checked.
  if (folders.empty()) return !IsRootFolder(folder);
  for (const std::string& f : folders) {
    // Read by path: the attributes of a link itself, not of where it leads.
    const DWORD attributes = GetFileAttributesA(f.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  }
  return false;
}

std::string WininitPath() {
  const char kPattern[] = "%windir%\\WININIT.INI";
  char buffer[MAX_PATH] = {};
  const DWORD needed = ExpandEnvironmentStringsA(kPattern, buffer, MAX_PATH);
  if (needed == 0 || needed > MAX_PATH) return std::string();
  if (std::string(buffer) != kPattern) return mbcs::TrimControlBytes(buffer);
  // Without the variable the text comes back unexpanded, a path relative to the current folder;
  // Windows reads WININIT.INI from its own folder, so that is where the entry goes.
  const std::string windows = WindowsFolder();
  return windows.empty() ? std::string() : windows + "WININIT.INI";
}

std::string FullPath(const std::string& path) {
  char* filePart = nullptr;
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, &filePart);
  if (needed == 0) return path;
  std::vector<char> buffer(needed + 1, '\0');
  const DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
  return (n == 0 || n >= buffer.size()) ? path : std::string(buffer.data(), n);
}

bool SameFile(const std::string& a, const std::string& b) {
  if (!FileExists(a) || !FileExists(b)) return false;
  // Full path, then its short form: two spellings of one file come out alike.
  const auto canonical = [](const std::string& path) {
    const std::string full = FullPath(path);
    std::vector<char> buffer(full.size() + MAX_PATH, '\0');
    const DWORD n = GetShortPathNameA(full.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    return (n == 0 || n >= buffer.size()) ? std::string() : std::string(buffer.data(), n);
  };
  const std::string ca = canonical(a);
  const std::string cb = canonical(b);
  // File names compare without regard to case, as the file system compares them.
  return !ca.empty() && CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, ca.c_str(), -1, cb.c_str(), -1) ==
                            CSTR_EQUAL;
}

std::string GetShortPath(const std::string& path) {
  // A buffer as long as the path: the short form is only taken when it is strictly shorter.
  std::vector<char> buffer(path.size() + 1, '\0');
  GetShortPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(path.size()));
  const std::string shortPath = mbcs::TrimControlBytes(std::string(buffer.data(), path.size()));
  return shortPath.empty() ? path : shortPath;
}

}  // namespace files
