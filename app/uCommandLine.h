// Splitting of the process command line into arguments, as the program reads it.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Argument `index` of a command line (0 = the program itself): arguments are separated by blanks
// (bytes <= 0x20) outside double quotes, and the quotes themselves are dropped. Empty when absent.
std::string CommandLineArgument(const std::string& commandLine, int index);

// One argument as CommandLineArgument reads it, with where its raw text (quotes included)
// begins and ends in the command line.
struct TCommandLineArgument {
  std::string Text;
  std::size_t Begin = 0;
  std::size_t End = 0;
};

// Every argument of the command line, the program itself first.
std::vector<TCommandLineArgument> SplitCommandLine(const std::string& commandLine);
