// How the builder's tool shows bytes: numbers in hexadecimal, names and texts quoted as the
// console shows code page 932, data previewed as text or hexadecimal, byte counts.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tooldisplay {

// Two hexadecimal digits, upper case.
std::string Hex2(uint8_t byte);

// "0x" and eight hexadecimal digits.
std::string HexNumber(uint32_t value);

// Code page 932 text as the console shows it; where the console cannot show it, every byte beyond
// ASCII as \xNN.
std::string ConsoleText(const std::string& cp932);

// bytes in double quotes, with C escapes for quotes, backslashes and bytes that are not text; at
// most max bytes, then "...".
std::string Quoted(const std::string& bytes, std::size_t max = std::string::npos);

// data as quoted text when all of it reads as text, else its first bytes in hex.
std::string Preview(const std::string& data);

// "1 byte", "N bytes".
std::string ByteCount(int64_t count);

}  // namespace tooldisplay
