// The state of the Wine machine that the Windows tests set up, read and reset: files and folders,
// the registry, what waits for the next start of Windows (the pending rename operations of the
// NT family, WININIT.INI of Windows 95/98/Me), Wine's per-program Windows version, and helper
// processes that hold files or a mutex for the length of a test. Every path is code page 932.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "system/uHandles_win.h"
#include "winsupport/uDriver.h"

namespace testsupport {

// --- paths -----------------------------------------------------------------------------------

// Windows path of a Unix path of the build tree (Wine maps "/" to drive Z:).
std::string WinePathOf(const std::string& unixPath);
// The built uninstaller (UNINST_EXE_PATH) as a Windows path.
std::string BuiltUninstallerPath();
// A program built into the e2e folder, e.g. ToolPath("hold_named_mutex") (no ".exe").
std::string ToolPath(const std::string& tool);
// The folder of this running program, with its trailing "\".
std::string OwnFolder();
// The user's temporary folder (GetTempPathA) with its trailing "\".
std::string TempFolder();
// A fresh, empty folder under the temporary folder, with its trailing "\".
std::string FreshTempFolder(const std::string& name);
// Program Files folder of the prefix, without a trailing "\".
std::string ProgramFilesFolder();
// %windir% with its trailing "\".
std::string WindowsFolder();
std::string WininitPath();

// --- files -----------------------------------------------------------------------------------

// Whole content; empty when the file cannot be read.
std::string ReadFileBytes(const std::string& path);
// Creates (or empties) the file and writes bytes; with append, adds them to an existing file.
bool WriteFileBytes(const std::string& path, const std::string& bytes, bool append = false);
unsigned long long FileSizeOf(const std::string& path);  // 0 when it cannot be read
bool FileExists(const std::string& path);                // a file, not a folder
bool FolderExists(const std::string& path);
bool PathExists(const std::string& path);
// What FindFirstFile and FindNextFile find for pattern ("C:\x\*.tmp"), "." and ".." left out.
std::vector<WIN32_FIND_DATAA> FindFiles(const std::string& pattern);
// GetShortPathNameA of an existing path; the path itself when there is no short form.
std::string ShortPathOf(const std::string& path);
// Deletes a folder (with its trailing "\") and everything in it, read-only files included; a
// link in it goes without what it leads to.
void RemoveFolderTree(const std::string& folder);

// A link to a folder, as a junction is one: a reparse point that leads elsewhere. Wine 8 makes
// neither junctions (FSCTL_SET_REPARSE_POINT is not supported) nor Windows symbolic links
// (CreateSymbolicLinkW does nothing), so this is a Unix symbolic link made with ln, which Wine
// shows as FILE_ATTRIBUTE_REPARSE_POINT to the attributes of a path (GetFileAttributes,
// FindFirstFile), though not to those of a handle. The link, not its target, goes when the owner
// goes. Made() is false outside Wine.
class TFolderLink {
 public:
  // folder ends in "\"; link and target are names in it.
  TFolderLink(const std::string& folder, const std::string& link, const std::string& target);
  ~TFolderLink();
  TFolderLink(const TFolderLink&) = delete;
  TFolderLink& operator=(const TFolderLink&) = delete;
  bool Made() const { return made_; }
  // The link's path, without a trailing "\".
  const std::string& Path() const { return path_; }

 private:
  std::string folder_, link_, path_;
  bool made_ = false;
};

// A copy of a file under a fresh name in the temporary folder, deleted when the owner goes.
class TFileCopy {
 public:
  explicit TFileCopy(const std::string& source);
  ~TFileCopy();
  TFileCopy(const TFileCopy&) = delete;
  TFileCopy& operator=(const TFileCopy&) = delete;
  const std::string& Path() const { return path_; }
  std::string Read() const { return ReadFileBytes(path_); }
  bool Write(const std::string& bytes) const { return WriteFileBytes(path_, bytes); }

 private:
  std::string path_;
};

// --- registry --------------------------------------------------------------------------------

bool KeyExists(HKEY root, const std::string& path);
// Direct subkey names.
std::vector<std::string> SubkeyNames(HKEY root, const std::string& path);
// Deletes a key and everything below it, leaves first. Missing keys are fine.
void DeleteKeyTree(HKEY root, const std::string& path);
// REG_SZ or REG_EXPAND_SZ value, unexpanded; empty when missing.
std::string ReadString(HKEY root, const std::string& path, const std::string& value);
// Creates the key, and the keys on the way to it, as needed; false when the system refuses.
bool CreateKey(HKEY root, const std::string& path);
// Creates the key as needed and stores a string (with its terminating zero) or a DWORD value;
// false when either fails.
bool SetString(HKEY root, const std::string& path, const std::string& value, const std::string& data,
               DWORD type = REG_SZ);
bool SetDword(HKEY root, const std::string& path, const std::string& value, DWORD data);

// A key that everyone may read but nobody may change or delete, as an installed product's key
// looks to a user without administrator rights: its access list allows reading only and denies
// deletion (its owner may still change the list). Full access comes back when the owner goes.
class TReadOnlyKey {
 public:
  TReadOnlyKey(HKEY root, const std::string& path);
  ~TReadOnlyKey();
  TReadOnlyKey(const TReadOnlyKey&) = delete;
  TReadOnlyKey& operator=(const TReadOnlyKey&) = delete;
  // True once the system refuses to open the key with full access.
  bool Refuses() const { return refuses_; }

 private:
  HKEY root_;
  std::string path_;
  bool refuses_ = false;
};

// --- deletion at the next start --------------------------------------------------------------

// The strings of HKLM\...\Session Manager\PendingFileRenameOperations in order, empty ones (no
// new name) included; empty when the value is missing.
std::vector<std::string> PendingRenameStrings();
// The same as (source, target) pairs; target empty = delete.
std::vector<std::pair<std::string, std::string>> PendingRenames();
void ClearPendingRenames();
// Makes the NT family's deletion at the next start refuse: PendingFileRenameOperations holds
// binary data, which MoveFileExA's delayed form cannot extend, until ClearPendingRenames. (Wine's
// MoveFileExA succeeds for any path, a missing one included: only its registry write can fail.)
// False when the value cannot be written.
bool BlockPendingRenames();
// Removes WININIT.INI, the wininit.bak a restart leaves and any temporary file left beside them.
void ClearWininit();
// A Wine restart: carries out the pending operations and WININIT.INI as a start of Windows does.
// False when wineboot could not be started or did not end.
bool RestartWine();

// --- Wine's Windows version per program -------------------------------------------------------

// Wine's per-program Windows version that reports the Windows 95/98/Me family.
extern const char kWin98[];
// HKCU\Software\Wine\AppDefaults\<exeName>\Version := version ("win98"); applies to every
// executable of that file name, wherever it lies.
bool SetProgramWindowsVersion(const std::string& exeName, const std::string& version);
void ClearProgramWindowsVersion(const std::string& exeName);

// --- helper processes ------------------------------------------------------------------------

// A helper tool (tests/e2e/tools) that takes a ready and a quit event name among its arguments,
// signals ready once it holds what it was asked to hold, and lets go when told to
// end. The destructor ends it (asking first, forcing if it does not answer).
class THeldByHelper {
 public:
  // tool: file name without ".exe" in the e2e tool folder. Its command line is the leading
  // arguments, the ready and quit event names, then the trailing ones (each quoted as needed).
  THeldByHelper(const std::string& tool, const std::string& leading, const std::string& trailing);
  ~THeldByHelper();
  THeldByHelper(const THeldByHelper&) = delete;
  THeldByHelper& operator=(const THeldByHelper&) = delete;

  // True once the helper has signalled that it holds everything.
  bool Ready() const { return ready_; }
  // Asks the helper to let go and waits until it has ended. False when it had to be forced or
  // ended with a code other than 0.
  bool End();

 private:
  handles::TUniqueKernelObject readyEvent_;
  handles::TUniqueKernelObject quitEvent_;
  TProcess process_;
  bool ready_ = false;
};

}  // namespace testsupport
