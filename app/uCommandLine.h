// Splitting of the process command line into arguments, as the program reads it.
#pragma once
#include <string>

// Argument `index` of a command line (0 = the program itself): arguments are separated by blanks
// (bytes <= 0x20) outside double quotes, and the quotes themselves are dropped. Empty when absent.
std::string CommandLineArgument(const std::string& commandLine, int index);
