// Whether the uninstaller can ever create the mutex that an item "GUID" names. A name that
// CreateMutexA refuses makes every run of that uninstaller take the screen saver for running.
#pragma once
#include <string>

namespace mutexname {

// Why CreateMutexA could never take name (code page 932 bytes, not empty) as a mutex name: one
// line; empty when it can. Refused: a NUL byte, more than 259 bytes (with its terminating zero
// the name must fit in MAX_PATH), and a backslash other than the one that ends a leading
// "Global\" or "Local\" (which must be followed by a name).
std::string MutexNameRefusal(const std::string& name);

}  // namespace mutexname
