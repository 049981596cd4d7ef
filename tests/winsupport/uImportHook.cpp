#include "winsupport/uImportHook.h"

#include <cstring>

namespace testsupport {
namespace {

// The import address table slot through which this program calls dll!function; null when none.
void** ImportSlot(const char* dll, const char* function) {
  auto* const base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return nullptr;
  for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       descriptor->Name != 0; ++descriptor) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0) continue;
    if (descriptor->OriginalFirstThunk == 0) continue;
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
        return reinterpret_cast<void**>(&slots->u1.Function);
      }
    }
  }
  return nullptr;
}

// False when the slot could not be made writable: nothing was written.
bool Put(void** slot, void* value) {
  DWORD old = 0;
  if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &old)) return false;
  *slot = value;
  VirtualProtect(slot, sizeof(*slot), old, &old);
  return true;
}

}  // namespace

TImportHook::TImportHook(const char* dll, const char* function, const void* standIn)
    : slot_(ImportSlot(dll, function)) {
  if (!slot_) return;
  original_ = *slot_;
  // Not installed unless the stand-in is in place: a test must not run against the real function.
  if (!Put(slot_, const_cast<void*>(standIn))) slot_ = nullptr;
}

TImportHook::~TImportHook() {
  if (slot_) Put(slot_, original_);
}

}  // namespace testsupport
