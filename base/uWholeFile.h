// A whole file read at once, for every layer that reads one: the image model's copy of the
// program, WININIT.INI.
#pragma once
#include <string>

// The system's codes that ReadWholeFile gives for what its callers tell apart: no file under the
// name, a folder included (ERROR_FILE_NOT_FOUND, ENOENT); a file of 2 GiB or more, which no
// reader here takes (ERROR_FILE_TOO_LARGE, EFBIG).
extern const unsigned long kNoSuchFile;
extern const unsigned long kFileTooLarge;

// Reads the file at path whole into content, with other readers let in and writers refused.
// Returns 0, or the system's error code (GetLastError on Windows, errno elsewhere) of the call
// that failed; content is unchanged then. opened, when given, says whether the file was opened:
// a failure after that is one of reading it (kFileTooLarge included).
unsigned long ReadWholeFile(const std::string& path, std::string& content, bool* opened = nullptr);
