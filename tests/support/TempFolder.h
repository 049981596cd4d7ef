// A folder of its own in the temporary folder, removed with everything in it when the owner goes.
#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace testsupport {

class TempFolder {
 public:
  explicit TempFolder(const std::string& Prefix = "uninst_test_") {
    std::random_device Random;
    Dir_ = std::filesystem::temp_directory_path() / (Prefix + std::to_string(Random()) + std::to_string(Random()));
    std::filesystem::create_directories(Dir_);
  }
  ~TempFolder() {
    std::error_code Ignored;
    std::filesystem::remove_all(Dir_, Ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The path of Name in the folder.
  std::string operator()(const std::string& Name) const { return (Dir_ / Name).string(); }
  void Put(const std::string& Name, const std::string& Bytes) const {
    std::ofstream((*this)(Name), std::ios::binary | std::ios::trunc).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  }
  std::string Read(const std::string& Name) const {
    std::ifstream In((*this)(Name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  }
  const std::filesystem::path& Dir() const { return Dir_; }

 private:
  std::filesystem::path Dir_;
};

}  // namespace testsupport
