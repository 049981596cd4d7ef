// The base of the program's own exceptions: a message, shown by the error report as it stands.
#pragma once
#include <exception>
#include <string>
#include <utility>

// Not std::runtime_error: that class keeps its text in libstdc++'s copy-on-write string, and
// using it links a second string implementation and the standard exception texts into the
// program. The message here is a plain std::string.
class EMessageError : public std::exception {
 public:
  explicit EMessageError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// An index or count outside the range its container allows (the reader's negative Count).
class ERangeError : public EMessageError {
 public:
  using EMessageError::EMessageError;
};
