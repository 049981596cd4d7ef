#include "system/uRunLog.h"

namespace runlog {
namespace {

// value in decimal, at least `digits` wide with leading zeros.
std::string Padded(unsigned long value, unsigned digits) {
  std::string text = std::to_string(value);
  if (text.size() < digits) text.insert(0, digits - text.size(), '0');
  return text;
}

}  // namespace

std::string FormatLogLine(const TLogTime& time, unsigned long processId, const std::string& text) {
  std::string line = Padded(time.Year, 4) + "-" + Padded(time.Month, 2) + "-" + Padded(time.Day, 2) + " " +
                     Padded(time.Hour, 2) + ":" + Padded(time.Minute, 2) + ":" + Padded(time.Second, 2) +
                     " [" + std::to_string(processId) + "] ";
  // CR and LF are single bytes in code page 932, never the second byte of a character.
  for (char c : text) line += (c == '\r' || c == '\n') ? ' ' : c;
  return line + "\r\n";
}

}  // namespace runlog
