// ReadAppendedItems over arbitrary executable contents, in memory. Only the reader's own
// refusals may leave it.
#include <cstdlib>
#include <cstring>
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
  // Every item must be readable over its whole Size.
  volatile uint8_t Sum = 0;
  for (const TItemType& Item : Items) {
    if (Item.Size > 0 && Item.Data)
      for (int32_t i = 0; i < Item.Size; ++i) Sum += static_cast<const uint8_t*>(Item.Data)[i];
    if (Item.Size > 0 && !Item.Data && !Item.Compressed) __builtin_trap();
  }
  FreeAppendedItems(Items);
  return 0;
}
