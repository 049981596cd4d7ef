// The fuzz input as a file: the readers under test take a path.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace fuzzsupport {

inline const std::string& InputPath(const char* Tag) {
  static const std::string Path =
      (std::filesystem::temp_directory_path() / ("uninst_fuzz_" + std::string(Tag) + "_" + std::to_string(getpid()))).string();
  return Path;
}

inline void WriteInput(const std::string& Path, const uint8_t* Data, size_t Size) {
  std::FILE* F = std::fopen(Path.c_str(), "wb");
  if (!F) __builtin_trap();
  if (Size) std::fwrite(Data, 1, Size, F);
  std::fclose(F);
}

}  // namespace fuzzsupport
