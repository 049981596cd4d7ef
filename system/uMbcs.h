// Code page 932 aware string helpers. Strings hold ANSI (code page 932) bytes; positions count bytes.
// Windows asks the system (IsDBCSLeadByteEx, CharUpperBuffA); the native build uses the same
// lead-byte ranges so the portable modules and their tests behave alike.
#pragma once
#include <cstddef>
#include <string>

namespace mbcs {

// True when b starts a double-byte character in the ANSI code page.
bool IsLeadByte(unsigned char b);

// Upper-cases letters with the code page's rules; never touches the second byte of a character.
std::string UpperCase(const std::string& s);

// True when the byte at pos is the second byte of a double-byte character.
bool IsTrailByteAt(const std::string& s, std::size_t pos);

// Position of the last byte that is one of delimiters and not a trail byte; npos when none.
std::size_t LastDelimiter(const std::string& delimiters, const std::string& s);

// First occurrence of needle in hay that starts on a character boundary; npos when none.
std::size_t FindAtCharBoundary(const std::string& hay, const std::string& needle);

// Text after the last "\" or ":" (the file name part of a path).
std::string ExtractFileName(const std::string& path);

// Text up to and including the last "\" or ":"; empty when there is none.
std::string ExtractFilePath(const std::string& path);

// The path with the extension of its file name part replaced (or added) by ext, dot included.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

}  // namespace mbcs
