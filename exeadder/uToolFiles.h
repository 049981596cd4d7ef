// The files of a command of the builder's tool: reading its inputs, and writing its output through
// a temporary file beside it that takes the output's place only once it has been checked, so that
// a refusal leaves nothing written.
#pragma once
#include <functional>
#include <string>

#include "exeadder/uToolArguments.h"
#include "exeadder/uToolSigning.h"

namespace toolfiles {

// The whole file at path; refuses with "what: ..." when it cannot be read.
std::string ReadFileOrRefuse(const std::string& path, const std::string& what);

// IN and the contents that a change makes of it.
struct TChangedInput {
  toolsigning::TInput Input;  // IN's contents, and the certificate table removed from them
  std::string Bytes;          // the changed contents, the checksum brought up to date
};

// Reads IN, the file that a command changes into out, removes its signature when the command line
// says --unsign, and hands the contents to change. Refuses, in one line: a missing IN, out naming
// IN without --in-place, a signed IN without --unsign, an unreadable IN, and whatever the change
// refuses (EBlockWriteError).
TChangedInput ChangeInput(const std::string& in, const std::string& out, const toolarguments::TCommandLine& line,
                          const std::function<std::string(const std::string&)>& change);

// Writes bytes to out through a temporary file beside it; check runs on the temporary file
// before it takes out's place, and may refuse.
void WriteThroughTemp(const std::string& out, const std::string& bytes,
                      const std::function<void(const std::string& temp)>& check);

}  // namespace toolfiles
