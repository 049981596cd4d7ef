#include "system/uRestartDelete_win.h"

#include <windows.h>

#include <vector>

#include "base/uWholeFile.h"
#include "system/uFiles_win.h"
#include "system/uMbcs.h"
#include "system/uPlatform_win.h"
#include "system/uSystemError_win.h"
#include "system/uWininit.h"

namespace restartdelete {
namespace {

[[noreturn]] void RaiseCannotOpen(const std::string& file, DWORD code) {
  throw EWininitError("ファイル \"" + file + "\". " + systemerror::SystemErrorText(code) + " は開けません");
}

[[noreturn]] void RaiseCannotWrite(const std::string& file) {
  throw EWininitError(file + " に書き込めません");
}

[[noreturn]] void RaiseCannotCreate(const std::string& file, DWORD code) {
  throw EWininitError("ファイル \"" + file + "\". " + systemerror::SystemErrorText(code) + " を作成できません");
}

bool SameTextByLocale(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool RenameSectionHasKeys(const std::string& file) {
  std::vector<char> keys(4096, '\0');
  return GetPrivateProfileStringA("rename", nullptr, "", keys.data(),
                                  static_cast<DWORD>(keys.size()), file.c_str()) > 0;
}

DWORD ScheduleInWininit(const std::string& path) {
  const std::string file = files::WininitPath();
  // No Windows folder to write to: nothing is scheduled.
  if (file.empty()) return ERROR_PATH_NOT_FOUND;

  // The system may still hold lines that another program has just written through the profile
  // functions (a "[rename]" entry of its own): they reach the file with this flush, before it is
  // read, and so are carried over rather than erased unseen with the section.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
  std::string original;
  const DWORD readCode = ReadWholeFile(file, original);
  if (readCode != 0 && readCode != kNoSuchFile) RaiseCannotOpen(file, readCode);
  const bool existed = readCode == 0;
  wininit::TLines entries =
      wininit::CollectRenameEntries(wininit::SplitLines(original), SameTextByLocale);

  const bool erase = RenameSectionHasKeys(file);
  if (erase && !WritePrivateProfileStringA("rename", nullptr, nullptr, file.c_str())) {
    RaiseCannotWrite(file);
  }
  // Drops the system's cached copy so that the file is read as it now stands. Its result says
  // nothing: Wine reports failure even when the cache was written and released.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());

  entries.push_back(wininit::DeleteEntry(files::GetShortPath(path)));

  // From here on the old section may be gone from the file, and the file itself for a moment
  // while it is replaced: on any failure, put the old content back so that nothing scheduled
  // earlier is lost.
  const auto restoreAfterErase = [&]() {
    if (existed) files::WriteWholeFile(file, original);
  };
  std::string current;
  if (const DWORD code = ReadWholeFile(file, current); code != 0 && code != kNoSuchFile) {
    restoreAfterErase();
    RaiseCannotOpen(file, code);
  }
  const std::string content =
      wininit::BuildWininitContent(wininit::SplitLines(current), entries, SameTextByLocale);
  if (const DWORD code = files::ReplaceWholeFile(file, content)) {
    restoreAfterErase();
    RaiseCannotCreate(file, code);
  }
  return ERROR_SUCCESS;
}

}  // namespace

DWORD DeleteFileAtRestart(const std::string& path) {
  if (platform::IsNTFamily()) {
    // The delayed form writes the Session Manager's registry value; a refusal that names no
    // reason of its own (Wine's, for a value it cannot extend) is that write's.
    SetLastError(ERROR_SUCCESS);
    if (MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return ERROR_SUCCESS;
    return systemerror::LastErrorOr(ERROR_CANTWRITE);
  }
  return ScheduleInWininit(path);
}

}  // namespace restartdelete
