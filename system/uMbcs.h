// Code page 932 text helpers. Strings hold ANSI (code page 932) bytes; positions count bytes.
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

// Position of the last byte that is one of delimiters and not a trail byte; npos when none.
std::size_t LastDelimiter(const std::string& delimiters, const std::string& s);

// First occurrence of needle in hay that starts on a character boundary; npos when none.
std::size_t FindAtCharBoundary(const std::string& hay, const std::string& needle);

// A byte of value 0x20 or less (blank, tab, line break, NUL); never the second byte of a character.
inline bool IsControlByte(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// The text without its leading and trailing bytes of value 0x20 or less (blanks, tabs, line
// breaks, NULs). No such byte is ever the second byte of a character.
std::string TrimControlBytes(const std::string& text);
// The same in place: narrows [first, end) to leave those bytes out.
void TrimControlBytes(const char*& first, const char*& end);

// Replaces each "%s" of format by arg and each "%%" by "%"; every other byte stays as it is.
// The argument is never read as a format, so a product name holding "%" is shown as written.
std::string FormatText(const std::string& format, const std::string& arg);

// The scan of FormatText for a string of any character type (a text's UTF-16 form too). '%'
// (0x25) is never the second byte of a code page 932 character, so a byte scan is safe.
template <typename String>
String FormatWith(const String& format, const String& arg) {
  using Char = typename String::value_type;
  String out;
  out.reserve(format.size() + arg.size());
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == Char('%') && i + 1 < format.size()) {
      if (format[i + 1] == Char('s')) {
        out += arg;
        ++i;
        continue;
      }
      if (format[i + 1] == Char('%')) {
        out += Char('%');
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

}  // namespace mbcs
