// Path helpers that ask the file system.
#pragma once
#include <string>

namespace paths {

// The short (8.3) form of an existing path. Gives back path unchanged when the system has no
// shorter form for it: a missing path, or a short form that with its terminating zero would not
// fit in as many bytes as path has (so a path already in short form comes back as it is).
std::string GetShortPath(const std::string& path);

// The temporary folder (GetTempPathA) with its trailing "\"; empty when it cannot be had within
// 260 bytes.
std::string TemporaryFolder();

// The full form of a path relative to the current folder (GetFullPathNameA); the path itself
// when the system cannot give one.
std::string FullPath(const std::string& path);

}  // namespace paths
