// What the builder's tool needs from the operating system: the path delimiter, writing a file
// through a temporary file beside it, telling whether two names are one file, and the console's
// encoding.
#pragma once
#include <string>

namespace toolplatform {

// The delimiter that joins a folder and a file name.
extern const char kPathDelimiter;

// True when Path names an existing file (not a folder).
bool IsFile(const std::string& Path);

// True when A and B name the same existing file, however they are spelt.
bool SameFile(const std::string& A, const std::string& B);

// Creates a new file in Target's folder, writes Bytes to it and returns its name. Raises
// EWriteError; nothing is left behind then.
std::string WriteTempBeside(const std::string& Target, const std::string& Bytes);

// Puts Temp in Target's place, replacing a file that is there. Raises EWriteError.
void ReplaceWith(const std::string& Temp, const std::string& Target);

// Deletes Path; quietly does nothing when it cannot.
void RemoveFile(const std::string& Path);

// Code page 932 text as the console shows it. False when the text cannot be converted.
bool ToConsoleText(const std::string& Cp932, std::string& Out);

}  // namespace toolplatform
