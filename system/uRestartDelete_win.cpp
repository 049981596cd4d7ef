#include "system/uRestartDelete_win.h"

#include <windows.h>

#include <vector>

#include "system/uHandles_win.h"
#include "system/uPaths_win.h"
#include "system/uPlatform_win.h"
#include "system/uWininit.h"

namespace restart {
namespace {

// The system's text for an error code, without its closing line break.
std::string SystemErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message;
  if (length != 0 && text != nullptr) message.assign(text, length);
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && static_cast<unsigned char>(message.back()) <= 0x20) message.pop_back();
  return message;
}

[[noreturn]] void RaiseCannotOpen(const std::string& file, DWORD code) {
  throw EWininitError("ファイル \"" + file + "\". " + SystemErrorText(code) + " は開けません");
}

[[noreturn]] void RaiseCannotWrite(const std::string& file) {
  throw EWininitError(file + " に書き込めません");
}

[[noreturn]] void RaiseCannotCreate(const std::string& file, DWORD code) {
  throw EWininitError("ファイル \"" + file + "\". " + SystemErrorText(code) + " を作成できません");
}

bool SameTextByLocale(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Reads the whole file, shutting other writers out while it reads. On failure returns the
// error code, else 0.
DWORD ReadWholeFile(const std::string& path, std::string* content) {
  handles::TUniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  const DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE) return GetLastError();
  std::string data(size, '\0');
  DWORD done = 0;
  if (size != 0 && (!ReadFile(file.get(), &data[0], size, &done, nullptr) || done != size)) {
    const DWORD code = GetLastError();
    return code != 0 ? code : ERROR_READ_FAULT;
  }
  *content = std::move(data);
  return 0;
}

// Creates or truncates the file and writes content. On failure returns the error code, else 0.
DWORD WriteWholeFile(const std::string& path, const std::string& content) {
  handles::TUniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  DWORD done = 0;
  if (!content.empty() &&
      (!WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &done, nullptr) ||
       done != content.size())) {
    const DWORD code = GetLastError();
    return code != 0 ? code : ERROR_WRITE_FAULT;
  }
  if (!CloseHandle(file.release())) return GetLastError();
  return 0;
}

// Puts content in place of the file at path: written whole under a temporary name in the same
// folder first, so that a failed write never leaves a half-written WININIT.INI behind.
// MoveFileExA is missing on Windows 95/98/Me, hence delete and rename.
DWORD ReplaceWholeFile(const std::string& path, const std::string& content) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
  char temp[MAX_PATH + 1] = {};
  if (GetTempFileNameA(folder.c_str(), "ini", 0, temp) == 0) return GetLastError();
  DWORD code = WriteWholeFile(temp, content);
  if (code == 0 && FileExists(path) && !DeleteFileA(path.c_str())) code = GetLastError();
  if (code == 0 && !MoveFileA(temp, path.c_str())) code = GetLastError();
  if (code != 0) DeleteFileA(temp);
  return code;
}

// %windir%\WININIT.INI; empty when the expansion fails or does not fit in MAX_PATH bytes.
std::string WininitPath() {
  const char kPattern[] = "%windir%\\WININIT.INI";
  char buffer[MAX_PATH] = {};
  const DWORD needed = ExpandEnvironmentStringsA(kPattern, buffer, MAX_PATH);
  if (needed == 0 || needed > MAX_PATH) return std::string();
  if (std::string(buffer) == kPattern) {
    // Without the variable the text comes back unexpanded, a path relative to the current
    // folder; Windows reads WININIT.INI from its own folder, so that is where the entry goes.
    const UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    std::string folder(buffer, length);
    if (folder.back() != '\\') folder += '\\';
    return folder + "WININIT.INI";
  }
  return wininit::TrimBlanks(buffer);
}

bool RenameSectionHasKeys(const std::string& file) {
  std::vector<char> keys(4096, '\0');
  return GetPrivateProfileStringA("rename", nullptr, "", keys.data(),
                                  static_cast<DWORD>(keys.size()), file.c_str()) > 0;
}

void ScheduleInWininit(const std::string& path) {
  const std::string file = WininitPath();
  if (file.empty()) return;

  std::string original;
  const bool existed = FileExists(file);
  if (existed) {
    if (const DWORD code = ReadWholeFile(file, &original)) RaiseCannotOpen(file, code);
  }
  wininit::TLines entries =
      wininit::CollectRenameEntries(wininit::SplitLines(original), SameTextByLocale);

  // A copy of the file cached by an earlier profile call could be older than the file.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
  const bool erase = RenameSectionHasKeys(file);
  if (erase && !WritePrivateProfileStringA("rename", nullptr, nullptr, file.c_str())) {
    RaiseCannotWrite(file);
  }
  // Drops the system's cached copy so that the file is read as it now stands. Its result says
  // nothing: Wine reports failure even when the cache was written and released.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());

  entries.push_back(wininit::DeleteEntry(paths::GetShortPath(path)));

  // From here on the old section may be gone from the file, and the file itself for a moment
  // while it is replaced: on any failure, put the old content back so that nothing scheduled
  // earlier is lost.
  const auto restoreAfterErase = [&]() {
    if (existed) WriteWholeFile(file, original);
  };
  std::string current;
  if (FileExists(file)) {
    if (const DWORD code = ReadWholeFile(file, &current)) {
      restoreAfterErase();
      RaiseCannotOpen(file, code);
    }
  }
  const std::string content =
      wininit::BuildWininitContent(wininit::SplitLines(current), entries, SameTextByLocale);
  if (const DWORD code = ReplaceWholeFile(file, content)) {
    restoreAfterErase();
    RaiseCannotCreate(file, code);
  }
}

}  // namespace

void DeleteFileAtRestart(const std::string& path) {
  if (platform::IsNTFamily()) {
    MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return;
  }
  ScheduleInWininit(path);
}

}  // namespace restart
