// The texts that the program shows, in both of the forms it may show them in: the code page 932
// bytes that the ANSI ("A") functions get unchanged where the system reads them as code page 932
// (or on Windows 95/98/Me), and UTF-16 for the wide ("W") functions on the NT family where the
// system's ANSI code page is another one. Each piece of a text gets both forms from where it
// comes from before pieces are joined: a code page 932 byte string cannot be told apart from a
// string in the system's code page once they are joined.
#pragma once
#include <cstddef>
#include <string>
#include <utility>

namespace ui {

// UTF-16 text. Its own traits type keeps libstdc++'s prebuilt std::wstring out of the program
// (some 35 KB, whose unwind tables keep every member linked): the few members used are compiled
// with the program instead. Its own length keeps msvcrt's wcslen out of the imports.
struct TWideTraits : std::char_traits<wchar_t> {
  static std::size_t length(const wchar_t* s) {
    std::size_t n = 0;
    while (s[n] != L'\0') ++n;
    return n;
  }
};
using TWideString = std::basic_string<wchar_t, TWideTraits>;

// One of the program's own texts, defined once by OWN_TEXT("..."): the compiler turns the one
// source literal into code page 932 bytes (-fexec-charset) and into UTF-16 (L"..."), so that the
// displayed form needs no code page 932 table at run time (a Western Windows XP without East
// Asian language support has none).
struct TOwnText {
  const char* Bytes;     // nullptr: no text
  const wchar_t* Wide;
};
#define OWN_TEXT(literal) (::ui::TOwnText{literal, L"" literal})

class TText {
 public:
  TText() = default;
  // Implicit: an own text is a text.
  TText(const TOwnText& own) : bytes_(own.Bytes ? own.Bytes : ""), wide_(own.Wide ? own.Wide : L"") {}
  TText(std::string bytes, TWideString wide) : bytes_(std::move(bytes)), wide_(std::move(wide)) {}

  // As the A functions get it: code page 932 for the program's own pieces, the system's ANSI
  // code page for the system's.
  const std::string& Bytes() const { return bytes_; }
  // As the W functions get it.
  const TWideString& Wide() const { return wide_; }
  bool Empty() const { return bytes_.empty() && wide_.empty(); }

  TText& operator+=(const TText& other) {
    bytes_ += other.bytes_;
    wide_ += other.wide_;
    return *this;
  }

 private:
  std::string bytes_;
  TWideString wide_;
};

inline TText operator+(TText left, const TText& right) { return left += right; }

// Each "%s" of format replaced by arg and each "%%" by "%", in both forms (mbcs::FormatText).
TText FormatText(const TText& format, const TText& arg);

}  // namespace ui
