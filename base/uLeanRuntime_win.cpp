// Linked into the shipped executables only (the tests keep the library's own versions).
//
// libstdc++'s stock versions of these routines build their exceptions as std::length_error,
// std::out_of_range and so on, whose messages live in the library's copy-on-write string: that
// one reference links a second string implementation, the standard exception texts and
// std::random_device into the program, a fifth of its size. The default terminate handler
// likewise brings the C++ demangler. What they report is the same either way: a message for
// the program's error report, or the end of the process.
#include <cstdlib>
#include <exception>
#include <new>
#include <string>

namespace {

// A failure of the standard library itself: the text is one of the library's literals.
class ELibraryError : public std::exception {
 public:
  explicit ELibraryError(const char* message) noexcept : message_(message) {}
  const char* what() const noexcept override { return message_; }

 private:
  const char* message_;
};

}  // namespace

namespace std {
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
void __throw_length_error(const char* message) { throw ELibraryError(message); }
void __throw_logic_error(const char* message) { throw ELibraryError(message); }
void __throw_out_of_range(const char* message) { throw ELibraryError(message); }
// The format's arguments are left out: the text alone says which operation failed.
void __throw_out_of_range_fmt(const char* format, ...) { throw ELibraryError(format); }
void __throw_invalid_argument(const char* message) { throw ELibraryError(message); }
}  // namespace std

namespace __gnu_cxx {
// Nobody reads standard error of a window program: end at once.
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The program's own std::string. The library's prebuilt one (string-inst.o) comes whole: every
// unwind entry refers to its function, so the linker keeps all of it for the few members used.
// Instantiated here, link-time optimisation keeps only what the program calls.
template class std::basic_string<char>;
