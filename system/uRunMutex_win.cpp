#include "system/uRunMutex_win.h"

namespace runmutex {

std::string RunMutexName;
handles::TUniqueHandleObj RunMutexHandle;

bool TryCreateRunMutex(const std::string& name) {
  RunMutexName = name;
  return CreateMutexIfAbsent(RunMutexHandle, RunMutexName);
}

void ReleaseRunMutex() { CloseMutexHandle(RunMutexHandle); }

bool CreateMutexIfAbsent(handles::TUniqueHandleObj& handle, const std::string& name) {
  handles::TUniqueHandleObj existing(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str()));
  if (existing) {
    // Not ours to own: releasing fails harmlessly unless this thread happens to own it.
    ReleaseMutex(existing.get());
    handle.reset();
    return false;
  }
  // A mutex made between the open and the create is taken as absent: its handle comes back too.
  handle.reset(CreateMutexA(nullptr, FALSE, name.c_str()));
  return static_cast<bool>(handle);
}

void CloseMutexHandle(handles::TUniqueHandleObj& handle) {
  if (!handle) return;
  ReleaseMutex(handle.get());
  handle.reset();
}

}  // namespace runmutex
