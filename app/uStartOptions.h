// What the command line asks of this start: the temporary copy ("START") or a normal start, and
// the switches of an unattended run and of the log.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/uCommandLine.h"

namespace app {

// A Windows handle's value as it travels on the command line: as wide as the program's pointers.
using THandleValue = std::uintptr_t;

struct TStartOptions {
  // The first argument is exactly "START": this process is the temporary copy.
  bool IsCopy = false;
  // "/S" or "/s": nothing is shown at all, and the process that was started waits for the outcome.
  bool Silent = false;
  // "/LOG" (the default file) or "/LOG=<path>"; LOG in any case.
  bool Log = false;
  std::string LogPath;  // as given; empty for the default file
  // Copy only: the text between "START" and the first switch, the starter's short path. It is not
  // quoted and may hold blanks where the path has no short form.
  std::string StarterPath;
  // Copy only, from "/HANDBACK=<pipe>:<process>": inherited handles of the pipe on which the
  // outcome goes back to the starter and of the starter process. 0 when absent.
  THandleValue HandBackPipe = 0;
  THandleValue StarterProcess = 0;
  // "/?" among the arguments: the usage box.
  bool Usage = false;
  // The first switch (an argument that begins with "/" or "-") of no known form, as written;
  // empty when there is none. Whoever passes it expects something this program does not do: the
  // run changes nothing.
  std::string UnknownSwitch;
  // The arguments that are no switch and no part of the copy's line ("start" in lower case, a
  // word left in an UninstallString), as written: they are not read, and the start is a normal
  // one.
  std::vector<std::string> IgnoredWords;
};

// Reads the options from the whole command line, the program itself first (where its unquoted
// path ends, namesProgram says: ProgramPathEnd). Known forms: "START" (exactly, as the first
// argument), the starter's path and the copy's switches; "/S" or "/s"; "/LOG" and "/LOG=<path>"
// with LOG in any case; "/?". Any other argument that begins with "/" or "-" is an unknown
// switch, any other word is ignored; the known switches around them are still read, so that the
// log can say so.
TStartOptions ParseStartOptions(const std::string& commandLine, const TNamesProgram& namesProgram = {});

// The copy's command line: the copy's path in double quotes, " START ", the starter's short path
// unquoted, then " /S" when silent, " /LOG=\"<logPath>\"" when logPath is not empty, and
// " /HANDBACK=<pipe>:<process>" when pipe is not 0.
std::string CopyCommandLine(const std::string& copyPath, const std::string& starterShortPath, bool silent,
                            const std::string& logPath, THandleValue pipe, THandleValue process);

// The default log file's name for an executable path: its file name with the extension ".log"
// in place of its own ("C:\x\FooUninst.exe" gives "FooUninst.log").
std::string DefaultLogFileName(const std::string& exePath);

}  // namespace app
