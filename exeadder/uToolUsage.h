// The text of `exeadder --help`: every command, its options and the rules they share.
#pragma once

namespace toolusage {

extern const char kUsage[];

}  // namespace toolusage
