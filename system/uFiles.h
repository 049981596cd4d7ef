// Paths and files. This half takes paths apart as text (code page 932 aware, so the second byte
// of a double-byte character is never taken for a "\"); uFiles_win.h asks the file system.
#pragma once
#include <string>

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

}  // namespace files
