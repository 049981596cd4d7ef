// ReadAppendedItems over arbitrary file contents. Only the reader's own refusals may leave it.
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "FuzzFile.h"
#include "appended/ZLibEx.h"
#include "appended/uExeAdder.h"
#include "appended/uPEUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string& Path = fuzzsupport::InputPath("items");
  fuzzsupport::WriteInput(Path, Data, Size);
  TItemTypes Items;
  try {
    ReadAppendedItems(Path, Items);
  } catch (const EImageBlockException&) {
  } catch (const EZDecompressionError&) {
  } catch (const ERangeError&) {
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
