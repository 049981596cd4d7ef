#include "system/uRunMutex_win.h"

namespace runmutex {

std::string RunMutexName;
handles::TUniqueKernelObject RunMutexHandle;

bool TryCreateRunMutex(const std::string& name, DWORD* createError) {
  RunMutexName = name;
  return CreateMutexIfAbsent(RunMutexHandle, RunMutexName, createError);
}

void ReleaseRunMutex() { CloseMutexHandle(RunMutexHandle); }

bool CreateMutexIfAbsent(handles::TUniqueKernelObject& handle, const std::string& name, DWORD* createError) {
  if (createError) *createError = ERROR_SUCCESS;
  handles::TUniqueKernelObject existing(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str()));
  if (existing) {
    // Not ours to own: releasing fails harmlessly unless this thread happens to own it.
    ReleaseMutex(existing.get());
    handle.reset();
    return false;
  }
  // A mutex made between the open and the create is taken as absent: its handle comes back too.
  const HANDLE created = CreateMutexA(nullptr, FALSE, name.c_str());
  // Read before anything else runs; a failure that names no reason is taken as a name refused.
  const DWORD error = created ? ERROR_SUCCESS : GetLastError();
  handle.reset(created);
  if (!created && createError) *createError = error != ERROR_SUCCESS ? error : ERROR_INVALID_NAME;
  return created != nullptr;
}

void CloseMutexHandle(handles::TUniqueKernelObject& handle) {
  if (!handle) return;
  ReleaseMutex(handle.get());
  handle.reset();
}

}  // namespace runmutex
