// Paths and files. This half takes paths apart as text (code page 932 aware, so the second byte
// of a double-byte character is never taken for a "\"); uFiles_win.h asks the file system.
#pragma once
#include <string>
#include <vector>

namespace files {

// Text after the last "\" or ":" (the file name part of a path).
std::string ExtractFileName(const std::string& path);

// Text up to and including the last "\" or ":"; empty when there is none.
std::string ExtractFilePath(const std::string& path);

// The path with the extension of its file name part replaced (or added) by ext, dot included.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

// True when the path's last character is "\" (a folder line of the file list).
bool EndsWithDelimiter(const std::string& path);

// The path with a "\" added unless it already ends in one.
std::string IncludeTrailingDelimiter(const std::string& path);
// The path without its last "\", when it ends in one.
std::string ExcludeTrailingDelimiter(const std::string& path);

// True for a path that leads outside the folders of a disk: into the system's device and pipe
// namespace ("\\.\", "\??\"), past the system's reading of paths ("\\?\"), or to the pipes of a
// server ("\\server\pipe\"). "/" counts as "\", as the system reads it.
bool IsDeviceOrRawPath(const std::string& path);

// The folders that lead to folder below its root, folder itself last: "C:\a\b\" gives "C:\a"
// and "C:\a\b", "\\server\share\a" gives "\\server\share\a". Empty for a root, a relative path
// and a path that IsDeviceOrRawPath.
std::vector<std::string> FoldersOnTheWay(const std::string& folder);

// True for the root of a disk or a share itself ("C:\", "\\server\share\"); not for "C:" (the
// current folder of that drive), a folder below a root, a relative path or one that
// IsDeviceOrRawPath. "/" counts as "\".
bool IsRootFolder(const std::string& folder);

}  // namespace files
