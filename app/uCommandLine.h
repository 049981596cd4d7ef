// Splitting of the process command line into arguments, as the program reads it.
#pragma once
#include <cstddef>
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
