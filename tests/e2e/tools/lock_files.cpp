// Keeps files in use as another program would: opens each with share mode 0, so that no one
// can delete, read or write it, until told to end.
// Usage: lock_files <ready event name> <quit event name> <file>...
// Signals the ready event once every file is open, then waits for the quit event. Ends with
// code 3 (without signalling) when a file cannot be opened.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "system/uHandles_win.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: lock_files <ready event> <quit event> <file>...\n");
    return 2;
  }
  std::vector<TFileHandle> files;
  for (int i = 3; i < argc; ++i) {
    TFileHandle file(
        CreateFileA(argv[i], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      std::fprintf(stderr, "lock_files: cannot open %s (error %lu)\n", argv[i], GetLastError());
      return 3;
    }
    files.push_back(std::move(file));
  }
  handles::TUniqueKernelObject ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]));
  handles::TUniqueKernelObject quit(OpenEventA(SYNCHRONIZE, FALSE, argv[2]));
  if (!ready || !quit) return 4;
  SetEvent(ready.get());
  WaitForSingleObject(quit.get(), INFINITE);
  return 0;
}
