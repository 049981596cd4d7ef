// The run log file: set once at start-up, written one line per event by every part of the run.
// Writing it never fails the run: a line that cannot be written is dropped.
#pragma once
#include <string>

namespace runlog {

// The file that Log appends to; empty (the default) writes nothing. A path to a device or a pipe,
// or one that skips the system's reading of paths ("\\.\", "\\?\", "\??\", "\\server\pipe\"), is
// refused and leaves it empty: the run goes on without a log. Main thread only.
void SetLogFile(const std::string& path);
const std::string& LogFile();

// Whether a log is being written. A line whose text costs calls into the system (an error's
// text, a registry or window query) is made only when it is: a run without a log makes none of
// them.
bool Logging();

// Appends one line (timestamp, process id, text, CR LF) in the ANSI code page. Two processes of
// one run may write at the same time: each line is written under an exclusive open. Nothing is
// written to a directory, a device, a file with more than one name (a hard link), or through a
// reparse point.
void Log(const std::string& text);

// Log(text + " (" + the system's words for code + ")"), the words looked up only when a log is
// written.
void LogWithSystemError(const std::string& text, unsigned long code);

// Logs the exception being handled, for the catch block that ends a run or a start-up with it:
// "エラーで中断しました: " and its message, or "予期しないエラーが発生しました" for one that is
// no std::exception. Call it inside a catch block; it never throws.
void LogCurrentException() noexcept;

}  // namespace runlog
