// ReadAppendedItems over arbitrary executable contents, in memory. Only the reader's own
// refusals may leave it.
#include <sanitizer/asan_interface.h>

#include <new>
#include <stdexcept>

#include "FuzzInput.h"
#include "appended/ZLibEx.h"
#include "appended/uExeAdder.h"
#include "appended/uPEUtils.h"

UNINST_FUZZ_ALLOCATOR_LIMITS

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  fuzzsupport::TInputStream Stream(Data, Size);
  TItemTypes Items;
  try {
    ReadAppendedItems(Stream, Items);
  } catch (const EImageBlockException&) {
  } catch (const EZDecompressionError&) {
  } catch (const ERangeError&) {
  } catch (const std::bad_alloc&) {
  }
  // Every item must be readable over its whole Size: AddressSanitizer checks the region at once,
  // as reading each byte would, at a small part of the cost for an item inflated to megabytes.
  for (const TItemType& Item : Items) {
    if (Item.Size > 0 && Item.Data) {
      // A read of the first bad byte has AddressSanitizer report it in full.
      if (const void* Bad = __asan_region_is_poisoned(Item.Data, static_cast<size_t>(Item.Size))) {
        (void)*static_cast<const volatile uint8_t*>(Bad);
        __builtin_trap();
      }
    }
    if (Item.Size > 0 && !Item.Data && !Item.Compressed) __builtin_trap();
  }
  FreeAppendedItems(Items);
  return 0;
}
