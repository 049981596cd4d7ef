// Paths and files that the file system answers for. Nothing here raises: each function says in
// one line what it gives back when the system refuses.
#pragma once
#include <windows.h>

#include <string>

#include "system/uFiles.h"
#include "system/uHandles_win.h"

namespace files {

// A file (not a folder) exists under path.
bool FileExists(const std::string& path);
// A file or a folder exists under path.
bool PathExists(const std::string& path);

// Takes the read-only attribute off path, which neither DeleteFileA nor the deletion at the next
// restart would remove otherwise. The attributes it had (to put back), or 0 when there was no
// such attribute or it could not be taken off.
DWORD ClearReadOnly(const std::string& path);

// Creates the file or empties it, and writes content. 0, or the error code (the file may then
// hold part of content).
DWORD WriteWholeFile(const std::string& path, const std::string& content);
// Writes content to a new file in target's folder, named after target and unique
// ("<target>.<process>-<n>.tmp"), flushed to the disk, and names it in written. 0, or the error
// code with no file left behind (written is then empty when no file could be made).
DWORD WriteFileBeside(const std::string& target, const std::string& content, std::string& written);
// Puts the file written in place of path, which may be missing, by renames alone (MoveFileExA is
// missing on Windows 95/98/Me): the old file goes aside (written + ".old") until the new one has
// its name, and only then is deleted. A rename that fails briefly is tried again. 0, or the error
// code: path is then as it was and written stays, or, where even the old file's way back failed,
// path is missing and both complete files stay beside it.
DWORD PutInPlace(const std::string& written, const std::string& path);
// Puts content in place of the file: WriteFileBeside, then PutInPlace, so that a failed write
// never leaves a half-written file and no moment leaves the only complete copy deleted. 0, or the
// error code with the file as it was, or missing with both complete files beside it.
DWORD ReplaceWholeFile(const std::string& path, const std::string& content);

// The full path of a loaded module, the running executable by default. The buffer grows until
// the whole path fits, so a long path is never cut short; empty when the call fails or the path
// exceeds 32767 bytes.
std::string ModuleFileName(HMODULE module = nullptr);

// The temporary folder with its trailing "\"; empty when it cannot be had within 260 bytes.
std::string TemporaryFolder();
// The system folder with its trailing "\"; empty when it cannot be read.
std::string SystemFolder();
// The Windows folder with its trailing "\"; empty when it cannot be read.
std::string WindowsFolder();
// The system's own temporary folder, "Temp" in the Windows folder of the machine (not a user's
// own Windows folder under Terminal Services), with its trailing "\"; empty when it cannot be
// read. Only administrators and the system may rename or replace it.
std::string SystemTemporaryFolder();
// %windir%\WININIT.INI, the file Windows 95/98/Me carries out at start; empty when the Windows
// folder cannot be worked out within 260 bytes.
std::string WininitPath();

// Opens an existing folder (NT family) and holds it: as long as the owner lives, nobody can
// rename, delete or replace it, nor a folder on the way to it, since it is shared for reading and
// writing only. Empty when it cannot be opened (GetLastError tells why); a reparse point is opened
// itself, not followed.
TFileHandle HoldFolder(const std::string& folder);
// Whether the file or folder open under handle is a reparse point (a junction, a mount point, a
// symbolic link).
bool IsReparsePoint(HANDLE handle);
// Whether folder, or a folder on the way to it below its root, is a reparse point, so that what
// is put there lands where the point leads. Also true for a path whose folders cannot be told
// apart (relative, a device or raw path). Windows 95/98/Me know no reparse points: false there.
bool LiesBehindReparsePoint(const std::string& folder);

// The full form of a path relative to the current folder (GetFullPathNameA); the path itself
// when the system cannot give one.
std::string FullPath(const std::string& path);

// True when a and b name the same existing file, however they are spelt (long or short names,
// relative or full, any case); false when either does not exist.
bool SameFile(const std::string& a, const std::string& b);

// The short (8.3) form of an existing path. Gives back path unchanged when the system has no
// shorter form for it: a missing path, or a short form that with its terminating zero would not
// fit in as many bytes as path has (so a path already in short form comes back as it is).
std::string GetShortPath(const std::string& path);

}  // namespace files
