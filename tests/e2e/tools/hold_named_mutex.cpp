// Stands in for a running screen saver: holds a named mutex until told to end.
// Usage: hold_named_mutex <mutex name> <ready event name> <quit event name>
// Signals the ready event once the mutex exists, then waits for the quit event.
#include <windows.h>

#include <cstdio>

#include "system/uHandles_win.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: hold_named_mutex <mutex> <ready event> <quit event>\n");
    return 2;
  }
  handles::TUniqueKernelObject mutex(CreateMutexA(nullptr, TRUE, argv[1]));
  if (!mutex) return 3;
  handles::TUniqueKernelObject ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]));
  handles::TUniqueKernelObject quit(OpenEventA(SYNCHRONIZE, FALSE, argv[3]));
  if (!ready || !quit) return 4;
  SetEvent(ready.get());
  WaitForSingleObject(quit.get(), INFINITE);
  ReleaseMutex(mutex.get());
  return 0;
}
