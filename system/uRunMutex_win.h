// The running screen saver check: the screen saver holds a named mutex while it runs.
#pragma once
#include <string>

#include "system/uHandles_win.h"

namespace runmutex {

// The name last given to TryCreateRunMutex; kept until the program ends. Main thread only.
extern std::string RunMutexName;
// The mutex TryCreateRunMutex created; empty at start and after ReleaseRunMutex.
extern handles::TUniqueKernelObject RunMutexHandle;

// Stores name in RunMutexName and applies CreateMutexIfAbsent to RunMutexHandle. True: no
// mutex of that name existed and this process now holds a new one (the screen saver is not
// running). False: it exists (the screen saver runs) or could not be created; createError, when
// given, then receives CreateMutexA's error, or 0 when the mutex existed.
bool TryCreateRunMutex(const std::string& name, DWORD* createError = nullptr);

// Applies CloseMutexHandle to RunMutexHandle. Does nothing when no handle is held.
void ReleaseRunMutex();

// Opens an existing mutex of that name with all access: when there is one, lets it go and
// leaves handle empty, returning false. Otherwise creates it (not owned) into handle and
// returns whether that gave a handle. The test is an open followed by a create, not atomic.
// createError, when given, receives CreateMutexA's error when it failed, else 0.
bool CreateMutexIfAbsent(handles::TUniqueKernelObject& handle, const std::string& name, DWORD* createError = nullptr);

// Releases and closes the mutex handle holds, leaving it empty; nothing when it is empty.
void CloseMutexHandle(handles::TUniqueKernelObject& handle);

}  // namespace runmutex
