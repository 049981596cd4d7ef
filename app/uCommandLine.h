// Splitting of the process command line into arguments, as the program reads it.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// One argument of a command line, with where its raw text (quotes included) begins and ends in
// the command line. Arguments are separated by blanks (bytes <= 0x20) outside double quotes, and
// the quotes themselves are dropped from Text.
struct TCommandLineArgument {
  std::string Text;
  std::size_t Begin = 0;
  std::size_t End = 0;
};

// Every argument of the command line, the program itself first.
std::vector<TCommandLineArgument> SplitCommandLine(const std::string& commandLine);

// Says whether a text is the path of the running program (as CreateProcess would find it).
using TNamesProgram = std::function<bool(const std::string& path)>;

// Where the program's own path ends on the command line. A quoted path ends at its closing quote.
// An unquoted one may hold blanks, as in "C:\Program Files\Foo\FooUninst.exe /S", which
// CreateProcess runs by trying "C:\Program", then "C:\Program Files\Foo\FooUninst.exe": it
// ends after the first run of arguments that namesProgram accepts, and after the first argument
// when it accepts none (or is empty).
std::size_t ProgramPathEnd(const std::string& commandLine, const TNamesProgram& namesProgram);
