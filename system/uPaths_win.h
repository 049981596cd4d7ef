// Path helpers that ask the file system.
#pragma once
#include <string>

namespace paths {

// The short (8.3) form of an existing path. Gives back path unchanged when the system has no
// shorter form for it: a missing path, or a short form that with its terminating zero would not
// fit in as many bytes as path has (so a path already in short form comes back as it is).
std::string GetShortPath(const std::string& path);

}  // namespace paths
