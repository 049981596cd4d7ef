// How the temporary copy of an unattended run hands its outcome back to the process that started
// it: an anonymous pipe whose write end the copy inherits, and an inherited handle to the
// starter, on which the copy waits before it deletes the starter's file. Both work alike on
// Windows 95/98/Me and on the NT family.
#pragma once
#include <windows.h>

#include <cstdint>

#include "system/uHandles_win.h"

namespace handback {

// The starter's side.
class TOutcomeChannel {
 public:
  // Makes the pipe and the two handles that the copy is to inherit. False when one cannot be made.
  bool Create();
  // The values to put on the copy's command line, at the width of a pointer.
  std::uintptr_t PipeForCopy() const;
  std::uintptr_t StarterForCopy() const;
  // Once the copy has been started (or could not be): the copy holds its own inherited handles,
  // so that the pipe breaks as soon as the copy has ended.
  void CloseCopyEnds();
  // Waits until the copy sends its outcome. False when the copy ended, or broke the pipe,
  // without sending one.
  bool ReceiveOutcome(DWORD& outcome);

 private:
  handles::TUniqueKernelObject read_;
  handles::TUniqueKernelObject copyWrite_;
  handles::TUniqueKernelObject copyStarter_;
};

// The copy's side, from the values on its command line.
class TStarterLink {
 public:
  // Takes over the inherited handles, made non-inheritable so that no process the copy starts
  // holds them. A pipe value that is not a pipe is ignored: Connected() is then false.
  TStarterLink(std::uintptr_t pipe, std::uintptr_t starter);
  bool Connected() const { return connected_; }
  // Sends the outcome and closes the pipe; false when it could not be written.
  bool SendOutcome(DWORD outcome);
  // Waits until the starter has ended, at most limitMs. False when it did not end in time or
  // there is no handle to wait on.
  bool WaitForStarterEnd(DWORD limitMs);

 private:
  handles::TUniqueKernelObject pipe_;
  handles::TUniqueKernelObject starter_;
  bool connected_ = false;
};

}  // namespace handback
