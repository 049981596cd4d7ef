#include "system/uHandBack_win.h"

namespace handback {
namespace {

// A duplicate of source in this process with the given inheritance; the source stays open
// unless closeSource. Empty when the system refuses.
handles::TUniqueKernelObject Duplicate(HANDLE source, DWORD access, BOOL inherit, DWORD options) {
  handles::TUniqueKernelObject copy;
  HANDLE target = nullptr;
  if (DuplicateHandle(GetCurrentProcess(), source, GetCurrentProcess(), &target, access, inherit, options)) {
    copy.reset(target);
  }
  return copy;
}

// Handle values travel on the command line as numbers, whole.
std::uintptr_t ValueOf(const handles::TUniqueKernelObject& h) { return reinterpret_cast<std::uintptr_t>(h.get()); }

HANDLE HandleOf(std::uintptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

bool TOutcomeChannel::Create() {
  // Not inheritable as made (SetHandleInformation is missing on Windows 95): only the duplicates
  // meant for the copy are.
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!CreatePipe(&read, &write, nullptr, 0)) return false;
  read_.reset(read);
  handles::TUniqueKernelObject writeOwner(write);
  copyWrite_ = Duplicate(write, 0, TRUE, DUPLICATE_SAME_ACCESS);
  copyStarter_ = Duplicate(GetCurrentProcess(), SYNCHRONIZE, TRUE, 0);
  return read_ && copyWrite_ && copyStarter_;
}

std::uintptr_t TOutcomeChannel::PipeForCopy() const { return ValueOf(copyWrite_); }

std::uintptr_t TOutcomeChannel::StarterForCopy() const { return ValueOf(copyStarter_); }

void TOutcomeChannel::CloseCopyEnds() {
  copyWrite_.reset();
  copyStarter_.reset();
}

bool TOutcomeChannel::ReceiveOutcome(DWORD& outcome) {
  unsigned char bytes[4];
  DWORD got = 0;
  while (got < sizeof(bytes)) {
    DWORD n = 0;
    if (!ReadFile(read_.get(), bytes + got, sizeof(bytes) - got, &n, nullptr) || n == 0) return false;
    got += n;
  }
  outcome = static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
            (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
  return true;
}

TStarterLink::TStarterLink(std::uintptr_t pipe, std::uintptr_t starter) {
  if (pipe == 0 || starter == 0) return;
  // Only a pipe is written to: a value that names some other inherited object is left alone.
  if (GetFileType(HandleOf(pipe)) != FILE_TYPE_PIPE) return;
  pipe_ = Duplicate(HandleOf(pipe), 0, FALSE, DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE);
  if (pipe_) starter_ = Duplicate(HandleOf(starter), 0, FALSE, DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE);
  connected_ = static_cast<bool>(pipe_);
}

bool TStarterLink::SendOutcome(DWORD outcome) {
  if (!pipe_) return false;
  const unsigned char bytes[4] = {static_cast<unsigned char>(outcome & 0xFF),
                                  static_cast<unsigned char>((outcome >> 8) & 0xFF),
                                  static_cast<unsigned char>((outcome >> 16) & 0xFF),
                                  static_cast<unsigned char>((outcome >> 24) & 0xFF)};
  DWORD written = 0;
  const bool sent = WriteFile(pipe_.get(), bytes, sizeof(bytes), &written, nullptr) && written == sizeof(bytes);
  pipe_.reset();
  return sent;
}

bool TStarterLink::WaitForStarterEnd(DWORD limitMs) {
  return starter_ && WaitForSingleObject(starter_.get(), limitMs) == WAIT_OBJECT_0;
}

}  // namespace handback
