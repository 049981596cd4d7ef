// A stand-in for a function that this test program imports from a system DLL, for the life of the
// owner: the program's calls of that function, the product's modules linked into it included, go
// to the stand-in instead. The product then runs unchanged while a test sees, or decides, what
// one system call does (the paths RegDeleteKeyA is given, the clock a name is made from).
#pragma once
#include <windows.h>

namespace testsupport {

class TImportHook {
 public:
  // dll as the import table names it ("ADVAPI32.dll", any case); function by name.
  TImportHook(const char* dll, const char* function, const void* standIn);
  ~TImportHook();
  TImportHook(const TImportHook&) = delete;
  TImportHook& operator=(const TImportHook&) = delete;

  // False when this program does not import the function (nothing was replaced).
  bool Installed() const { return slot_ != nullptr; }
  // The real function, for a stand-in that passes calls on.
  template <typename F>
  F Original() const {
    return reinterpret_cast<F>(original_);
  }

 private:
  void** slot_ = nullptr;
  void* original_ = nullptr;
};

}  // namespace testsupport
