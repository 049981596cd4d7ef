// What the builder's tool needs from the operating system: the path delimiter, writing a file
// through a temporary file beside it, telling whether two names are one file, and the console's
// encoding.
#pragma once
#include <string>

namespace toolplatform {

// The delimiter that joins a folder and a file name.
extern const char kPathDelimiter;

// True when path names an existing file (not a folder).
bool IsFile(const std::string& path);

// True when one and other name the same existing file, however they are spelt.
bool SameFile(const std::string& one, const std::string& other);

// Creates a new file in target's folder, writes bytes to it and returns its name. Raises
// EWriteError; nothing is left behind then.
std::string WriteTempBeside(const std::string& target, const std::string& bytes);

// Puts temp in target's place, replacing a file that is there. Raises EWriteError.
void ReplaceWith(const std::string& temp, const std::string& target);

// Deletes path; quietly does nothing when it cannot.
void RemoveFile(const std::string& path);

// Code page 932 text as the console shows it. False when the text cannot be converted.
bool ToConsoleText(const std::string& cp932, std::string& out);

}  // namespace toolplatform
