// TPEImage over arbitrary files, in memory: load, ask for the image end, save the model.
// The saved model is not loaded again: that load is the same code over bytes the fuzzer reaches
// as inputs of their own, and it took a third of every run.
#include "FuzzInput.h"
#include "appended/uPEUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  fuzzsupport::TInputStream Stream(Data, Size);
  try {
    TPEImage Image(Stream);
    if (Image.FileSize != static_cast<int32_t>(Size)) __builtin_trap();
    (void)Image.GetImageEnd();
    for (const auto& Section : Image.Sections) {
      const TSectionData* D = Section->SectionData();
      if (!D || static_cast<size_t>(D->BlockSize()) != D->Memory().size()) __builtin_trap();
    }
    TMemoryStream Saved;
    Image.SaveToStream(Saved);
  } catch (const EImageBlockException&) {
  }
  return 0;
}
