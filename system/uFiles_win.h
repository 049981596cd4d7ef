// Paths and files that the file system answers for. Nothing here raises: each function says in
// one line what it gives back when the system refuses.
#pragma once
#include <windows.h>

#include <string>

#include "system/uFiles.h"

namespace files {

// A file (not a folder) exists under path.
bool FileExists(const std::string& path);
// A file or a folder exists under path.
bool PathExists(const std::string& path);

// Takes the read-only attribute off path, which neither DeleteFileA nor the deletion at the next
// restart would remove otherwise. The attributes it had (to put back), or 0 when there was no
// such attribute or it could not be taken off.
DWORD ClearReadOnly(const std::string& path);

// The whole file, other writers shut out while it is read. 0, or the error code with content
// unchanged.
DWORD ReadWholeFile(const std::string& path, std::string* content);
// Creates the file or empties it, and writes content. 0, or the error code (the file may then
// hold part of content).
DWORD WriteWholeFile(const std::string& path, const std::string& content);
// Puts content in place of the file: written whole under a temporary name in the same folder
// first, so that a failed write never leaves a half-written file behind. 0, or the error code
// with the file as it was.
DWORD ReplaceWholeFile(const std::string& path, const std::string& content);

// The full path of a loaded module, the running executable by default. The buffer grows until
// the whole path fits, so a long path is never cut short; empty when the call fails or the path
// exceeds 32767 bytes.
std::string ModuleFileName(HMODULE module = nullptr);

// The temporary folder with its trailing "\"; empty when it cannot be had within 260 bytes.
std::string TemporaryFolder();
// The system folder with its trailing "\"; empty when it cannot be read.
std::string SystemFolder();
// %windir%\WININIT.INI, the file Windows 95/98/Me carries out at start; empty when the Windows
// folder cannot be worked out within 260 bytes.
std::string WininitPath();

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
