// The lines of the run log that deployment tools ask for with "/LOG": one event per line.
#pragma once
#include <string>

namespace runlog {

struct TLogTime {
  unsigned Year, Month, Day, Hour, Minute, Second;
};

// "YYYY-MM-DD hh:mm:ss [pid] text" and CR LF. Line breaks inside text become blanks, so that
// one event is always one line.
std::string FormatLogLine(const TLogTime& time, unsigned long processId, const std::string& text);

}  // namespace runlog
