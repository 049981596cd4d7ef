// A file in the temporary folder, removed when the owner goes.
#pragma once
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace testsupport {

class TempFile {
 public:
  explicit TempFile(const std::string& Contents = std::string(), const std::string& Suffix = ".bin") {
    static std::atomic<unsigned> Counter{0};
    std::random_device Random;
    Path_ = (std::filesystem::temp_directory_path() /
             ("uninst_test_" + std::to_string(Random()) + "_" + std::to_string(Counter++) + Suffix))
                .string();
    Write(Contents);
  }
  ~TempFile() { std::remove(Path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const std::string& Path() const { return Path_; }
  void Write(const std::string& Contents) const {
    std::ofstream(Path_, std::ios::binary | std::ios::trunc).write(Contents.data(), static_cast<std::streamsize>(Contents.size()));
  }
  std::string Read() const {
    std::ifstream In(Path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  }

 private:
  std::string Path_;
};

}  // namespace testsupport
